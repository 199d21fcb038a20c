#include "MemFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

MemFile::MemFile(const char *name) : fd_(memfd_create(name, MFD_CLOEXEC)) {
  if (fd_ < 0) {
    std::perror("memfd_create");
    std::abort();
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemFile::~MemFile() { close(fd_); }

void MemFile::assign(const uint8_t *data, size_t size) {
  if (ftruncate(fd_, 0) != 0) std::abort();
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
}

}  // namespace fuzz
