// The texts the recorder half of the main window shows: file list rows,
// folder node texts, status panel 3 and the memory gauge.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/Directory.h"
#include "recorder/SystemImage.h"

namespace recorder {

// "%W.Dn": value with thousands separators and D decimals (rounded half away
// from zero), right-aligned in W characters.
std::string formatN(double value, int width, int decimals);

struct FileRow {
  std::string caption;   // No/Filename: "#%2d/%s"
  std::string ext;       // Ext
  std::string recMode;   // RecMode
  std::string size;      // Size
  std::string recorded;  // Recorded
};

// The size the list shows, in bytes: pages x 2048 less the header page's
// share (1792 for "DVG", in any case, 2048 otherwise).
int64_t listedBytes(uint32_t pages, const std::string &ext);
// "%6d B" below 1024 bytes, "%6.0n K" otherwise.
std::string sizeText(uint32_t pages, const std::string &ext);
// "YY-MM-DD AM h:mm" ("%2.2d-%2.2d-%2.2d %s%2.1d:%2.2d").
std::string recordedText(const tFLASHFILEINFO &record);
// "TTS" for flag T, "G.729" for an SP recording, else the mode text.
std::string recModeText(const tFLASHFILEINFO &record);
FileRow fileRow(const tFLASHFILEINFO &record, int number);
std::vector<FileRow> fileRows(const std::vector<tFLASHFILEINFO> &records);

// Tree node name at build time: 'A' + folder - 1, then " Folder".
std::string folderNodeName(int folder);
// "%s-#%2.2d/%8.0n KB": letter (A..D for folders 1-4 and again for 5-8),
// file count, kilobytes of the folder's pages.
std::string folderNodeText(int folder, const std::vector<tFLASHFILEINFO> &records);
// "Total  %d file(s),   %8.2n Kbyte(s)" over every folder.
std::string totalText(const Directory &directory);
// (blocks used by the folders + bad blocks + 6) / block count x 100, truncated.
int memoryGauge(const SystemImage &image, uint32_t blockCount);

// "YY-MM-DD" and "HH:MM:SS" of a record, for the tool's listing.
std::string dateText(const tFLASHFILEINFO &record);
std::string timeText(const tFLASHFILEINFO &record);

}  // namespace recorder
