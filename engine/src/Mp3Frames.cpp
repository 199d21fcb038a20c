#include "Mp3Frames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace sonavel {

namespace {

constexpr size_t kWindow = 1 << 16;

// kbit/s by bit-rate index.
constexpr uint16_t kBitrates[2][3][16] = {
    // MPEG-1: Layer I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    // MPEG-2 and 2.5: Layer I, II, III
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
constexpr uint32_t kRates[3] = {44100, 48000, 32000};

}  // namespace

uint32_t FrameHeader::samples() const {
  if (layer == 1) return 384;
  if (layer == 2 || mpeg1()) return 1152;
  return 576;
}

uint32_t FrameHeader::lengthWithoutPadding() const {
  if (sampleRate == 0) return 0;
  if (layer == 1) return 12000 * bitrate / sampleRate * 4;
  if (mpeg1() || layer == 2) return 144000 * bitrate / sampleRate;
  return 72000 * bitrate / sampleRate;
}

bool FrameHeader::sameStream(const FrameHeader &other) const {
  return version == other.version && layer == other.layer && sampleRate == other.sampleRate;
}

bool isFrameHeader(uint32_t h) {
  return (h & 0xFFE00000u) == 0xFFE00000u && (h >> 16) != 0xFFFFu && ((h >> 19) & 3) != 1 && ((h >> 17) & 3) != 0 &&
         ((h >> 12) & 15) != 15 && ((h >> 10) & 3) != 3;
}

FrameHeader parseFrameHeader(uint32_t h) {
  FrameHeader f;
  f.word = h;
  f.version = int((h >> 19) & 3);
  f.layer = 4 - int((h >> 17) & 3);
  int rateIndex = int((h >> 10) & 3);
  if (rateIndex < 3) f.sampleRate = kRates[rateIndex] >> (f.version == 3 ? 0 : f.version == 2 ? 1 : 2);
  if (f.layer >= 1 && f.layer <= 3) f.bitrate = kBitrates[f.version == 3 ? 0 : 1][f.layer - 1][(h >> 12) & 15];
  f.padding = (h >> 9) & 1;
  return f;
}

uint32_t id3v2Length(const uint8_t *p, size_t size) {
  if (size < 10 || std::memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF) return 0;
  if ((p[6] | p[7] | p[8] | p[9]) & 0x80) return 0;
  uint32_t body = uint32_t(p[6]) << 21 | uint32_t(p[7]) << 14 | uint32_t(p[8]) << 7 | p[9];
  bool footer = p[5] & 0x10;
  return 10 + body + (footer ? 10 : 0);
}

FrameReader::~FrameReader() { close(); }

bool FrameReader::open(const char *path) {
  close();
  if (!path) return false;
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  fileSize_ = ::fstat(fd_, &st) == 0 ? uint64_t(st.st_size) : 0;
  window_.resize(kWindow + kResyncLimit + 8);
  return true;
}

void FrameReader::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  fileSize_ = 0;
  windowSize_ = 0;
  haveFirst_ = false;
  offsets_.clear();
  lengths_.clear();
  next_ = 0;
  ended_ = false;
}

size_t FrameReader::readAt(uint64_t at, uint8_t *to, size_t n) {
  if (fd_ < 0) return 0;
  if (at < windowStart_ || at + n > windowStart_ + windowSize_) {
    // Refill from `at`; a request larger than the window is read directly.
    if (n > window_.size()) {
      ssize_t got = ::pread(fd_, to, n, off_t(at));
      return got > 0 ? size_t(got) : 0;
    }
    windowStart_ = at;
    windowSize_ = 0;
    while (windowSize_ < window_.size()) {
      ssize_t got = ::pread(fd_, window_.data() + windowSize_, window_.size() - windowSize_, off_t(at + windowSize_));
      if (got <= 0) break;
      windowSize_ += size_t(got);
    }
  }
  size_t have = at >= windowStart_ && at < windowStart_ + windowSize_ ? size_t(windowStart_ + windowSize_ - at) : 0;
  size_t copied = std::min(n, have);
  if (copied) std::memcpy(to, window_.data() + (at - windowStart_), copied);
  return copied;
}

bool FrameReader::acceptable(uint32_t word, FrameHeader &header) const {
  if (!isFrameHeader(word)) return false;
  header = parseFrameHeader(word);
  return !haveFirst_ || header.sameStream(first_);
}

int64_t FrameReader::findHeader(uint64_t at, FrameHeader &header) {
  for (uint64_t skipped = 0; skipped <= kResyncLimit; ++skipped) {
    uint64_t pos = at + skipped;
    if (pos + 4 > fileSize_) return -1;
    uint8_t b[4];
    if (readAt(pos, b, 4) != 4) return -1;
    uint32_t word = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    if (acceptable(word, header)) return int64_t(pos);
  }
  return -1;
}

bool FrameReader::findFirst(FrameHeader &header) {
  if (fd_ < 0) return false;
  offsets_.clear();
  lengths_.clear();
  haveFirst_ = false;
  ended_ = false;
  next_ = 0;
  uint64_t at = 0;
  for (;;) {
    uint8_t head[10];
    uint32_t tag = readAt(at, head, 10) == 10 ? id3v2Length(head, 10) : 0;
    if (tag == 0) break;
    at += tag;
  }
  int64_t found = findHeader(at, header);
  if (found < 0) return false;
  first_ = header;
  haveFirst_ = true;
  start_ = uint64_t(found);
  offsets_.push_back(start_);
  lengths_.push_back(header.length());
  return true;
}

bool FrameReader::discoverNext() {
  if (ended_ || !haveFirst_) return false;
  uint64_t from = offsets_.back() + lengths_.back();
  FrameHeader header;
  int64_t found = findHeader(from, header);
  if (found < 0 || header.freeFormat()) {
    ended_ = true;
    return false;
  }
  offsets_.push_back(uint64_t(found));
  lengths_.push_back(header.length());
  return true;
}

bool FrameReader::next(std::vector<uint8_t> &frame, FrameHeader &header) {
  if (!haveFirst_) return false;
  while (next_ >= offsets_.size())
    if (!discoverNext()) return false;
  uint64_t at = offsets_[next_];
  uint8_t b[4];
  if (readAt(at, b, 4) != 4) return false;
  header = parseFrameHeader(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]);
  if (header.freeFormat()) return false;
  uint32_t length = lengths_[next_];
  frame.resize(length);
  size_t got = readAt(at, frame.data(), length);
  std::fill(frame.begin() + ptrdiff_t(got), frame.end(), uint8_t(0));
  ++next_;
  return true;
}

bool FrameReader::seekFrame(uint32_t n) {
  next_ = n;
  while (n >= offsets_.size())
    if (!discoverNext()) return false;
  return true;
}

}  // namespace sonavel
