// Lays out a recorder's file system the way the recorder does, for tests,
// the benchmark and the tool tests: an empty file system, then files as
// block chains with their header page, spares, folder entries and block map.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "recorder/FlashVolume.h"

namespace rectest {

struct FileSpec {
  int folder = 1;
  std::string name = "REC";
  std::string ext = "DVG";
  uint8_t mode = 0xAA;     // header byte 32
  bool flagP = false;      // header byte 11 = 0xAA
  bool flagT = false;      // header byte 13 = 0xAA
  std::array<uint8_t, 3> date{24, 3, 15};
  std::array<uint8_t, 3> time{13, 5, 9};
  std::vector<uint8_t> data;  // the bytes after the header page
};

struct BuiltFile {
  int folder;
  uint32_t number;  // from 1
  std::vector<uint32_t> blocks;
  uint32_t pages;
};

class ImageBuilder {
 public:
  // Works through the volume's link (a connected recorder).
  explicit ImageBuilder(recorder::FlashVolume &volume) : v_(volume) {}

  // An empty file system with these blocks bad, on an erased chip; writes
  // the system image.
  void format(const std::set<uint32_t> &bad = {});
  // Lays the file out in the first writable blocks above the reserved block,
  // enters it in the image (not yet written: call commit()).
  BuiltFile add(const FileSpec &spec);
  // Writes the system image (block 0 and the backup).
  void commit();

  // The 2048-byte header page of a file.
  static std::vector<uint8_t> headerPage(const FileSpec &spec);
  // Deterministic content of n bytes that never ends in 0xFF.
  static std::vector<uint8_t> pattern(size_t n, uint32_t seed = 1);

 private:
  recorder::FlashVolume &v_;
};

}  // namespace rectest
