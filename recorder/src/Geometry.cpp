#include "recorder/Geometry.h"

namespace recorder {

bool FlashGeometry::setFromFlashId(uint16_t id) {
  uint8_t code = static_cast<uint8_t>(id & 0xFF);
  if (code != kDeviceCode256MB && code != kDeviceCode128MB) return false;
  flashId = id;
  pagesPerBlock = kPagesPerBlock;
  pageDataSize = kPageSize;
  spareSize = kSpareSize;
  blockCount = code == kDeviceCode256MB ? kBlocks256MB : kBlocks128MB;
  lastSystemPage = sysblock::lastSystemPage(blockCount);
  blockDataSize = pageDataSize * pagesPerBlock;
  rawBlockSize = (pageDataSize + spareSize) * pagesPerBlock;
  return true;
}

}  // namespace recorder
