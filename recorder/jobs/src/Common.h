// Small helpers the job sources share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/Directory.h"
#include "recorder/Layout.h"

namespace recorder::jobs {

inline bool validFolder(int folder) { return folder >= 1 && folder <= sysblock::kFolders; }
// "A" to "H" for folders 1 to 8, as the folder tree names them.
inline std::string folderName(int folder) { return std::string(1, static_cast<char>('A' + folder - 1)); }
// Folders 1 to 4 hold voice recordings, 5 to 8 MP3 files.
inline bool mp3Folder(int folder) { return folder >= 5 && folder <= 8; }
// Bytes the selected recordings take on the flash (pages x 2048), the total
// of the progress window.
inline uint64_t selectedBytes(const std::vector<tFLASHFILEINFO> &records, const std::vector<int> &rows) {
  uint64_t total = 0;
  for (int row : rows) total += static_cast<uint64_t>(records[static_cast<size_t>(row)].pages) * kPageSize;
  return total;
}

}  // namespace recorder::jobs
