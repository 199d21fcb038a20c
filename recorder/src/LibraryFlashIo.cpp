#include "recorder/FlashIo.h"

namespace recorder {

namespace {

class LibraryFlashIo final : public FlashIo {
 public:
  uint8_t initialize() override { return SSFDCInitialize(0); }
  Q417Handle deviceHandle() override { return DEVICEGetHandle(); }
  void setDeviceHandle(Q417Handle handle) override { DEVICESetHandle(handle); }
  Q417Handle registerNotification(Q417Window *window) override {
    return RegisterUsbDeviceNotificationByInterface(window);
  }
  uint16_t flashId() override { return SSFDCGetFlashIDLun(0); }
  int readBlock(uint8_t *raw, uint32_t block) override { return SSFDCReadBlockEx(raw, block, 1); }
  int eraseBlock(uint32_t block) override { return SSFDCEraseBlock(block, 1); }
  int writeBlock(uint8_t *raw, uint32_t block) override { return SSFDCWriteBlockEx(raw, block, 1); }
};

}  // namespace

std::unique_ptr<FlashIo> makeLibraryFlashIo() { return std::make_unique<LibraryFlashIo>(); }

}  // namespace recorder
