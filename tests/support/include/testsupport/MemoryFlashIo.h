// The recorder's flash I/O over the in-process flash with its faults: what
// tests, fuzzers and benchmarks put where the program has libq417io.so.
#pragma once

#include <cstdint>

#include "recorder/FlashIo.h"

namespace q417io {
class Flash;
}

namespace recorder {

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
