// The format step: a WAV file of any encoding the wave components decode
// becomes a PCM WAV file of a given channel count, sample width and rate.
// The rate changes by repeating or dropping whole sample frames, stepping
// through the source at the ratio of the two rates: no interpolation and no
// filtering, so a frame of the result is always a frame of the source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "components/JobUi.h"

namespace voice {

// A PCM format to convert to.
struct PcmTarget {
  int channels = 1;
  int bits = 16;  // 8, 16, 24 or 32
  uint32_t rate = 8000;
};

// Converts a stream of 16-bit interleaved frames chunk by chunk. The step
// position carries over from chunk to chunk, so the result of a stream cut
// into any chunks is the result of the whole stream at once.
class FrameConverter {
 public:
  FrameConverter(int sourceChannels, uint32_t sourceRate, const PcmTarget &target);

  // Appends the target bytes for the next `frames` source frames (frames x
  // sourceChannels samples) to out. A chunk may yield no frame at all when
  // the rate goes down.
  void convert(const int16_t *samples, size_t frames, std::vector<uint8_t> &out);

  // Target frames a whole stream of sourceFrames yields: source frame
  // floor(k x sourceRate / rate) becomes target frame k for every k that
  // stays inside the source.
  static uint64_t targetFrames(uint64_t sourceFrames, uint32_t sourceRate, uint32_t rate);

  uint64_t sourceFramesSeen() const { return seen_; }
  uint64_t framesMade() const { return made_; }
  size_t targetFrameBytes() const { return static_cast<size_t>(target_.channels) * (target_.bits / 8); }

 private:
  void putFrame(const int16_t *frame, std::vector<uint8_t> &out) const;

  int sourceChannels_;
  uint32_t sourceRate_;
  PcmTarget target_;
  uint64_t seen_ = 0;  // source frames handed in so far
  uint64_t made_ = 0;  // target frames made so far
};

// What the progress window showed before the format step took it over; the
// step puts it back when it ends.
struct ProgressShown {
  std::string title, directory, fileName;
};

// ConvertWaveToWave: converts the WAV at source into a new PCM WAV at target
// (created, or replaced), reading whole frames, about 4096 bytes of sample
// data at a time. Shows the title `FE_wav_msg6`, the source's folder and
// "source -> target" in the progress window and its progress in the current
// gauge; stops when the cancel flag is set. True when the whole source was
// converted. False when cancelled (the cancel flag is then set), or when
// the source cannot be decoded or a read or write fails (error then holds
// the reason); target is then removed. Nothing is thrown.
bool ConvertWaveToWave(components::JobUi &ui, const std::string &source, const std::string &target,
                       const PcmTarget &format, const ProgressShown &restore, std::string *error = nullptr);

namespace keys {
inline constexpr char kFormatStepTitle[] = "FE_wav_msg6";
}

}  // namespace voice
