// Flash geometry, set from the chip's device code.
#pragma once

#include <cstdint>

#include "recorder/Layout.h"

namespace recorder {

struct FlashGeometry {
  uint16_t flashId = 0;
  uint32_t pagesPerBlock = 0;
  uint32_t pageDataSize = 0;
  uint32_t spareSize = 0;
  uint32_t blockCount = 0;
  uint32_t lastSystemPage = 0;
  uint32_t blockDataSize = 0;  // page data size x pages per block
  uint32_t rawBlockSize = 0;   // (page data + spare) x pages per block

  // Sets every field from the low byte of flashId. A code that is neither
  // 0xDA nor 0xF1 leaves the geometry as it was and returns false.
  bool setFromFlashId(uint16_t id);
  uint32_t capacityMB() const {
    return static_cast<uint32_t>(static_cast<uint64_t>(blockDataSize) * blockCount / 1048576);
  }
  bool known() const { return blockCount != 0; }
  // Pages of the block map: 2 bytes per block.
  uint32_t blockMapPages() const { return known() ? sysblock::blockMapPages(blockCount) : 0; }
};

}  // namespace recorder
