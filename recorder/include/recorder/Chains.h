// Files as chains of blocks: the data block spare, a file's block list and
// length, following and repairing a chain whose end was cut off, retiring
// bad blocks, choosing a writable block and counting the available ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "recorder/FlashVolume.h"

namespace recorder {

class Chains {
 public:
  explicit Chains(FlashVolume &volume) : v_(volume) {}

  // --- A file's shape -----------------------------------------------------
  // Blocks of a file of this many pages (pages / 64 rounded up).
  static uint32_t blocksForPages(uint32_t pages) { return (pages + kPagesPerBlock - 1) / kPagesPerBlock; }
  // Pages used in its last block (pages mod 64, 0 meaning 64).
  static uint32_t pagesInLastBlock(uint32_t pages) {
    uint32_t r = pages % kPagesPerBlock;
    return r == 0 ? kPagesPerBlock : r;
  }
  // The byte count n (1..2048) of a last used page as page 63's spare holds
  // it: r = n mod 512 (0 stored as 512 with q one less) in bytes 0-1, q in byte 2.
  static void encodeLastPageCount(uint32_t n, uint8_t *bytes);

  // The block list of a file from the block map: the first block and
  // blocks - 1 further blocks. False when the list would leave the chip (a
  // first block, a link or a length beyond it, or no pages at all).
  bool fileBlocks(uint32_t first, uint32_t pages, std::vector<uint32_t> &blocks) const;

  // --- Spares -------------------------------------------------------------
  // The spare image (64 x 64 bytes) of a data block: next in page 0 (0 marks
  // the last block: 0xFAFE); count >= 0 is the last page's byte count in
  // page 63; every other byte 0xFF.
  static void buildChainSpare(uint32_t next, int count, uint8_t *spare);
  // GetFlashBlockNextChainInfo: buildChainSpare, and a non-zero next is
  // erased at once. Its result never stops a write; true tells the writer
  // that next is erased and needs no second erase before it is written.
  bool GetFlashBlockNextChainInfo(uint32_t next, uint8_t *spare, int count);

  // --- Following a chain on the flash ---------------------------------------
  // GetEndOfBlockAndFix: follows the chain from start on the flash, finds the
  // file's last written byte, cuts voice data (mode 0x55, 0xAA, 0xBB) to
  // whole 10-byte frames, rewrites the last block with the end mark and the
  // byte count, and returns the blocks and the pages in the last block.
  // mayFollow, when given, is asked before each link is followed; a refused
  // block ends the chain at the block before it.
  // False: nothing of the file reached the flash (the system image has been
  // written, which clears the pending job), or the link, a read or the
  // rewrite of the last block failed. chainEnd() tells which.
  bool GetEndOfBlockAndFix(uint32_t start, uint8_t mode, std::vector<uint32_t> &blocks, uint32_t &pagesInLast,
                           const std::function<bool(uint32_t)> &mayFollow = {});
  enum class ChainEnd {
    Repaired,        // the chain ends in its rewritten last block
    NothingWritten,  // no block of the file holds data; the record is cleared
    Failed,          // the link, a read or a write failed: the record stays
  };
  ChainEnd chainEnd() const { return chainEnd_; }
  // The header page of the chain's first block as the walk read it: the
  // directory record of the file it enters.
  const std::vector<uint8_t> &headerPage() const { return headerPage_; }

  // --- Bad blocks and free space ----------------------------------------------
  // AddFlashBadBlock: lists the block in the header, marks it 0xEEEE in the
  // block map and writes the system image; the result is that of the write.
  bool AddFlashBadBlock(uint32_t block);
  // GetFlashWriteableBlock: the first block from start up to block count - 3
  // that the map marks free, that is not listed bad and not among the first n
  // of exclude. 0 when there is none; the search never wraps around.
  uint32_t GetFlashWriteableBlock(uint32_t start, const uint32_t *exclude = nullptr, size_t n = 0) const;
  uint32_t GetFlashWriteableBlock(uint32_t start, const std::vector<uint32_t> &exclude) const {
    return GetFlashWriteableBlock(start, exclude.data(), exclude.size());
  }
  // The blocks GetFlashWriteableBlock can give from start upward.
  uint32_t writableBlockCount(uint32_t start) const;
  // GetFlashAvaliableBlockCount: block count - blocks used by the folders -
  // the header's bad-block count - 6 (negative on an inconsistent image).
  int GetFlashAvaliableBlockCount() const;

 private:
  bool readChainBlock(uint32_t block, uint8_t *raw);
  bool chainReadError();
  FlashVolume &v_;
  ChainEnd chainEnd_ = ChainEnd::Failed;
  std::vector<uint8_t> headerPage_;
};

// Position after the last data byte of a raw block that is not 0xFF (0 when
// every data byte is 0xFF).
uint32_t dataLength(const uint8_t *raw);

}  // namespace recorder
