#include "RateConverter.h"

#include <samplerate.h>

namespace components::wave {

RateConverter::~RateConverter() { release(); }

bool RateConverter::init(uint16_t channels, uint32_t fromRate, uint32_t toRate) {
  release();
  if (channels == 0 || fromRate == 0 || toRate == 0) return false;
  int error = 0;
  state_ = src_new(SRC_SINC_MEDIUM_QUALITY, channels, &error);
  from_ = fromRate;
  to_ = toRate;
  return state_ != nullptr;
}

void RateConverter::release() {
  if (state_) src_delete(state_);
  state_ = nullptr;
}

RateConverter::Step RateConverter::process(const float *in, long inFrames, float *out, long outFrames) {
  if (!state_) return {};
  SRC_DATA data{};
  data.data_in = in;
  data.input_frames = inFrames;
  data.data_out = out;
  data.output_frames = outFrames;
  data.src_ratio = double(to_) / double(from_);
  if (src_process(state_, &data) != 0) return {};
  return {data.input_frames_used, data.output_frames_gen};
}

void RateConverter::reset() {
  if (state_) src_reset(state_);
}

}  // namespace components::wave
