// The recorder's flash I/O library as the application calls it. One
// implementation calls libq417io.so; tests put the in-process flash behind
// it (testsupport/MemoryFlashIo.h).
#pragma once

#include <cstdint>
#include <memory>

#include "q417io.h"

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

}  // namespace recorder
