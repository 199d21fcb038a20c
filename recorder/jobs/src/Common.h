// Small helpers the job sources share.
#pragma once

#include <string>

#include "recorder/Layout.h"

namespace recorder::jobs {

inline bool validFolder(int folder) { return folder >= 1 && folder <= sysblock::kFolders; }
// "A" to "H" for folders 1 to 8, as the folder tree names them.
inline std::string folderName(int folder) { return std::string(1, static_cast<char>('A' + folder - 1)); }
// Folders 1 to 4 hold voice recordings, 5 to 8 MP3 files.
inline bool mp3Folder(int folder) { return folder >= 5 && folder <= 8; }

}  // namespace recorder::jobs
