// Reads a WAV file of any encoding libsndfile decodes (PCM of 8 to 32 bits,
// float, mu-law, A-law, IMA and MS ADPCM, GSM 6.10) as 16-bit interleaved
// PCM, frame by frame, with the figures its header declares beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "components/wavefile/WaveFormat.h"

namespace components {

class WaveDecoder {
 public:
  WaveDecoder();
  ~WaveDecoder();
  WaveDecoder(const WaveDecoder &) = delete;
  WaveDecoder &operator=(const WaveDecoder &) = delete;

  // False, with the reason in error, when the file is not a sound RIFF WAVE
  // file (missing, truncated, damaged: as WaveFile::open refuses) or its
  // encoding cannot be decoded.
  bool open(const std::string &path, std::string *error = nullptr);
  void close();
  bool isOpen() const { return sound_ != nullptr; }

  // As the "fmt " and "data" chunks declare them.
  const WaveFormat &declared() const { return declared_; }
  uint64_t dataSize() const { return dataSize_; }

  // The decoded stream: 16-bit samples, this many channels at this rate.
  uint16_t channels() const { return channels_; }
  uint32_t sampleRate() const { return sampleRate_; }
  // Sample frames that play: a compressed stream's "fact" count cuts off
  // the padding of its last block.
  uint64_t frames() const { return frames_; }
  uint64_t position() const { return position_; }

  // Reads up to `frames` sample frames into `samples` (frames x channels
  // values). Fewer only at the end, or where the file stops decoding.
  size_t read(int16_t *samples, size_t frames);
  // Moves to a sample frame, clamped to frames(). Encodings libsndfile
  // cannot seek in are decoded again from the start.
  bool seek(uint64_t frame);

 private:
  bool openSound(std::string &why);
  int64_t readFloat(int16_t *samples, uint64_t frames);

  int fd_ = -1;
  void *sound_ = nullptr;  // SNDFILE
  bool seekable_ = false;
  bool float_ = false;
  std::vector<float> scratch_;
  WaveFormat declared_;
  uint64_t dataSize_ = 0;
  uint16_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  uint64_t frames_ = 0;
  uint64_t position_ = 0;
};

}  // namespace components
