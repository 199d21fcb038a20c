#include "testsupport/Tools.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace testsupport {

namespace fs = std::filesystem;

std::optional<fs::path> findTool(const std::string &name) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) return candidate;
  }
  return std::nullopt;
}

fs::path requireTool(const std::string &name) {
  if (auto tool = findTool(name)) return *tool;
  throw MissingTool(name + " is not installed: this test needs it (scripts/setup installs it)");
}

}  // namespace testsupport
