// The in-memory system image (header page, eight folder pages, block map),
// the bad-block list loaded from its header, and the pending-job record.
// Every recorder job edits the image and then writes it whole.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "recorder/Layout.h"

namespace recorder {

class SystemImage {
 public:
  struct Entry {
    uint16_t firstBlock = 0;
    uint32_t pages = 0;  // size in pages of 2048 bytes
  };

  SystemImage() { bytes.fill(0xFF); }

  uint8_t *header() { return bytes.data(); }
  const uint8_t *header() const { return bytes.data(); }
  // folder: 1..8
  uint8_t *folderPage(int folder) { return bytes.data() + folder * kPageSize; }
  const uint8_t *folderPage(int folder) const { return bytes.data() + folder * kPageSize; }
  uint8_t *blockMap() { return bytes.data() + sysblock::kBlockMapPage * kPageSize; }
  const uint8_t *blockMap() const { return bytes.data() + sysblock::kBlockMapPage * kPageSize; }

  // Header fields.
  bool hasSignature() const;
  uint8_t folderCount() const { return header()[header::kFolderCount]; }
  uint8_t filesPerFolder() const { return header()[header::kFilesPerFolder]; }
  uint16_t systemBlock() const { return readU16(header() + header::kSystemBlock); }
  uint16_t backupBlock() const { return readU16(header() + header::kBackupBlock); }
  uint16_t reservedBlock() const { return readU16(header() + header::kReservedBlock); }
  uint16_t reservedBlock2() const { return readU16(header() + header::kReservedBlock2); }
  uint8_t badBlockCount() const { return header()[header::kBadBlockCount]; }
  uint16_t badBlockTableEntry(uint32_t i) const { return readU16(header() + header::kBadBlockTable + 2 * i); }
  // The 8-character model-name field, written by the model dialog.
  char *modelName() { return reinterpret_cast<char *>(header() + header::kModelName); }
  std::string modelNameText() const;

  // Folder pages (folder 1..8, index counted from 0).
  uint16_t fileCount(int folder) const { return readU16(folderPage(folder) + folderpage::kFileCount); }
  void setFileCount(int folder, uint32_t n) { writeU16(folderPage(folder) + folderpage::kFileCount, n); }
  uint32_t blocksUsed(int folder) const { return readU24(folderPage(folder) + folderpage::kBlocksUsed); }
  void setBlocksUsed(int folder, uint32_t n) { writeU24(folderPage(folder) + folderpage::kBlocksUsed, n); }
  Entry entry(int folder, uint32_t index) const;
  void setEntry(int folder, uint32_t index, Entry e);
  // The vacated entry reads 0xFF in all five bytes.
  void clearEntry(int folder, uint32_t index);
  bool entryErased(int folder, uint32_t index) const;
  // Sum of the blocks-used fields of the eight folder pages.
  uint32_t totalBlocksUsed() const;

  // Block map.
  uint16_t mapEntry(uint32_t block) const {
    return block < kMaxBlocks ? readU16(blockMap() + sysblock::kMapEntrySize * block) : blockmap::kBad;
  }
  void setMapEntry(uint32_t block, uint16_t value) {
    if (block < kMaxBlocks) writeU16(blockMap() + sysblock::kMapEntrySize * block, value);
  }

  std::array<uint8_t, sysblock::kImageSize> bytes;
};

// The bad-block list, in the order found; the header's table holds 128.
class BadBlockList {
 public:
  const std::vector<uint16_t> &blocks() const { return blocks_; }
  uint32_t count() const { return static_cast<uint32_t>(blocks_.size()); }
  bool contains(uint32_t block) const;
  // Appends a block; false (nothing kept) once the table is full.
  bool add(uint32_t block);
  void clear() { blocks_.clear(); }
  // Loads the first count entries of the header's table (clamped to 128).
  void loadFrom(const SystemImage &image);
  // Writes the count byte and the table (the rest 0xFFFF) into the header.
  void storeTo(SystemImage &image) const;

 private:
  std::vector<uint16_t> blocks_;
};

// The pending-job record of page 0's spare of the system block, bytes 7 to 15.
// The application writes only the code, number, mode and first block; the
// old value and the rewrite flag are the recorder's own.
struct PendingJob {
  std::array<uint8_t, jobrecord::kLength> bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

  static PendingJob write(int folder, uint32_t number, uint8_t mode, uint32_t firstBlock);
  static PendingJob erase(int folder, uint32_t number);
  static PendingJob format();
  // From the page 0 spare bytes of a system block.
  static PendingJob fromSpare(const uint8_t *spare);
  void storeTo(uint8_t *spare) const;

  uint8_t code() const { return at(jobrecord::kCode); }
  uint8_t number() const { return at(jobrecord::kNumber); }
  uint8_t mode() const { return at(jobrecord::kMode); }
  uint8_t flag() const { return at(jobrecord::kFlag); }
  uint16_t firstBlock() const { return readU16(&bytes[jobrecord::kFirstBlock - jobrecord::kFirst]); }
  // The recorder's 24-bit value; 0 unless the rewrite flag is set.
  uint32_t oldValue() const;
  bool none() const { return code() == jobrecord::kNone; }

 private:
  uint8_t at(uint32_t spareByte) const { return bytes[spareByte - jobrecord::kFirst]; }
  uint8_t &at(uint32_t spareByte) { return bytes[spareByte - jobrecord::kFirst]; }
};

}  // namespace recorder
