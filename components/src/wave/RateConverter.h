// Interleaved float frames from one rate to another (libsamplerate), for a
// stream whose device refuses the stream's own rate. Made before the stream
// starts; process() and reset() neither allocate nor block.
#pragma once

#include <cstdint>

struct SRC_STATE_tag;

namespace components::wave {

class RateConverter {
 public:
  RateConverter() = default;
  ~RateConverter();
  RateConverter(const RateConverter &) = delete;
  RateConverter &operator=(const RateConverter &) = delete;

  bool init(uint16_t channels, uint32_t fromRate, uint32_t toRate);
  void release();
  bool active() const { return state_ != nullptr; }
  uint32_t fromRate() const { return from_; }
  uint32_t toRate() const { return to_; }

  struct Step {
    long used = 0;       // input frames taken
    long generated = 0;  // output frames made
  };
  Step process(const float *in, long inFrames, float *out, long outFrames);
  // Forgets the filter's history (after a reset of the stream).
  void reset();

 private:
  SRC_STATE_tag *state_ = nullptr;
  uint32_t from_ = 0, to_ = 0;
};

}  // namespace components::wave
