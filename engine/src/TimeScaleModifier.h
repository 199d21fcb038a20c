// Changes the speed of a PCM stream without changing its pitch, by
// synchronised overlap-add: 20 ms analysis frames, a 12 ms search for the
// best joint and a 5 ms linear cross-fade. 8-bit unsigned or 16-bit signed
// PCM, one or two channels; other formats are refused.
#pragma once

#include <cstdint>
#include <vector>

#include "sonavel.h"

namespace sonavel {

class TimeScaleModifier {
 public:
  enum Mode { kFaster = 0, kSlower = 1, kNormal = 2 };
  static constexpr uint32_t kMaxSampleRate = 1'000'000;

  // Starts a fresh stream for the format at normal speed and returns true.
  // The offset of the current segment survives. A format it cannot process
  // (channels other than 1 or 2, bits other than 8 or 16, a block align
  // other than channels x bits / 8, a sample rate of 0 or above 1 MHz) or a
  // failed allocation leaves it empty instead, and false is returned: an
  // empty modifier consumes input, writes nothing and takes no speed.
  bool init(const SonavelWaveFormat &format);
  static bool accepts(const SonavelWaveFormat &format);
  // kFaster: f times as fast; kSlower: 1/f times as fast; kNormal. Returns
  // the factor (1.0 for kNormal). An unknown mode, a factor whose input
  // advance would be zero or absurdly large, or an empty modifier changes
  // nothing and gives 0.0.
  double setMode(double factor, int mode);
  // Appends the output for `length` input bytes; the caller provides room
  // for maxOutput(length) bytes. Always returns 1. Never allocates.
  int32_t process(const uint8_t *input, int32_t length, uint8_t *output, int32_t *outputLength);
  // Drops the partial analysis window and the cross-fade state.
  void clear();

  int64_t maxOutput(int32_t length) const;
  // The longest input whose output surely fits in `room` bytes (0 when not
  // even one segment fits, or the modifier is empty).
  int32_t maxInput(int64_t room) const;
  // The format of the last successful init is this one (the lengths the
  // modifier works with depend only on these fields).
  bool formatIs(const SonavelWaveFormat &format) const;
  bool ready() const { return analysisLength_ > 0 && advance_ > 0; }

  // The format of the last successful init; all zero while empty.
  const SonavelWaveFormat &format() const { return format_; }
  int32_t frameLength() const { return frameLength_; }
  int32_t searchLength() const { return searchLength_; }
  int32_t searchPositions() const { return searchPositions_; }
  int32_t analysisLength() const { return analysisLength_; }
  int32_t overlapLength() const { return overlapLength_; }
  int32_t overlapFrames() const { return overlapFrames_; }
  int32_t segmentLength() const { return segmentLength_; }
  int32_t advance() const { return advance_; }
  int32_t offset() const { return offset_; }
  bool armed() const { return armed_ != 0; }

 private:
  void empty();
  void emitSegment(uint8_t *output, int32_t &outputLength);
  int32_t search();
  void crossFade();
  int32_t firstChannelSample(const uint8_t *p) const;

  int32_t frameLength_ = 0;
  int32_t searchLength_ = 0;
  int32_t searchPositions_ = 0;
  std::vector<uint8_t> analysis_;
  int32_t analysisLength_ = 0;
  int32_t fillPosition_ = 0;
  SonavelWaveFormat format_{};
  std::vector<double> fadeIn_;
  std::vector<double> fadeOut_;
  int32_t armed_ = 0;
  std::vector<uint8_t> tail_;
  int32_t overlapLength_ = 0;
  int32_t overlapFrames_ = 0;
  int32_t advance_ = 0;
  int32_t segmentLength_ = 0;
  int32_t offset_ = 0;

  // Search work areas, sized by init: the first channel of the analysis
  // buffer and of the tail (whole numbers held as doubles).
  std::vector<double> windowChannel_;
  std::vector<double> tailChannel_;
  bool sixteenBit_ = false;
  int32_t fadeChannels_ = 1;
};

}  // namespace sonavel
