// Flash chips for the fuzz targets, described in the few bytes that the
// recorder's file system reads, so that a fuzzer's mutations land on fields
// that matter instead of on megabytes of page data.
//
// A chip description, in this order; bytes past the end of the input read
// 0xFF, as erased flash does:
//   options           1 byte, kLargeChip | kGivenCheckBytes | kNoBlock0 | kNoBackup
//   header            page 0 bytes 0..511 of the system block
//   folder pages      8 x 512 bytes: bytes 0..511 of pages 1 to 8
//   block map         2 bytes per block: 2048 (1024 blocks) or 4096 bytes (2048 blocks)
//   page 0 spare      bytes 0..15 (check byte, damage bytes, pending-job record)
//   check bytes       11 bytes, pages 0 to 10, used only with kGivenCheckBytes
//   data blocks       block records (below) until the input ends
// The system block goes into block 0 and into the backup block that its
// header names at 0x62.
//
// A block record (kBlockRecordSize bytes) lays one data block:
//   block             16-bit big-endian, modulo the chip's block count
//   page 0 spare      bytes 0..15 (next block, damage bytes)
//   page 63 spare     bytes 0..2 (byte count of the last page)
//   length            24-bit big-endian: the block's data holds bytes up to here
//   page 0 data       bytes 0..255 (the file header in a first block)
// Data bytes from 256 up to the length are a pattern without 0xFF; the rest
// of the block stays erased.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "q417io/Flash.h"

namespace fuzz {

// Reads input bytes in order; past the end every byte is 0xFF.
class InputBytes {
 public:
  InputBytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  void take(uint8_t *out, size_t n);
  uint8_t byte();
  uint32_t u16();
  uint32_t u24();
  bool done() const { return pos_ >= size_; }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t pos_ = 0;
};

namespace chip {
inline constexpr uint8_t kLargeChip = 0x01;        // 2048 blocks, else 1024
inline constexpr uint8_t kGivenCheckBytes = 0x02;  // page check bytes as given, else correct ones
inline constexpr uint8_t kNoBlock0 = 0x04;         // block 0 erased: only the backup holds the system block
inline constexpr uint8_t kNoBackup = 0x08;         // only block 0 holds it

inline constexpr size_t kHeaderBytes = 512;
inline constexpr size_t kFolderBytes = 512;
inline constexpr size_t kSpareBytes = 16;
inline constexpr size_t kCheckBytes = 11;
inline constexpr size_t kBlockHeaderBytes = 256;
inline constexpr size_t kBlockRecordSize = 2 + kSpareBytes + 3 + 3 + kBlockHeaderBytes;
// More records than this are ignored: a chip of them would only be slower.
inline constexpr size_t kMaxBlockRecords = 64;
}  // namespace chip

uint32_t describedBlockCount(const uint8_t *data, size_t size);

// Lays a chip description onto an erased flash of describedBlockCount blocks.
void layChip(q417io::Flash &flash, const uint8_t *data, size_t size);
// Lays block records until the input ends (or kMaxBlockRecords).
void layBlocks(q417io::Flash &flash, InputBytes &in);

// The description of a chip as it stands (the inverse of layChip for the
// bytes that layChip keeps): its system block and a record for every block
// that the block map gives to a file.
std::vector<uint8_t> describeChip(q417io::Flash &flash, uint8_t options);
// A block record of one block as it stands.
void appendBlockRecord(std::vector<uint8_t> &out, q417io::Flash &flash, uint32_t block);

// The position after the last data byte of a raw block that is not 0xFF.
uint32_t rawDataLength(const uint8_t *raw);

// Recorders made by the program's own jobs: a chip formatted and filled
// with recordings, kept as a snapshot.
struct BaseChip {
  std::string name;
  uint32_t blocks = 0;
  q417io::MemoryStorage::Snapshot snapshot;
};

struct PlacedFile {
  int folder;
  std::filesystem::path file;
};

// Formats a chip of `blocks` blocks (factoryBad fail every erase and write)
// and writes the files into their folders. Aborts when a job fails.
BaseChip makeBaseChip(const std::string &name, uint32_t blocks, const std::vector<uint32_t> &factoryBad,
                      const std::vector<PlacedFile> &files);

// The recorders the recovery target starts from: voice recordings and
// other files in several folders, a chip of each size, one with bad blocks.
// Made once per process in a temporary folder.
const std::vector<BaseChip> &baseChips();

}  // namespace fuzz
