// Where "Q417.ini" is looked for: the XDG config folders (the user's first),
// then the program's own folder, then the installed data folder.
#pragma once

#include <filesystem>
#include <vector>

namespace components {

// The folders to search, in order: $XDG_CONFIG_HOME/quillorn (or
// ~/.config/quillorn), each folder of $XDG_CONFIG_DIRS (or /etc/xdg) followed
// by /quillorn, programDir, dataDir. Empty entries are left out.
std::vector<std::filesystem::path> iniSearchFolders(const std::filesystem::path &programDir,
                                                    const std::filesystem::path &dataDir);

// The first folder that holds a regular file of this name, joined with the
// name; empty when none does.
std::filesystem::path findInFolders(const std::vector<std::filesystem::path> &folders,
                                    const std::filesystem::path &name);

// The folder of the running program file (from /proc/self/exe).
std::filesystem::path runningProgramFolder();

}  // namespace components
