#include "recorder/Geometry.h"

namespace recorder {

bool FlashGeometry::setFromFlashId(uint16_t id) {
  uint8_t code = static_cast<uint8_t>(id & 0xFF);
  if (code != kDeviceCode256MB && code != kDeviceCode128MB) return false;
  flashId = id;
  pagesPerBlock = 64;
  pageDataSize = 2048;
  spareSize = 64;
  blockCount = code == kDeviceCode256MB ? 2048 : 1024;
  lastSystemPage = code == kDeviceCode256MB ? 10 : 9;
  blockDataSize = pageDataSize * pagesPerBlock;
  rawBlockSize = (pageDataSize + spareSize) * pagesPerBlock;
  return true;
}

}  // namespace recorder
