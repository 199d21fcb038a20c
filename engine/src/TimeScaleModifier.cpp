// Built with -ffp-contract=off: the cross-fade's products and sum are
// rounded one by one, so no fused multiply-add changes a truncated sample.
#include "TimeScaleModifier.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace sonavel {

namespace {
// Accepted formats keep every length far below 2^31 (at most 1 MHz x 4 bytes).
int32_t wholeFrames(uint64_t bytesPerSecond, int ms, uint32_t align) {
  uint64_t n = bytesPerSecond * ms / 1000;
  return int32_t(n - n % align);
}

inline int16_t load16(const uint8_t *p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

inline void store16(uint8_t *p, int16_t v) { std::memcpy(p, &v, 2); }
}  // namespace

bool TimeScaleModifier::accepts(const SonavelWaveFormat &format) {
  return (format.channels == 1 || format.channels == 2) && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
         format.blockAlign == format.channels * format.bitsPerSample / 8 && format.samplesPerSec > 0 &&
         format.samplesPerSec <= kMaxSampleRate;
}

bool TimeScaleModifier::init(const SonavelWaveFormat &format) {
  if (!accepts(format)) {
    empty();
    return false;
  }
  const uint32_t align = format.blockAlign;
  const uint64_t bps = uint64_t(format.samplesPerSec) * align;
  const int32_t frame = wholeFrames(bps, 20, align);
  const int32_t search = wholeFrames(bps, 12, align);
  const int32_t overlap = wholeFrames(bps, 5, align);
  const int32_t n = overlap / int32_t(align);
  const int32_t analysisLength = search + frame;

  // Every buffer is made before any size changes: a failed allocation must
  // never leave new sizes over old buffers.
  std::vector<uint8_t> analysis, tail;
  std::vector<double> fadeIn, fadeOut, windowChannel, tailChannel;
  try {
    analysis.assign(size_t(analysisLength), 0);
    tail.assign(size_t(overlap), 0);
    fadeIn.resize(size_t(n));
    fadeOut.resize(size_t(n));
    windowChannel.assign(size_t(analysisLength) / align, 0);
    tailChannel.assign(size_t(n), 0);
  } catch (const std::bad_alloc &) {
    empty();
    return false;
  }
  for (int32_t i = 0; i < n; ++i) {
    fadeIn[size_t(i)] = double(i + 1) / double(n + 1);
    fadeOut[size_t(i)] = double(n - i) / double(n + 1);
  }

  analysis_ = std::move(analysis);
  tail_ = std::move(tail);
  fadeIn_ = std::move(fadeIn);
  fadeOut_ = std::move(fadeOut);
  windowChannel_ = std::move(windowChannel);
  tailChannel_ = std::move(tailChannel);
  format_ = format;
  frameLength_ = frame;
  searchLength_ = search;
  overlapLength_ = overlap;
  searchPositions_ = search / int32_t(align);
  overlapFrames_ = n;
  segmentLength_ = frame - overlap;
  analysisLength_ = analysisLength;
  sixteenBit_ = format.bitsPerSample == 16;
  fadeChannels_ = format.channels;

  // The offset carries over, but never into a format where it would split
  // a sample frame or reach past the search window.
  if (offset_ < 0 || offset_ > searchLength_ || offset_ % int32_t(align) != 0) offset_ = 0;

  advance_ = segmentLength_;
  armed_ = 0;
  fillPosition_ = 0;
  return true;
}

void TimeScaleModifier::empty() {
  // Zero sizes first: nothing below can fail, but no size may outlive its buffer.
  frameLength_ = searchLength_ = searchPositions_ = analysisLength_ = 0;
  overlapLength_ = overlapFrames_ = segmentLength_ = advance_ = 0;
  fillPosition_ = 0;
  armed_ = 0;
  format_ = {};
  sixteenBit_ = false;
  fadeChannels_ = 1;
  analysis_ = {};
  tail_ = {};
  fadeIn_ = {};
  fadeOut_ = {};
  windowChannel_ = {};
  tailChannel_ = {};
}

double TimeScaleModifier::setMode(double factor, int mode) {
  if (segmentLength_ <= 0) return 0.0;
  double advance;
  switch (mode) {
    case kFaster: advance = double(segmentLength_) / (1.0 / factor); break;
    case kSlower: advance = double(segmentLength_) / factor; break;
    case kNormal: advance_ = segmentLength_; return 1.0;
    default: return 0.0;
  }
  // A zero advance would never consume input; a huge one overflows.
  if (!(advance >= 1.0 && advance < double(std::numeric_limits<int32_t>::max() / 4))) return 0.0;
  int32_t a = int32_t(advance);
  const int32_t align = format_.blockAlign;
  if (align > 0) a -= a % align;
  if (a <= 0) return 0.0;
  advance_ = a;
  return factor;
}

void TimeScaleModifier::clear() {
  armed_ = 0;
  fillPosition_ = 0;
}

int64_t TimeScaleModifier::maxOutput(int32_t length) const {
  if (advance_ <= 0) return 0;
  return (int64_t(std::max(length, 0)) / advance_ + 1) * segmentLength_;
}

int32_t TimeScaleModifier::maxInput(int64_t room) const {
  // A call completes at most length / advance + 1 windows (one only after
  // the analysis buffer fills, which may need a single byte): W windows
  // need length <= W x advance - 1.
  if (advance_ <= 0 || segmentLength_ <= 0 || room < segmentLength_) return 0;
  int64_t windows = room / segmentLength_;
  return int32_t(std::min<int64_t>(windows * advance_ - 1, std::numeric_limits<int32_t>::max()));
}

bool TimeScaleModifier::formatIs(const SonavelWaveFormat &format) const {
  return analysisLength_ > 0 && format_.channels == format.channels && format_.samplesPerSec == format.samplesPerSec &&
         format_.blockAlign == format.blockAlign && format_.bitsPerSample == format.bitsPerSample;
}

int32_t TimeScaleModifier::process(const uint8_t *input, int32_t length, uint8_t *output, int32_t *outputLength) {
  int32_t produced = 0;
  if (ready() && input && output) {
    const int64_t total = length;
    const int32_t full = analysisLength_;
    int64_t i = 0;
    while (i < total) {
      int32_t room = full - fillPosition_;
      if (i < 0) {
        // Bytes from before this call: the window just emitted holds them one advance further on.
        int32_t n = int32_t(std::min<int64_t>(-i, room));
        std::memmove(&analysis_[size_t(fillPosition_)], &analysis_[size_t(fillPosition_ + advance_)], size_t(n));
        fillPosition_ += n;
        i += n;
      } else {
        int32_t n = int32_t(std::min<int64_t>(total - i, room));
        std::memcpy(&analysis_[size_t(fillPosition_)], input + i, size_t(n));
        fillPosition_ += n;
        i += n;
      }
      if (fillPosition_ == full) {
        fillPosition_ = 0;
        i += int64_t(advance_) - full;  // the next window starts one advance after this one
        emitSegment(output, produced);
      }
    }
  }
  if (outputLength) *outputLength = produced;
  return 1;
}

void TimeScaleModifier::emitSegment(uint8_t *output, int32_t &outputLength) {
  offset_ += segmentLength_ - advance_;
  if (offset_ < 0 || offset_ > searchLength_) offset_ = search();
  if (armed_)
    crossFade();
  else
    armed_ = 1;
  std::memcpy(output + outputLength, &analysis_[size_t(offset_)], size_t(segmentLength_));
  outputLength += segmentLength_;
  std::memcpy(tail_.data(), &analysis_[size_t(offset_ + segmentLength_)], size_t(overlapLength_));
}

int32_t TimeScaleModifier::firstChannelSample(const uint8_t *p) const {
  return sixteenBit_ ? int32_t(load16(p)) : int32_t(*p) - 128;
}

namespace {
// Σ x·y over n samples. Every product and partial sum is an integer far
// below 2^53, so the sum is exact in any order: the reduction may be
// vectorised without changing a bit.
__attribute__((target_clones("avx2", "default"))) double correlate(const double *x, const double *y, int32_t n) {
  double sum = 0;
#pragma omp simd reduction(+ : sum)
  for (int32_t j = 0; j < n; ++j) sum += x[j] * y[j];
  return sum;
}
}  // namespace

int32_t TimeScaleModifier::search() {
  const int32_t align = format_.blockAlign;
  const int32_t n = overlapFrames_;
  const int32_t count = int32_t(windowChannel_.size());
  for (int32_t t = 0; t < count; ++t) windowChannel_[size_t(t)] = firstChannelSample(&analysis_[size_t(t * align)]);
  for (int32_t j = 0; j < n; ++j) tailChannel_[size_t(j)] = firstChannelSample(&tail_[size_t(j * align)]);

  const double *x = tailChannel_.data();
  double syy = 0;
  for (int32_t j = 0; j < n; ++j) syy += windowChannel_[size_t(j)] * windowChannel_[size_t(j)];

  double best = 0.0;
  int32_t winner = 0;
  for (int32_t k = 0; k < searchPositions_; ++k) {
    const double *y = windowChannel_.data() + k;
    double score = correlate(x, y, n) / std::sqrt(syy + 1.0);
    if (score > best) {
      best = score;
      winner = k;
    }
    // Slide the energy window by one frame (exact, as above).
    if (k + n < count) syy += y[n] * y[n] - y[0] * y[0];
  }
  return winner * align;
}

void TimeScaleModifier::crossFade() {
  const int32_t align = format_.blockAlign;
  const int32_t n = overlapFrames_;
  uint8_t *window = &analysis_[size_t(offset_)];
  if (sixteenBit_) {
    for (int32_t j = 0; j < n; ++j) {
      for (int32_t c = 0; c < fadeChannels_; ++c) {
        size_t at = size_t(j * align + c * 2);
        double v = fadeOut_[size_t(j)] * load16(&tail_[at]) + fadeIn_[size_t(j)] * load16(&window[at]);
        store16(&window[at], int16_t(v));
      }
    }
  } else {
    for (int32_t j = 0; j < n; ++j) {
      for (int32_t c = 0; c < fadeChannels_; ++c) {
        size_t at = size_t(j * align + c);
        double v = fadeOut_[size_t(j)] * tail_[at] + fadeIn_[size_t(j)] * window[at];
        window[at] = uint8_t(v);
      }
    }
  }
}

}  // namespace sonavel
