// The real-time side of an output stream: fills each device period from the
// queued buffers, scaled by the output gain, converting the rate where the
// device runs at another one (it then takes floats), and counts what has
// reached the device. Holds the queue's guard by try-lock only, allocates
// nothing and never blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "CallbackQueue.h"
#include "RateConverter.h"
#include "components/wave/WaveBuffer.h"

namespace components::wave {

class OutputRenderer {
 public:
  explicit OutputRenderer(CallbackQueue &queue) : queue_(queue) {}

  // Owner, before the stream starts.
  bool prepare(const PcmFormat &format, uint32_t deviceRate);
  void release() { converter_.release(); }
  bool converts() const { return converter_.active(); }

  // The callback: one period of `frames` device frames.
  void render(void *out, unsigned long frames);

  // Any thread.
  void setPaused(bool paused) { paused_.store(paused); }
  bool paused() const { return paused_.load(); }
  uint64_t bytesPlayed() const { return played_.load(); }

  // Owner, with the callback kept out, after the queue was handed back.
  void restart();

 private:
  void renderSamples(uint8_t *out, unsigned long frames);
  void renderConverted(float *out, unsigned long frames);
  // Source frames from the queued buffers into the converter's input.
  void pullSource(size_t deviceFramesWanted);

  CallbackQueue &queue_;
  RateConverter converter_;
  PcmFormat format_;
  std::atomic<bool> paused_{false};
  uint32_t playedInFront_ = 0;
  std::vector<float> input_;   // converter input, interleaved
  size_t inputAt_ = 0, inputFrames_ = 0;
  uint64_t sourceFrames_ = 0;  // the owner's frames taken into the converter since the last restart
  uint64_t deviceFrames_ = 0;  // converted frames of those that reached the device
  std::atomic<uint64_t> played_{0};
};

}  // namespace components::wave
