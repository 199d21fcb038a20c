// A connected recorder on the in-process flash: the flash, its I/O, the link
// as the connection sequence leaves it, a scripted job UI and the volume.
#pragma once

#include <memory>

#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/FlashVolume.h"
#include "recorder/Link.h"
#include "testsupport/MemoryFlashIo.h"

namespace rectest {

class TestRecorder {
 public:
  explicit TestRecorder(uint32_t blocks = 1024);
  // Over an existing flash (not owned).
  explicit TestRecorder(q417io::Flash &flash);

  // The state after the chip was identified: geometry set, device open,
  // connected; the index not loaded. Counts disconnects.
  void connect();
  // A new connection: the flash's link, faults and counters are reset.
  void reconnect();

  q417io::Flash &flash() { return *flash_; }
  recorder::MemoryFlashIo io;
  recorder::Link link;
  components::ScriptedJobUi ui;
  recorder::FlashVolume volume;
  int disconnects = 0;

 private:
  std::unique_ptr<q417io::Flash> owned_;
  q417io::Flash *flash_;
};

}  // namespace rectest
