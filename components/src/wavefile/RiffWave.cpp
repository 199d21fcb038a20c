#include "components/wavefile/RiffWave.h"

#include <algorithm>
#include <cstring>

namespace components::riff {

namespace {

constexpr uint64_t kRiffHeaderSize = 12;  // "RIFF", size, "WAVE"
constexpr uint64_t kChunkHeaderSize = 8;  // id, size
constexpr uint32_t kMinFormatSize = 16;   // the PCM format block
constexpr uint32_t kExtensibleSize = 40;  // with cbSize 22: valid bits, channel mask, sub-format GUID
constexpr size_t kSubFormatOffset = 24;

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool readAt(std::FILE *file, uint64_t offset, void *buffer, size_t bytes) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(buffer, 1, bytes, file) == bytes;
}

bool parseFormat(const uint8_t *block, uint32_t size, WaveFormat &f, std::string &error) {
  f.formatTag = le16(block);
  f.channels = le16(block + 2);
  f.sampleRate = le32(block + 4);
  f.avgBytesPerSec = le32(block + 8);
  f.blockAlign = le16(block + 12);
  f.bitsPerSample = le16(block + 14);
  f.subFormatTag = 0;
  if (f.formatTag == kWaveFormatExtensible && size >= kExtensibleSize)
    f.subFormatTag = le16(block + kSubFormatOffset);
  if (f.channels == 0 || f.sampleRate == 0) {
    error = "the format chunk names no channels or no sample rate";
    return false;
  }
  if (f.isPcm() && (f.bitsPerSample == 0 || f.blockAlign == 0)) {
    error = "the format chunk names no sample size";
    return false;
  }
  return true;
}

}  // namespace

bool parseWave(std::FILE *file, uint64_t fileSize, WaveLayout &layout, std::string &error) {
  if (fileSize == 0) {
    error = "the file is empty";
    return false;
  }
  uint8_t riff[kRiffHeaderSize];
  if (fileSize < kRiffHeaderSize || !readAt(file, 0, riff, sizeof riff)) {
    error = "the file is too short for a WAV header";
    return false;
  }
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    error = "not a RIFF WAVE file";
    return false;
  }

  // The RIFF size is often wrong in files written by streaming tools, so the
  // file's own end bounds the walk.
  bool haveFormat = false, haveData = false, truncated = false;
  uint64_t pos = kRiffHeaderSize;
  while (!(haveFormat && haveData) && pos + kChunkHeaderSize <= fileSize) {
    uint8_t head[kChunkHeaderSize];
    if (!readAt(file, pos, head, sizeof head)) {
      error = "the file cannot be read";
      return false;
    }
    uint32_t size = le32(head + 4);
    uint64_t body = pos + kChunkHeaderSize;
    bool fits = body + size <= fileSize;
    if (std::memcmp(head, "fmt ", 4) == 0) {
      if (size < kMinFormatSize) {
        error = "the format chunk is too short";
        return false;
      }
      if (!fits) {
        error = "the format chunk is cut off";
        return false;
      }
      uint8_t block[kExtensibleSize] = {};
      uint32_t wanted = std::min(size, kExtensibleSize);
      if (!readAt(file, body, block, wanted)) {
        error = "the file cannot be read";
        return false;
      }
      if (!parseFormat(block, size, layout.format, error)) return false;
      haveFormat = true;
    } else if (std::memcmp(head, "data", 4) == 0) {
      if (!fits) {
        error = "the data chunk is longer than the file (the file is truncated)";
        return false;
      }
      layout.dataOffset = body;
      layout.dataSize = size;
      haveData = true;
    } else if (std::memcmp(head, "fact", 4) == 0 && fits && size >= 4) {
      uint8_t count[4];
      if (!readAt(file, body, count, sizeof count)) {
        error = "the file cannot be read";
        return false;
      }
      layout.factSamples = le32(count);
      layout.hasFact = true;
    } else if (!fits) {
      truncated = true;
      break;
    }
    pos = body + size + (size & 1);  // chunks are word-aligned
  }
  if (pos < fileSize && pos + kChunkHeaderSize > fileSize) truncated = true;  // a chunk header cut off
  if (!haveFormat || !haveData) {
    error = truncated     ? "the WAV header is truncated"
            : !haveFormat ? "the file has no format chunk"
                          : "the file has no data chunk";
    return false;
  }
  return true;
}

}  // namespace components::riff
