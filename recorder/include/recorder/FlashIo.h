// The recorder's flash I/O library as the application calls it. One
// implementation calls libq417io.so; tests use the in-process flash.
#pragma once

#include <cstdint>
#include <memory>

#include "q417io.h"

namespace q417io {
class Flash;
}

namespace recorder {

class FlashIo {
 public:
  virtual ~FlashIo() = default;
  virtual uint8_t initialize() = 0;                          // SSFDCInitialize(0)
  virtual Q417Handle deviceHandle() = 0;                     // DEVICEGetHandle
  virtual void setDeviceHandle(Q417Handle handle) = 0;       // DEVICESetHandle
  virtual Q417Handle registerNotification(Q417Window *window) = 0;
  virtual uint16_t flashId() = 0;                            // SSFDCGetFlashIDLun(0)
  virtual int readBlock(uint8_t *raw, uint32_t block) = 0;   // SSFDCReadBlockEx(raw, block, 1)
  virtual int eraseBlock(uint32_t block) = 0;                // SSFDCEraseBlock(block, 1)
  virtual int writeBlock(uint8_t *raw, uint32_t block) = 0;  // SSFDCWriteBlockEx(raw, block, 1)
};

// Calls the eight functions of the linked I/O library.
std::unique_ptr<FlashIo> makeLibraryFlashIo();

// Over an in-process flash (not owned). Arrival and removal are simulated
// with attach() and detach(), which report to the registered window.
class MemoryFlashIo final : public FlashIo {
 public:
  explicit MemoryFlashIo(q417io::Flash &flash) : flash_(flash) {}
  uint8_t initialize() override;
  Q417Handle deviceHandle() override { return attached_ && open_ ? 3 : -1; }
  void setDeviceHandle(Q417Handle handle) override;
  Q417Handle registerNotification(Q417Window *window) override;
  uint16_t flashId() override;
  int readBlock(uint8_t *raw, uint32_t block) override;
  int eraseBlock(uint32_t block) override;
  int writeBlock(uint8_t *raw, uint32_t block) override;

  void attach();
  void detach();
  bool attached() const { return attached_; }
  q417io::Flash &flash() { return flash_; }

 private:
  q417io::Flash &flash_;
  Q417Window *window_ = nullptr;
  bool attached_ = true;
  bool open_ = false;
};

}  // namespace recorder
