// The reader of one open file, as the engine sees it: PCM format, bytes on
// demand, position, total time and conversion to a raw PCM file.
// Units: 0 milliseconds, anything else sample frames.
#pragma once

#include <cstdint>

#include "sonavel.h"

namespace sonavel {

enum Unit : int32_t { kMilliseconds = 0, kSampleFrames = 1 };

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Fills `format` and returns 1, or returns 0 and leaves `format` alone.
  virtual int32_t open(const char *path, SonavelWaveFormat &format) = 0;
  // Bytes delivered; fewer than asked at the end of the data.
  virtual int32_t read(uint8_t *destination, int32_t length) = 0;
  virtual void close() = 0;
  virtual void seek(uint32_t value, int32_t unit) = 0;
  virtual uint32_t position(int32_t unit) const = 0;
  virtual uint32_t totalTime() const = 0;  // milliseconds
  virtual int32_t convertToPcm() = 0;
  virtual uint32_t sampleRate() const = 0;
};

}  // namespace sonavel
