#include "app/AppFolders.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace app {

namespace fs = std::filesystem;

fs::path userDataFolder() {
  const char *dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome) return fs::path(dataHome) / "quillorn";
  const char *home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local/share/quillorn";
}

AppFolders chooseAppFolders(const fs::path &programDir, const fs::path &dataHome) {
  AppFolders f;
  f.programDir = programDir;
  bool writable = !programDir.empty() && ::access(programDir.c_str(), W_OK | X_OK) == 0;
  f.baseDir = writable ? programDir : dataHome;
  f.voiceDir = f.baseDir / "VoiceData";
  f.tempDir = f.baseDir / "TempData";
  f.tempRecording = f.tempDir / "TempRecording.dvg";
  return f;
}

bool createAppFolders(const AppFolders &folders, std::string *error) {
  for (const fs::path &dir : {folders.voiceDir, folders.tempDir}) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) continue;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
      if (error) *error = "Cannot create the folder " + dir.string() + ": " + (ec ? ec.message() : "not a folder");
      return false;
    }
  }
  return true;
}

int emptyTempFolder(const fs::path &tempDir) {
  int deleted = 0;
  std::error_code ec;
  for (fs::directory_iterator it(tempDir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->symlink_status(typeError).type() == fs::file_type::directory) continue;
    std::error_code removeError;
    if (fs::remove(it->path(), removeError)) ++deleted;
  }
  return deleted;
}

}  // namespace app
