// Driven virtual output devices for tests: a device plays a buffer only when
// the test says so, and every byte it plays is kept.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "components/wave/VirtualOutput.h"

namespace testsupport {

class DrivenOutputs {
 public:
  using Factory = std::function<std::unique_ptr<components::wave::OutputDevice>(components::wave::DoneQueue &,
                                                                              components::wave::BufferListener &)>;

  // Makes the next device; none while `noDevice` is set.
  std::unique_ptr<components::wave::OutputDevice> make(components::wave::DoneQueue &queue,
                                                       components::wave::BufferListener &listener) {
    ++devicesMade;
    if (noDevice) return nullptr;
    auto made = std::make_unique<components::wave::VirtualOutput>(queue, listener,
                                                                  components::wave::VirtualOutput::Clock::Driven);
    made->setSink([this](const uint8_t *data, size_t size) { played.insert(played.end(), data, data + size); });
    devices.push_back(made.get());
    return made;
  }
  Factory factory() {
    return [this](components::wave::DoneQueue &queue, components::wave::BufferListener &listener) {
      return make(queue, listener);
    };
  }

  // The newest device; null before the first.
  components::wave::VirtualOutput *device() const { return devices.empty() ? nullptr : devices.back(); }
  // Plays the newest device's oldest queued buffer; false when none plays.
  bool playNext() { return !devices.empty() && devices.back()->playNext(); }

  std::vector<components::wave::VirtualOutput *> devices;
  int devicesMade = 0;  // refused ones too
  bool noDevice = false;
  std::vector<uint8_t> played;
};

}  // namespace testsupport
