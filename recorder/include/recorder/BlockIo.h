// Reading and writing whole blocks: the checked read with its damage test and
// re-reads (GetFlashBlockInfo), the block write (WriteFlashBlock), and the raw
// primitives the other readers build on. Library exceptions stop here.
#pragma once

#include <cstdint>
#include <memory>

#include "recorder/FlashVolume.h"
#include "recorder/Layout.h"

namespace recorder {

// A raw block buffer; null when it cannot be allocated.
std::unique_ptr<uint8_t[]> allocRawBlock();

class BlockIo {
 public:
  explicit BlockIo(FlashVolume &volume) : v_(volume) {}

  enum class Read { Ok, Failed, Damaged };
  struct Retry {
    bool retryFailures = false;  // a library result other than 1 is read again too
    bool countOnPanel = false;   // damaged reads go to the retry counter panel
    bool pump = true;            // let events run before each re-read
  };

  // One library read; false on a result other than 1 or an exception.
  bool readRaw(uint32_t block, uint8_t *raw);
  // Reads until page 0's spare bytes in range read 0xFF. Damaged once the
  // 16th damaged read in a row comes back (or, with retryFailures, the 16th
  // failure); Failed at the first library failure otherwise.
  Read readClean(uint32_t block, uint8_t *raw, SpareRange range, Retry retry);

  // The checked read's damage test and re-reads into raw: block 0 tests
  // spare byte 1, the backup block is not tested while the index is loaded,
  // any other block tests bytes 2 to 6. After 16 damaged reads it closes the
  // progress window and shows FM_text_pen_errmsg13. True when read.
  bool checkedRead(uint32_t block, uint8_t *raw);

  // GetFlashBlockInfo: the checked read into data (block data size bytes).
  // next == 0 on entry: returns 0 when the signature is present, -1 when not.
  // next != 0: next receives page 0's spare link, the result is the byte count
  // of the last page's spare (0 when that field is erased). -2: read failed.
  int GetFlashBlockInfo(uint32_t block, uint8_t *data, uint32_t &next);

  // WriteFlashBlock: erases the block and programs data with the spare image
  // of all 64 pages (or all 0xFF when spare is null). 0 written, -1 erase or
  // write refused (the library is initialised again), -2 the library raised.
  int WriteFlashBlock(uint32_t block, const uint8_t *data, const uint8_t *spare);
  // The same for a raw block buffer.
  int writeRaw(uint32_t block, const uint8_t *raw);
  // Programs a raw block without erasing it first: only for a block the
  // caller erased itself, with no operation on it since.
  int programErased(uint32_t block, const uint8_t *raw);
  // Erases one block; a refusal initialises the library again. -2 on an exception.
  int erase(uint32_t block);

  // Layout helpers for raw blocks.
  static void rawToData(const uint8_t *raw, uint8_t *data);
  static void dataToRaw(const uint8_t *data, const uint8_t *spare, uint8_t *raw);
  static bool spareClean(const uint8_t *raw, SpareRange range);
  static uint16_t nextLink(const uint8_t *raw);
  // The byte count of page 63's spare: r + 512 q, 0 when r reads 0xFFFF.
  static uint32_t lastPageByteCount(const uint8_t *raw);
  static bool hasSignature(const uint8_t *raw);

 private:
  void reinitialize();
  FlashVolume &v_;
};

}  // namespace recorder
