#include "testsupport/MemoryFlashIo.h"

#include "q417io/Flash.h"
#include "recorder/Layout.h"

namespace recorder {

// The in-process flash stands in for the recorder's chip: both sides must
// see the same blocks.
static_assert(q417io::kPagesPerBlock == kPagesPerBlock && q417io::kPageDataSize == kPageSize &&
              q417io::kSpareSize == kSpareSize && q417io::kRawBlockSize == kRawBlockSize);
static_assert(q417io::kDeviceCode1024 == kDeviceCode128MB && q417io::kDeviceCode2048 == kDeviceCode256MB);

uint8_t MemoryFlashIo::initialize() {
  open_ = attached_ && flash_.linked();
  return open_ ? 1 : 0;
}

void MemoryFlashIo::setDeviceHandle(Q417Handle handle) {
  if (handle == -1) open_ = false;
}

Q417Handle MemoryFlashIo::registerNotification(Q417Window *window) {
  window_ = window;
  return 1;
}

uint16_t MemoryFlashIo::flashId() { return attached_ ? flash_.id() : 0; }

int MemoryFlashIo::readBlock(uint8_t *raw, uint32_t block) { return attached_ ? flash_.read(raw, block) : 0; }
int MemoryFlashIo::eraseBlock(uint32_t block) { return attached_ ? flash_.erase(block) : 0; }
int MemoryFlashIo::writeBlock(uint8_t *raw, uint32_t block) { return attached_ ? flash_.write(raw, block) : 0; }

void MemoryFlashIo::attach() {
  attached_ = true;
  if (window_ && window_->proc) window_->proc(window_->context, Q417_DEVICE_ARRIVAL);
}

void MemoryFlashIo::detach() {
  attached_ = false;
  open_ = false;
  if (window_ && window_->proc) window_->proc(window_->context, Q417_DEVICE_REMOVECOMPLETE);
}

}  // namespace recorder
