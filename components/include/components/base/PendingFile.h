// A file that gets its final name only when it is complete: it is written
// under a unique temporary name in the target's own folder (so the rename
// never crosses file systems) and renamed over the target by commit(). Until
// then an existing file of the target's name stays as it is; a PendingFile
// that is destroyed uncommitted removes what it wrote.
#pragma once

#include <filesystem>
#include <string>

namespace components {

class PendingFile {
 public:
  explicit PendingFile(std::filesystem::path target);
  ~PendingFile();
  PendingFile(const PendingFile &) = delete;
  PendingFile &operator=(const PendingFile &) = delete;

  // The temporary file exists, empty, and path() names it.
  bool created() const { return !temp_.empty(); }
  const std::filesystem::path &path() const { return temp_; }
  const std::filesystem::path &target() const { return target_; }

  // Renames the temporary file over the target. False (and the temporary
  // file removed) when the rename fails.
  bool commit();
  // Removes the temporary file now.
  void discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
};

}  // namespace components
