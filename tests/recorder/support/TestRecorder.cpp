#include "TestRecorder.h"

namespace rectest {

TestRecorder::TestRecorder(uint32_t blocks)
    : io(*q417io::Flash::inMemory(blocks).release()), volume(link, ui), owned_(&io.flash()), flash_(&io.flash()) {
  connect();
}

TestRecorder::TestRecorder(q417io::Flash &flash) : io(flash), volume(link, ui), flash_(&flash) { connect(); }

void TestRecorder::connect() {
  io.initialize();
  link.io = &io;
  link.geometry.setFromFlashId(io.flashId());
  link.deviceOpen = true;
  link.connected = true;
  link.indexed = false;
  link.onDisconnect = [this] {
    ++disconnects;
    link.deviceOpen = false;
    link.connected = false;
    link.indexed = false;
  };
}

void TestRecorder::reconnect() {
  flash_->reconnect();
  connect();
}

}  // namespace rectest
