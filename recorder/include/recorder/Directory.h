// The recorder directory in memory: per folder the records of its files, in
// index order, filled from the folder pages and each file's header page.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "recorder/Layout.h"

namespace recorder {

struct tFLASHFILEINFO {
  uint32_t firstBlock = 0;
  std::string name;  // header bytes 112..239 up to the first 0xFF
  std::string ext;   // header bytes 240..255 up to the first 0xFF
  char flagP = 'N';  // 'P' when header byte 11 is 0xAA
  char flagT = 'N';  // 'T' when header byte 13 is 0xAA
  std::array<uint8_t, 3> date{};  // year, month, day
  std::array<uint8_t, 3> time{};  // hour, minute, second
  uint32_t pages = 0;
  std::string mode;  // "LP", "SP", "HQ" or "--"

  // Fills the fields that come from a file's header page.
  static tFLASHFILEINFO fromHeader(const uint8_t *headerPage, uint32_t firstBlock, uint32_t pages);
};

// "LP", "SP", "HQ" for the recording mode bytes 0x55, 0xAA, 0xBB; "--" otherwise.
std::string recordingModeText(uint8_t mode);

struct Directory {
  std::array<std::vector<tFLASHFILEINFO>, sysblock::kFolders> folders;

  // folder: 1..8
  std::vector<tFLASHFILEINFO> &records(int folder) { return folders[folder - 1]; }
  const std::vector<tFLASHFILEINFO> &records(int folder) const { return folders[folder - 1]; }
  uint32_t fileCount(int folder) const { return static_cast<uint32_t>(records(folder).size()); }
  void clear() {
    for (auto &f : folders) f.clear();
  }
};

}  // namespace recorder
