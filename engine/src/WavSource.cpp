#include "WavSource.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace sonavel {

namespace {

uint32_t le32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The sub-format GUID of an extensible "fmt " chunk is a format tag followed by these bytes.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Stored frames converted per file read.
constexpr size_t kConversionFrames = 4096;

struct Layout {
  uint16_t tag = kFormatPcm;  // PCM or float, after resolving an extensible chunk
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bits = 0;
  uint64_t dataStart = 0;
  uint64_t dataSize = 0;
};

bool readAt(std::FILE *f, uint64_t at, uint8_t *to, size_t n) {
  return fseeko(f, off_t(at), SEEK_SET) == 0 && std::fread(to, 1, n, f) == n;
}

// RIFF: the first "fmt " and "data" chunks wherever they lie.
bool riffLayout(std::FILE *f, uint64_t fileSize, Layout &out) {
  bool haveFormat = false, haveData = false;
  uint64_t at = 12;
  while (at + 8 <= fileSize && !(haveFormat && haveData)) {
    uint8_t head[8];
    if (!readAt(f, at, head, 8)) return false;
    uint32_t size = le32(head + 4);
    if (!haveFormat && std::memcmp(head, "fmt ", 4) == 0) {
      uint8_t fmt[40];
      if (size < 16 || !readAt(f, at + 8, fmt, 16)) return false;
      uint16_t tag = le16(fmt);
      if (tag == kFormatExtensible && size >= 40) {
        if (!readAt(f, at + 8 + 16, fmt + 16, 24) || std::memcmp(fmt + 26, kSubFormatTail, 14) != 0) return false;
        tag = le16(fmt + 24);
      } else if (tag == kFormatExtensible) {
        tag = kFormatPcm;  // too short to name its sub-format: taken as PCM
      }
      if (tag != kFormatPcm && tag != kFormatFloat) return false;
      out.tag = tag;
      out.channels = le16(fmt + 2);
      out.sampleRate = le32(fmt + 4);
      out.bits = le16(fmt + 14);
      haveFormat = true;
    } else if (!haveData && std::memcmp(head, "data", 4) == 0) {
      out.dataStart = at + 8;
      // A size past the end (a cut file, or a writer that never closed it) ends at the file's end.
      out.dataSize = std::min<uint64_t>(size, fileSize - out.dataStart);
      haveData = true;
    }
    at += 8 + uint64_t(size) + (size & 1);
  }
  return haveFormat && haveData;
}

bool canonicalLayout(std::FILE *f, uint64_t fileSize, Layout &out) {
  uint8_t head[WavSource::kCanonicalHeader];
  if (fileSize < sizeof head || !readAt(f, 0, head, sizeof head)) return false;
  out.channels = le16(head + 22);
  out.sampleRate = le32(head + 24);
  out.bits = le16(head + 34);
  out.dataStart = WavSource::kCanonicalHeader;
  out.dataSize = fileSize - WavSource::kCanonicalHeader;
  return true;
}

// The encoding of formats the engine can play, as stored or converted;
// anything else is a damaged or foreign header.
bool playable(const Layout &l, SampleEncoding &encoding) {
  if (l.channels < 1 || l.channels > 2 || l.sampleRate < 100 || l.sampleRate > 1'000'000) return false;
  if (l.tag == kFormatFloat) {
    if (l.bits != 32 && l.bits != 64) return false;
    encoding = l.bits == 32 ? SampleEncoding::Float32 : SampleEncoding::Float64;
    return true;
  }
  switch (l.bits) {
    case 8: encoding = SampleEncoding::Unsigned8; return true;
    case 16: encoding = SampleEncoding::Signed16; return true;
    case 24: encoding = SampleEncoding::Signed24; return true;
    case 32: encoding = SampleEncoding::Signed32; return true;
    default: return false;
  }
}

}  // namespace

WavSource::~WavSource() { close(); }

