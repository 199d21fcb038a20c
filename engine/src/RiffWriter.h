// Writes a RIFF file chunk by chunk; sizes are filled in as chunks close.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace sonavel {

class RiffWriter {
 public:
  ~RiffWriter();
  bool create(const std::string &path);
  bool beginRiff(const char form[4]);
  // A whole chunk at once; the body bytes written.
  size_t writeChunk(const char id[4], const void *body, uint32_t size);
  bool beginChunk(const char id[4]);
  bool write(const void *data, size_t size);
  uint64_t chunkBytes() const { return chunkBytes_; }
  bool endChunk();
  bool endRiff();
  bool close();

 private:
  bool patchSize(uint64_t at, uint64_t size);

  std::FILE *file_ = nullptr;
  uint64_t riffStart_ = 0;
  uint64_t chunkStart_ = 0;
  uint64_t chunkBytes_ = 0;
  uint64_t end_ = 0;
  bool inChunk_ = false;
};

}  // namespace sonavel
