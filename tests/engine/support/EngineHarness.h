// A PlaybackEngine on a driven virtual output: the test plays buffers one
// at a time and hears every byte.
#pragma once

#include <memory>
#include <vector>

#include "PlaybackEngine.h"
#include "components/wave/VirtualOutput.h"

namespace fixtures {

struct EngineHarness {
  components::wave::VirtualOutput *out = nullptr;
  int devicesMade = 0;
  std::vector<uint8_t> heard;
  sonavel::PlaybackEngine engine{[this](components::wave::DoneQueue &q, components::wave::BufferListener &l) {
    auto device = std::make_unique<components::wave::VirtualOutput>(q, l, components::wave::VirtualOutput::Clock::Driven);
    device->setSink([this](const uint8_t *p, size_t n) { heard.insert(heard.end(), p, p + n); });
    out = device.get();
    ++devicesMade;
    return device;
  }};

  // Plays the oldest queued buffer and lets the engine handle it.
  bool step() {
    if (!out || !out->playNext()) return false;
    engine.dispatch();
    return true;
  }
  // Plays until the device runs dry or `limit` buffers have played.
  int run(int limit = 100000) {
    int played = 0;
    while (played < limit && step()) ++played;
    return played;
  }
  // Steps until only empty buffers come back (the source has run out).
  int runToEnd(int limit = 10000) {
    int played = 0, emptyInARow = 0;
    while (played < limit && emptyInARow < 2 * sonavel::PlaybackEngine::kBuffers) {
      uint64_t before = out->bytesPlayed();
      if (!step()) break;
      ++played;
      emptyInARow = out->bytesPlayed() == before ? emptyInARow + 1 : 0;
    }
    return played;
  }
};

}  // namespace fixtures
