#include "BenchRecorder.h"

#include "recorder/Fsck.h"
#include "recorder/Geometry.h"
#include "recorder/jobs/DefaultImage.h"
#include "recorder/jobs/Writer.h"

namespace bench {

void BenchUi::pump() {
  ScriptedJobUi::pump();
  if (onPump) onPump();
}

BenchRecorder::BenchRecorder(uint32_t blocks) : flash_(q417io::Flash::inMemory(blocks)), meter_(*flash_) {
  ui_.onPump = [this] {
    if (session_) session_->pollLink();
  };
}

BenchRecorder::~BenchRecorder() { session_.reset(); }

bool BenchRecorder::format(std::string *error) {
  session_.reset();
  flash_->reconnect();
  meter_.enter("setup");
  return recorder::jobs::formatAndFill(meter_, ui_, {}, error);
}

void BenchRecorder::restore(const Snapshot &s) {
  session_.reset();
  flash_->memory()->restore(s);
}

bool BenchRecorder::connect() {
  session_.reset();
  flash_->reconnect();
  meter_.cutAfter = nullptr;
  meter_.enter("connect");
  recovery_ = {};
  session_ = std::make_unique<recorder::jobs::Session>(meter_, ui_);
  // The connection sequence runs the recovery through the panel's hook.
  session_->panel().remainJob = [this] {
    recorder::FlashVolume &v = session_->volume();
    // The check reads block 0 and the backup, and writes the backup again
    // when it is out of date; what follows is the recovery.
    const uint32_t backup = v.image.backupBlock();
    meter_.enterWhile("check", {0u, backup}, {backup}, "recovery");
    recovery_ = recorder::jobs::Recovery(v, &session_->panel()).CheckFlashRemainJob();
    meter_.enter("connect");
  };
  return session_->connect();
}

bool BenchRecorder::put(int folder, const std::vector<std::filesystem::path> &files) {
  meter_.enter("setup");
  return recorder::jobs::Writer(volume()).OnBtnFileToFlashClick(folder, files).ok();
}

std::string BenchRecorder::fsck() {
  recorder::MemoryFlashIo plain(*flash_);
  recorder::FlashGeometry geometry;
  geometry.setFromFlashId(q417io::flashIdForBlocks(flash_->blockCount()));
  std::string text;
  for (const recorder::Violation &v : recorder::Fsck(plain, geometry).run()) text += v.code + ": " + v.message + "\n";
  return text;
}

}  // namespace bench
