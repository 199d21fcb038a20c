// A file that lives in memory but has a path, for readers that only open
// paths: a memfd reached through /proc/self/fd. Each reader that opens the
// path gets its own file position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class MemFile {
 public:
  explicit MemFile(const char *name);
  ~MemFile();
  MemFile(const MemFile &) = delete;
  MemFile &operator=(const MemFile &) = delete;

  // Replaces the contents.
  void assign(const uint8_t *data, size_t size);
  void clear() { assign(nullptr, 0); }
  const std::string &path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace fuzz