int32_t WavSource::open(const char *path, SonavelWaveFormat &format) {
  close();
  if (!path) return 0;
  std::FILE *f = std::fopen(path, "rb");
  if (!f) return 0;
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  uint64_t fileSize = 0;
  if (fseeko(f, 0, SEEK_END) == 0) fileSize = uint64_t(ftello(f));

  Layout layout;
  uint8_t riff[12] = {};
  bool isRiff = fileSize >= 12 && readAt(f, 0, riff, 12) && std::memcmp(riff, "RIFF", 4) == 0 &&
                std::memcmp(riff + 8, "WAVE", 4) == 0;
  bool ok = isRiff ? riffLayout(f, fileSize, layout) : canonicalLayout(f, fileSize, layout);
  SampleEncoding encoding{};
  if (!ok || !playable(layout, encoding)) {
    std::fclose(f);
    return 0;
  }
  const bool converts = !streamsAsStored(encoding);
  try {
    stored_.assign(converts ? kConversionFrames * layout.channels * sampleBytes(encoding) : 0, 0);
  } catch (const std::bad_alloc &) {
    std::fclose(f);
    return 0;
  }

  file_ = f;
  encoding_ = encoding;
  channels_ = layout.channels;
  sampleRate_ = layout.sampleRate;
  blockAlign_ = uint16_t(layout.channels * sampleBytes(encoding));
  avgBytesPerSec_ = blockAlign_ * sampleRate_;
  dataStart_ = layout.dataStart;
  dataSize_ = uint32_t(std::min<uint64_t>(layout.dataSize, UINT32_MAX));
  double ms = double(dataSize_) / double(avgBytesPerSec_) * 1000.0;
  if (layout.bits == 8) ms -= 50;
  totalTime_ = ms > 0 ? uint32_t(ms) : 0;

  const uint16_t deliveredAlign = converts ? uint16_t(layout.channels * 2) : blockAlign_;
  format.formatTag = 1;
  format.channels = layout.channels;
  format.samplesPerSec = sampleRate_;
  format.avgBytesPerSec = deliveredAlign * sampleRate_;
  format.blockAlign = deliveredAlign;
  format.bitsPerSample = converts ? 16 : layout.bits;
  format.extraSize = 0;

  fseeko(file_, off_t(dataStart_), SEEK_SET);
  filePosition_ = dataStart_;
  return 1;
}

int32_t WavSource::read(uint8_t *destination, int32_t length) {
  if (!file_ || !destination || length <= 0) return 0;
  if (!streamsAsStored(encoding_)) return readConverted(destination, length);
  uint64_t end = dataStart_ + dataSize_;
  uint64_t left = end > filePosition_ ? end - filePosition_ : 0;
  size_t want = size_t(std::min<uint64_t>(uint64_t(length), left));
  size_t got = want ? std::fread(destination, 1, want, file_) : 0;
  filePosition_ += got;
  return int32_t(got);
}

int32_t WavSource::readConverted(uint8_t *destination, int32_t length) {
  const uint64_t end = dataStart_ + dataSize_;
  const uint32_t deliveredAlign = uint32_t(channels_) * 2;
  uint64_t frames = std::min<uint64_t>(uint64_t(length) / deliveredAlign,
                                       end > filePosition_ ? (end - filePosition_) / blockAlign_ : 0);
  const uint64_t perRead = stored_.size() / blockAlign_;
  uint32_t delivered = 0;
  while (frames > 0) {
    size_t want = size_t(std::min(frames, perRead)) * blockAlign_;
    size_t got = std::fread(stored_.data(), 1, want, file_);
    filePosition_ += got;
    size_t whole = got / blockAlign_;
    convertTo16(encoding_, stored_.data(), whole * channels_, destination + size_t(delivered) * deliveredAlign);
    delivered += uint32_t(whole);
    frames -= whole;
    if (got < want) break;  // the file ended early
  }
  return int32_t(delivered * deliveredAlign);
}

void WavSource::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void WavSource::seek(uint32_t value, int32_t unit) {
  if (!file_ || sampleRate_ == 0) return;
  double t = unit == kMilliseconds ? double(value) : double(value) * 1000.0 / double(sampleRate_);
  uint64_t offset = uint64_t(double(avgBytesPerSec_) * t * 0.001 + 0.01);
  offset -= offset % blockAlign_;
  offset = std::min<uint64_t>(offset, dataSize_) + dataStart_;
  if (fseeko(file_, off_t(offset), SEEK_SET) == 0) filePosition_ = offset;
}

uint32_t WavSource::position(int32_t unit) const {
  if (avgBytesPerSec_ == 0) return 0;
  uint64_t p = filePosition_ > dataStart_ ? filePosition_ - dataStart_ : 0;
  if (unit == kMilliseconds) return uint32_t(p * 1000 / avgBytesPerSec_);
  return uint32_t(p / blockAlign_);
}

}  // namespace sonavel
