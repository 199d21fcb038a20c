// MPEG audio frames as the MP3 source reads them: header acceptance, frame
// lengths and a reader that walks a file frame by frame, resynchronising
// past junk and remembering where each frame starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonavel {

// How far the reader searches past junk for the next frame header.
constexpr uint32_t kResyncLimit = 131072;

struct FrameHeader {
  uint32_t word = 0;
  int version = 0;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  int layer = 0;    // 1, 2 or 3
  uint32_t bitrate = 0;     // kbit/s, 0 for free format
  uint32_t sampleRate = 0;  // Hz
  bool padding = false;

  bool mpeg1() const { return version == 3; }
  bool layer3() const { return layer == 3; }
  bool freeFormat() const { return bitrate == 0; }
  // Sample frames per frame (Layer III: 1152 for MPEG-1, 576 otherwise).
  uint32_t samples() const;
  // Bytes of the frame without its padding byte (Layer III and II).
  uint32_t lengthWithoutPadding() const;
  uint32_t length() const { return lengthWithoutPadding() + (padding ? 1 : 0); }
  // Same stream: version, layer and sampling rate agree.
  bool sameStream(const FrameHeader &other) const;
};

// The acceptance rule: top 11 bits set, top 16 bits not all set, layer,
// bit-rate and sampling-rate fields not reserved (nor the reserved version).
bool isFrameHeader(uint32_t word);
FrameHeader parseFrameHeader(uint32_t word);

// Length of the ID3v2 tag at the start of `head` (10 bytes or more), 0 when none.
uint32_t id3v2Length(const uint8_t *head, size_t size);

class FrameReader {
 public:
  ~FrameReader();
  bool open(const char *path);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  uint64_t fileSize() const { return fileSize_; }

  // Finds the first frame header past leading ID3v2 tags and at most
  // kResyncLimit bytes of junk, and goes back to the start.
  bool findFirst(FrameHeader &header);
  // The next frame read is frame 0 again.
  void rewind() { next_ = 0; }
  // Reads the next frame of the stream into `frame` (a body cut short by the
  // end of the file is padded with zero bytes). False at the end of the
  // data: no further header, a free-format header or a read error.
  bool next(std::vector<uint8_t> &frame, FrameHeader &header);
  // Positions at frame n without reading bodies; false when the stream
  // ends first (the next read then gives nothing).
  bool seekFrame(uint32_t n);
  uint32_t nextIndex() const { return next_; }

 private:
  // Searches from `at` for a header of this stream; the position of the
  // header, or -1.
  int64_t findHeader(uint64_t at, FrameHeader &header);
  bool acceptable(uint32_t word, FrameHeader &header) const;
  // Copies up to n bytes at `at` through a read-ahead window; bytes copied.
  size_t readAt(uint64_t at, uint8_t *to, size_t n);
  bool discoverNext();

  int fd_ = -1;
  std::vector<uint8_t> window_;
  uint64_t windowStart_ = 0;
  size_t windowSize_ = 0;
  uint64_t fileSize_ = 0;
  FrameHeader first_;
  bool haveFirst_ = false;
  uint64_t start_ = 0;  // where the search for frame 0 begins
  std::vector<uint64_t> offsets_;     // start of every frame found so far
  std::vector<uint32_t> lengths_;     // and its length
  uint32_t next_ = 0;                 // index of the frame the next read returns
  bool ended_ = false;                // no frame after offsets_.back()
};

}  // namespace sonavel
