#include "components/texts/IniSearch.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

namespace components {

namespace {

std::string env(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::vector<std::filesystem::path> iniSearchFolders(const std::filesystem::path &programDir,
                                                    const std::filesystem::path &dataDir) {
  std::vector<std::filesystem::path> folders;
  std::string configHome = env("XDG_CONFIG_HOME");
  if (configHome.empty() && !env("HOME").empty()) configHome = env("HOME") + "/.config";
  if (!configHome.empty()) folders.emplace_back(std::filesystem::path(configHome) / "quillorn");
  std::string configDirs = env("XDG_CONFIG_DIRS");
  if (configDirs.empty()) configDirs = "/etc/xdg";
  std::string_view rest = configDirs;
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::string_view dir = rest.substr(0, colon);
    if (!dir.empty()) folders.emplace_back(std::filesystem::path(dir) / "quillorn");
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  if (!programDir.empty()) folders.push_back(programDir);
  if (!dataDir.empty()) folders.push_back(dataDir);
  return folders;
}

std::filesystem::path findInFolders(const std::vector<std::filesystem::path> &folders,
                                    const std::filesystem::path &name) {
  for (auto &folder : folders) {
    std::error_code ec;
    auto candidate = folder / name;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return {};
}

std::filesystem::path runningProgramFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace components
