#include "RiffWriter.h"

namespace sonavel {

namespace {
void le32(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
}  // namespace

RiffWriter::~RiffWriter() { close(); }

bool RiffWriter::create(const std::string &path) {
  close();
  file_ = std::fopen(path.c_str(), "wb");
  end_ = 0;
  return file_ != nullptr;
}

bool RiffWriter::beginRiff(const char form[4]) {
  if (!file_) return false;
  uint8_t head[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, uint8_t(form[0]), uint8_t(form[1]), uint8_t(form[2]),
                      uint8_t(form[3])};
  riffStart_ = end_;
  bool ok = std::fwrite(head, 1, 12, file_) == 12;
  if (ok) end_ += 12;
  return ok;
}

bool RiffWriter::beginChunk(const char id[4]) {
  if (!file_) return false;
  uint8_t head[8] = {uint8_t(id[0]), uint8_t(id[1]), uint8_t(id[2]), uint8_t(id[3]), 0, 0, 0, 0};
  chunkStart_ = end_;
  chunkBytes_ = 0;
  inChunk_ = std::fwrite(head, 1, 8, file_) == 8;
  if (inChunk_) end_ += 8;
  return inChunk_;
}

bool RiffWriter::write(const void *data, size_t size) {
  if (!file_ || !inChunk_) return false;
  size_t written = std::fwrite(data, 1, size, file_);
  chunkBytes_ += written;
  end_ += written;
  return written == size;
}

size_t RiffWriter::writeChunk(const char id[4], const void *body, uint32_t size) {
  if (!beginChunk(id)) return 0;
  write(body, size);
  size_t written = size_t(chunkBytes_);
  return endChunk() ? written : 0;
}

bool RiffWriter::patchSize(uint64_t at, uint64_t size) {
  uint8_t v[4];
  le32(v, uint32_t(size));
  bool ok = fseeko(file_, off_t(at), SEEK_SET) == 0 && std::fwrite(v, 1, 4, file_) == 4;
  return fseeko(file_, off_t(end_), SEEK_SET) == 0 && ok;
}

bool RiffWriter::endChunk() {
  if (!file_ || !inChunk_) return false;
  inChunk_ = false;
  if (chunkBytes_ & 1) {
    if (std::fputc(0, file_) == EOF) return false;
    ++end_;
  }
  return patchSize(chunkStart_ + 4, chunkBytes_);
}

bool RiffWriter::endRiff() {
  if (!file_) return false;
  if (inChunk_ && !endChunk()) return false;
  return patchSize(riffStart_ + 4, end_ - riffStart_ - 8);
}

bool RiffWriter::close() {
  if (!file_) return true;
  bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

}  // namespace sonavel
