// The program's data folders: "VoiceData" (home of the PC browser) and
// "TempData" (temporary files, emptied at every start). They live beside the
// program when its folder is writable (build tree, portable use), otherwise
// in the user's data folder.
#pragma once

#include <filesystem>
#include <string>

namespace app {

struct AppFolders {
  std::filesystem::path programDir;  // folder of the running program
  std::filesystem::path baseDir;     // where the data folders live
  std::filesystem::path voiceDir;
  std::filesystem::path tempDir;
  std::filesystem::path tempRecording;  // TempData/TempRecording.dvg
};

// $XDG_DATA_HOME/quillorn, or ~/.local/share/quillorn.
std::filesystem::path userDataFolder();

// Chooses the folders: beside the program when programDir is writable,
// otherwise under dataHome.
AppFolders chooseAppFolders(const std::filesystem::path &programDir, const std::filesystem::path &dataHome);

// Creates the voice folder, then the temporary folder, when they don't
// exist. On failure returns false and describes it in *error.
bool createAppFolders(const AppFolders &folders, std::string *error);

// Deletes every file in the folder that is not a folder (read-only files
// included; subfolders and their contents stay). Files that cannot be
// deleted stay without a message. Returns the number deleted.
int emptyTempFolder(const std::filesystem::path &tempDir);

}  // namespace app
