// The system block: page check bytes, loading it into the system image,
// restoring block 0 from its copy, the default image of an empty recorder,
// and writing the image back (block 0, then the backup block).
#pragma once

#include <cstdint>

#include "recorder/FlashVolume.h"
#include "recorder/SystemImage.h"

namespace recorder {

class SystemBlock {
 public:
  explicit SystemBlock(FlashVolume &volume) : v_(volume) {}

  // --- Writing the system image: the one sequence every job uses ----------
  // SetFAT0InfoToBuffer, GetCheckSum, the job record when given (only the
  // write, delete and format records), WriteFATInfoToFlash to block 0 and
  // the backup block named at header 0x62. Without a record the write clears
  // any pending job. True when block 0 was written.
  bool WriteSystemImage(const PendingJob *job = nullptr);

  // GetFlashHeaderInfo: loads the system block into the image and the
  // bad-block list. A block 0 that cannot be read, lacks the signature, or
  // fails a check byte of a system page is restored from its first valid
  // copy (read from the copy without writing when the volume is read-only).
  // Without any valid system block: index off, disconnect, false.
  bool GetFlashHeaderInfo();

  // FindFAT1ToLinear: restores block 0 from the first valid copy from block
  // first upward, under the notice window.
  bool FindFAT1ToLinear(uint32_t first);
  // The search alone: the first valid copy from block first upward, into raw.
  // Returns its block number, 0 when there is none.
  uint32_t findValidCopy(uint32_t first, uint8_t *raw);

  // CheckCheckSum: pages 0 to the last system page carry correct check bytes.
  bool CheckCheckSum(const uint8_t *raw) const { return checkPages(raw, v_.link.geometry.lastSystemPage); }
  // A raw block with the signature and correct check bytes in its system pages.
  bool validSystemBlock(const uint8_t *raw) const;

  // SetDefaultFAT0Info on the volume's image with its bad-block list.
  void SetDefaultFAT0Info() { SetDefaultFAT0Info(v_.image, v_.badBlocks, v_.blockCount()); }

  // WriteFATInfoToFlash: block data and spare image to block 0 and then, if
  // that worked, to the backup block. The result is that of block 0.
  bool WriteFATInfoToFlash(uint32_t backup, const uint8_t *data, const uint8_t *spare);

  // Copies a valid raw system block into the volume's image and loads the
  // bad-block list.
  void loadImage(const uint8_t *raw) { loadImage(raw, v_.blockCount(), v_.image, v_.badBlocks); }

  // --- Pure layout functions ---------------------------------------------
  static uint8_t pageCheckByte(const uint8_t *pageData);
  // GetCheckSum: the 64 x 64-byte spare image of block data: each page's
  // check byte in byte 0, 0xFF elsewhere.
  static void GetCheckSum(const uint8_t *data, uint8_t *spare);
  static bool checkPages(const uint8_t *raw, uint32_t lastPage);
  // SetDefaultFAT0Info: header, folder pages and block map of an empty
  // recorder; the model name stays; the bad blocks are listed and mapped.
  static void SetDefaultFAT0Info(SystemImage &image, const BadBlockList &bad, uint32_t blockCount);
  // SetFAT0InfoToBuffer: the image as block data (block data size bytes).
  static void SetFAT0InfoToBuffer(const SystemImage &image, uint32_t blockCount, uint8_t *data);
  // A raw system block into an image: header, folder pages (an erased
  // blocks-used field loads as 0), block count x 2 bytes of block map.
  static void loadImage(const uint8_t *raw, uint32_t blockCount, SystemImage &image, BadBlockList &bad);

 private:
  FlashVolume &v_;
};

}  // namespace recorder
