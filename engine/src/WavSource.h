// Reads the PCM data of a WAV file. A RIFF file is read from the start of
// its "data" chunk, with the format of its "fmt " chunk; any other file is
// taken to have a 44-byte canonical header. Mono or stereo only. 8-bit and
// 16-bit PCM are delivered as stored; 24- and 32-bit integer and 32- and
// 64-bit float samples are delivered as 16-bit PCM (and the format says 16
// bits), in whole sample frames. Positions, seeks and the total time count
// the file's own frames and bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "AudioSource.h"
#include "SampleEncoding.h"

namespace sonavel {

class WavSource final : public AudioSource {
 public:
  static constexpr uint32_t kCanonicalHeader = 44;

  ~WavSource() override;
  int32_t open(const char *path, SonavelWaveFormat &format) override;
  int32_t read(uint8_t *destination, int32_t length) override;
  void close() override;
  void seek(uint32_t value, int32_t unit) override;
  uint32_t position(int32_t unit) const override;
  uint32_t totalTime() const override { return totalTime_; }
  int32_t convertToPcm() override { return 1; }  // already PCM
  uint32_t sampleRate() const override { return sampleRate_; }

  uint64_t dataStart() const { return dataStart_; }
  uint32_t dataSize() const { return dataSize_; }

 private:
  int32_t readConverted(uint8_t *destination, int32_t length);

  uint32_t sampleRate_ = 0;
  uint32_t avgBytesPerSec_ = 0;
  std::FILE *file_ = nullptr;
  uint32_t dataSize_ = 0;
  uint32_t totalTime_ = 0;
  uint16_t blockAlign_ = 0;  // of the stored frames, as are the two fields above
  uint64_t dataStart_ = kCanonicalHeader;
  uint64_t filePosition_ = 0;
  uint16_t channels_ = 0;
  SampleEncoding encoding_ = SampleEncoding::Signed16;
  std::vector<uint8_t> stored_;  // stored frames on their way to conversion
};

}  // namespace sonavel
