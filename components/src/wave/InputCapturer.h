// The real-time side of an input stream: stores each device period into
// the queued buffers in order, converting the rate where the device runs at
// another one (it then gives floats), and counts what was stored. What
// finds no buffer is lost. Holds the queue's guard by try-lock only,
// allocates nothing and never blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "CallbackQueue.h"
#include "RateConverter.h"
#include "components/wave/WaveBuffer.h"

namespace components::wave {

class InputCapturer {
 public:
  explicit InputCapturer(CallbackQueue &queue) : queue_(queue) {}

  // Owner, before the stream starts.
  bool prepare(const PcmFormat &format, uint32_t deviceRate);
  void release() { converter_.release(); }
  bool converts() const { return converter_.active(); }

  // The callback: one period of `frames` device frames.
  void capture(const void *in, unsigned long frames);

  // Any thread: bytes stored since prepare().
  uint64_t bytesRecorded() const { return recorded_.load(); }

  // Owner, with the callback kept out: hands every queued buffer back, the
  // partly filled one with the bytes it holds, the others empty.
  void handBackAll();

 private:
  void store(const uint8_t *data, size_t bytes);

  CallbackQueue &queue_;
  RateConverter converter_;
  PcmFormat format_;
  uint32_t filledInFront_ = 0;
  std::vector<float> converted_;
  std::vector<uint8_t> samples_;
  std::atomic<uint64_t> recorded_{0};
};

}  // namespace components::wave
