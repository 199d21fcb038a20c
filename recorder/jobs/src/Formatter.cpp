#include "recorder/jobs/Formatter.h"

#include <cstring>

#include "components/JobUi.h"
#include "recorder/BlockIo.h"
#include "recorder/Index.h"
#include "recorder/RecorderPanel.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Messages.h"

namespace recorder::jobs {

using components::MsgKind;

namespace {

// A format fails when more bad blocks than this are listed at its end.
constexpr uint32_t kFormatBadBlockLimit = 126;

}  // namespace

void fillTestPattern(uint8_t *raw) {
  for (uint32_t p = 0; p < kPagesPerBlock; ++p) std::memset(raw + p * kRawPageSize, p % 2 == 0 ? 0xFF : 0x00, kRawPageSize);
}

Outcome Formatter::PreFlashFormat() {
  if (!v_.link.connected) return Outcome::failed("the recorder is not connected");
  if (!v_.ui.chooseModel(v_.image.modelName())) return Outcome::declined("no model was chosen");
  return FormatFlashMemory();
}

Outcome Formatter::FormatFlashMemory() {
  components::JobUi &ui = v_.ui;
  if (!v_.link.connected) return Outcome::failed("the recorder is not connected");
  if (ui.messageBox(keys::kTitleFormat, keys::kFormatQuestion, MsgKind::Warning, components::kButtonsYesNo) !=
      components::kResultYes) {
    ui.messageBox(keys::kTitleInitialize, keys::kNotFormatted, MsgKind::Information, components::kButtonsOk);
    return Outcome::declined();
  }
  return formatNow();
}

Outcome Formatter::formatNow() {
  components::JobUi &ui = v_.ui;
  if (!v_.link.deviceOpen) {
    v_.link.DisconnectUSB();
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  SystemBlock(v_).SetDefaultFAT0Info();
  // The empty file system and the format record reach block 0 before any
  // other block is touched. Without them the surface test would erase the
  // blocks that the old index still names: the format stops here instead.
  if (!WritePreFormatStatus()) {
    v_.link.indexed = false;
    showError(ui, keys::kKindRecorder, keys::kFormatFailed);
    return Outcome::failed();
  }
  bool formatted = StartFormatFlashMemory();
  if (v_.link.connected) {
    if (onCapacity) onCapacity();
    // A failed format leaves the recorder without an index until it is
    // formatted again: the image in block 0 still carries the format
    // record, and reading it as the index would let jobs write into it.
    if (!formatted) {
      if (panel_) panel_->ClearFlashFolder();
    } else if (panel_) {
      panel_->RefreshFlashFolderInfo(1, true);
    } else if (!Index(v_).GetFlashIndex()) {
      v_.link.DisconnectUSB();
    }
  }
  return formatted ? Outcome::done() : Outcome::failed();
}

bool Formatter::WritePreFormatStatus() {
  PendingJob job = PendingJob::format();
  return SystemBlock(v_).WriteSystemImage(&job);
}

bool Formatter::StartFormatFlashMemory() {
  components::JobUi &ui = v_.ui;
  v_.link.geometry.setFromFlashId(v_.link.geometry.flashId);
  // Allocation and formatting start above the reserved block at 0x64.
  if (!FormatingFlashMemory(v_.image.reservedBlock() + 1u)) {
    showError(ui, keys::kKindRecorder, keys::kFormatFailed);
    v_.link.indexed = false;
    return false;
  }
  SystemBlock system(v_);
  system.SetDefaultFAT0Info();
  if (!system.WriteSystemImage()) {
    // The format record stays in block 0: the next connection formats again.
    showError(ui, keys::kKindRecorder, keys::kFormatFailed);
    v_.link.indexed = false;
    return false;
  }
  v_.directory.clear();
  if (panel_) panel_->ClearFlashFolder();
  v_.link.indexed = true;
  return true;
}

bool Formatter::FormatingFlashMemory(uint32_t start) {
  components::JobUi &ui = v_.ui;
  const uint32_t count = v_.blockCount();
  const double chipBytes = static_cast<double>(count) * kBlockDataSize;
  const std::string title = ui.text(keys::kTitleFormat);
  const std::string counter = "1 of 1 Recorder";
  ui.progressOpen(title);
  ui.progressTitle(title, true);
  ui.progressLines("", ui.text(keys::kTextTesting));
  ui.progressCurrent(0, "");
  std::string totalLabel = "Total  0 / " + components::formatKbytes(chipBytes) + " Kbyte(s)";
  ui.progressTotal(0, counter, totalLabel);
  ui.progressCancelVisible(false);
  ui.clearCancel();

  int percent = 0;
  auto closeWindow = [&] {
    ui.progressTotal(percent, counter, totalLabel);
    ui.progressTitle(title, false);
    ui.progressCancelVisible(true);
    ui.progressClose();
  };
  auto pattern = allocRawBlock();
  auto raw = allocRawBlock();
  if (!pattern || !raw) {
    closeWindow();
    showError(ui, keys::kKindProgram, keys::kRecorderFull);
    return false;
  }
  fillTestPattern(pattern.get());

  BlockIo io(v_);
  bool linkLost = false;
  for (uint32_t b = start; b < count; ++b) {
    if (v_.badBlocks.contains(b)) continue;
    bool good = io.writeRaw(b, pattern.get()) == 0;
    if (good) {
      BlockIo::Read r = io.readClean(b, raw.get(), damage::kSurfaceTest, BlockIo::Retry{false, false, true});
      if (r == BlockIo::Read::Damaged) {
        closeWindow();
        showError(ui, keys::kKindRecorder, keys::kReadDamaged);
        return false;
      }
      good = r == BlockIo::Read::Ok && std::memcmp(raw.get(), pattern.get(), kRawBlockSize) == 0 && io.erase(b) == 0;
    }
    if (!good) {
      try {
        if (v_.link.io) v_.link.io->initialize();
      } catch (...) {
      }
      v_.badBlocks.add(b);
    }
    double done = static_cast<double>(b + 1) * kBlockDataSize;
    percent = components::percentOf(b, count);
    totalLabel = components::kbytesLabel(done, chipBytes);
    ui.progressCurrent(percent, totalLabel);
    ui.progressTotal(percent, counter, totalLabel);
    ui.pump();
    // A lost link fails every block that is left: they are not all listed
    // as bad, the test ends and the format record repeats it next time.
    if (!v_.link.deviceOpen) {
      linkLost = true;
      break;
    }
    if (ui.cancelRequested()) break;
  }
  closeWindow();
  if (linkLost) return false;
  bool tooMany = v_.badBlocks.count() > kFormatBadBlockLimit;
  if (tooMany) showError(ui, keys::kKindRecorder, keys::kTooManyBadBlocks);
  return !tooMany && !v_.badBlocks.contains(0);
}

}  // namespace recorder::jobs
