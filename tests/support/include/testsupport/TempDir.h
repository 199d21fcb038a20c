// A temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
 public:
  // A fresh folder under the system's temporary folder; throws when none
  // can be made.
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::filesystem::path &path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path &name) const { return path_ / name; }
  // Writes a file below the folder, its folders made first; returns its path.
  std::filesystem::path write(const std::filesystem::path &name, const std::string &bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
