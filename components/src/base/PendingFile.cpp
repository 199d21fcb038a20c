#include "components/base/PendingFile.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <system_error>

namespace components {

PendingFile::PendingFile(std::filesystem::path target) : target_(std::move(target)) {
  // A leading dot keeps the unfinished file out of plain listings.
  std::filesystem::path folder = target_.parent_path();
  std::string name = "." + target_.filename().string() + ".part-XXXXXX";
  std::string pattern = (folder.empty() ? std::filesystem::path(name) : folder / name).string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return;
  // mkstemp makes the file private; the finished file gets the permissions
  // any new file of the user gets.
  static const mode_t mask = [] {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  temp_ = pattern;
}

PendingFile::~PendingFile() { discard(); }

bool PendingFile::commit() {
  if (temp_.empty()) return false;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    discard();
    return false;
  }
  temp_.clear();
  return true;
}

void PendingFile::discard() {
  if (temp_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(temp_, ec);
  temp_.clear();
}

}  // namespace components
