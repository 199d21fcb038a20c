#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "q417io/Flash.h"

namespace q417io {
namespace {

// Both are false unless every byte moved; errno then says why (EIO for an
// image that ends early).
bool fullPread(int fd, uint8_t *p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t got = ::pread(fd, p, n, at);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) errno = EIO;
    if (got <= 0) return false;
    p += got, n -= static_cast<size_t>(got), at += got;
  }
  return true;
}

bool fullPwrite(int fd, const uint8_t *p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t put = ::pwrite(fd, p, n, at);
    if (put < 0 && errno == EINTR) continue;
    if (put == 0) errno = EIO;
    if (put <= 0) return false;
    p += put, n -= static_cast<size_t>(put), at += put;
  }
  return true;
}

}  // namespace

std::unique_ptr<ImageStorage> ImageStorage::open(const std::string &path, std::string *error) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  uint32_t blocks = ::fstat(fd, &st) == 0 ? blocksForImageSize(static_cast<uint64_t>(st.st_size)) : 0;
  if (blocks == 0) {
    if (error) *error = path + ": not a chip image of 1024 or 2048 blocks";
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<ImageStorage>(new ImageStorage(fd, blocks));
}

bool ImageStorage::create(const std::string &path, uint32_t blocks, std::string *error,
                          const std::set<uint32_t> &zeroed) {
  if (!flashIdForBlocks(blocks)) {
    if (error) *error = "a chip has 1024 or 2048 blocks";
    return false;
  }
  // Written under a temporary name and renamed, so that a watcher never
  // sees a half-made chip.
  std::string tmp = path + ".part";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = tmp + ": " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> erased(kRawBlockSize, 0xFF), zeros(kRawBlockSize, 0x00);
  // The first failure names the cause; later calls would overwrite errno.
  int failure = 0;
  for (uint32_t b = 0; b < blocks && !failure; ++b)
    if (!fullPwrite(fd, zeroed.count(b) ? zeros.data() : erased.data(), kRawBlockSize,
                    static_cast<off_t>(b) * kRawBlockSize))
      failure = errno;
  if (::close(fd) != 0 && !failure) failure = errno;
  if (!failure && ::rename(tmp.c_str(), path.c_str()) != 0) failure = errno;
  if (failure) {
    if (error) *error = path + ": " + std::strerror(failure);
    ::unlink(tmp.c_str());
  }
  return !failure;
}

ImageStorage::~ImageStorage() { ::close(fd_); }

bool ImageStorage::read(uint32_t block, uint8_t *raw) {
  return block < blocks_ && fullPread(fd_, raw, kRawBlockSize, static_cast<off_t>(block) * kRawBlockSize);
}

bool ImageStorage::write(uint32_t block, const uint8_t *raw) {
  return block < blocks_ && fullPwrite(fd_, raw, kRawBlockSize, static_cast<off_t>(block) * kRawBlockSize);
}

}  // namespace q417io

namespace q417io {

std::string factoryBadPath(const std::string &imagePath) { return imagePath + ".bad"; }

std::set<uint32_t> readFactoryBadBlocks(const std::string &imagePath) {
  std::set<uint32_t> bad;
  if (FILE *f = std::fopen(factoryBadPath(imagePath).c_str(), "r")) {
    unsigned long b;
    while (std::fscanf(f, "%lu", &b) == 1) bad.insert(static_cast<uint32_t>(b));
    std::fclose(f);
  }
  return bad;
}

std::string badListAsFaults(const std::string &list) {
  std::string out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!out.empty()) out += ',';
    out += "bad=" + item;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

bool createFactoryImage(const std::string &path, uint32_t blocks, const std::set<uint32_t> &bad,
                        std::string *error) {
  for (uint32_t b : bad)
    if (b >= blocks) {
      if (error) *error = "bad block " + std::to_string(b) + " lies outside the chip";
      return false;
    }
  std::string badPath = factoryBadPath(path);
  ::unlink(badPath.c_str());
  if (!bad.empty()) {
    FILE *f = std::fopen(badPath.c_str(), "w");
    if (!f) {
      if (error) *error = badPath + ": " + std::strerror(errno);
      return false;
    }
    // A list cut short would let the chip accept writes to bad blocks.
    int failure = 0;
    for (uint32_t b : bad)
      if (!failure && std::fprintf(f, "%u\n", b) < 0) failure = errno;
    if (std::fclose(f) != 0 && !failure) failure = errno;
    if (failure) {
      if (error) *error = badPath + ": " + std::strerror(failure);
      ::unlink(badPath.c_str());
      return false;
    }
  }
  // The sidecar exists before the image appears, so a watcher that sees the
  // image arrive also sees its bad blocks. Without the image it goes too:
  // a chip put there later must not inherit it.
  if (!ImageStorage::create(path, blocks, error, bad)) {
    ::unlink(badPath.c_str());
    return false;
  }
  return true;
}

}  // namespace q417io
