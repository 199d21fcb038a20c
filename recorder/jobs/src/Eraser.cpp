#include "recorder/jobs/Eraser.h"

#include <algorithm>
#include <iterator>

#include "components/JobUi.h"
#include "recorder/Chains.h"
#include "recorder/RecorderPanel.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Messages.h"
#include "src/Common.h"

namespace recorder::jobs {

using components::MsgKind;

namespace {

std::string blocksLabel(uint32_t done, uint32_t all) {
  return std::to_string(done) + " / " + std::to_string(all) + " Blocks";
}

}  // namespace

Outcome Eraser::DeleteFlashFile(int folder, std::vector<int> rows) {
  erased_ = 0;
  components::JobUi &ui = v_.ui;
  if (!validFolder(folder)) return Outcome::refused("there is no recorder folder " + std::to_string(folder));
  const auto &records = v_.directory.records(folder);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows)
    if (row < 0 || static_cast<size_t>(row) >= records.size())
      return Outcome::refused("folder " + folderName(folder) + " has no recording " + std::to_string(row + 1));
  if (records.empty() || rows.empty()) return Outcome::nothing("no recording selected");
  if (refuseDamagedIndex(ui, v_.writeRefusal)) return Outcome::refused();

  if (ui.messageBox(keys::kKindNotice, keys::kEraseQuestion, MsgKind::Warning, components::kButtonsYesNo) !=
      components::kResultYes)
    return Outcome::declined("nothing erased");
  if (!v_.link.deviceOpen) {
    v_.link.DisconnectUSB();
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }

  ui.progressOpen(ui.text(keys::kTitleErase));
  const uint64_t total = selectedBytes(records, rows);

  Outcome result = Outcome::done();
  uint64_t erasedBytes = 0;
  int n = 0;
  const int count = static_cast<int>(rows.size());
  // Whether the image last written names a deletion that has not run.
  bool recordLeft = false;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (!v_.link.deviceOpen) {
      result = Outcome::failed("the recorder is not connected");
      break;
    }
    std::string fileCount = components::fileCountLabel(++n, count);
    ui.progressTotal(components::percentOf(static_cast<double>(erasedBytes), static_cast<double>(total)), fileCount,
                     components::totalKbytesLabel(static_cast<double>(erasedBytes), static_cast<double>(total)));
    const uint32_t number = static_cast<uint32_t>(*it) + 1;
    const uint32_t pages = records[static_cast<size_t>(*it)].pages;
    if (!recordLeft) WritePreDeleteStatus(folder, number);
    // Rows run from the last to the first, so the next number stays valid.
    const auto following = std::next(it);
    const PendingJob next =
        following != rows.rend() ? PendingJob::erase(folder, static_cast<uint32_t>(*following) + 1) : PendingJob();
    recordLeft = !next.none();
    if (!DeletingFlashFile(folder, number, recordLeft ? &next : nullptr)) {
      ui.pump();
      if (!ui.cancelRequested()) {
        v_.link.DisconnectUSB();
        ui.progressClose();
        showError(ui, keys::kKindRecorder, keys::kLinkLost);
        result = Outcome::failed();
        recordLeft = false;
        break;
      }
    }
    ui.pump();
    if (ui.cancelRequested()) {
      result = Outcome::cancelled();
      break;
    }
    ++erased_;
    erasedBytes += static_cast<uint64_t>(pages) * kPageSize;
    ui.progressTotal(components::percentOf(static_cast<double>(erasedBytes), static_cast<double>(total)), fileCount,
                     components::totalKbytesLabel(static_cast<double>(erasedBytes), static_cast<double>(total)));
    // The list shrinks by its last item while it shows this folder.
    if (panel_ && panel_->selectedFolder() == folder &&
        !panel_->RunningEraseDisplayFolder(static_cast<int>(v_.directory.fileCount(folder))))
      break;
  }
  // A job that stops early clears the record of the deletion it will not run.
  if (recordLeft && v_.link.deviceOpen) SystemBlock(v_).WriteSystemImage();
  ui.progressClose();
  if (panel_) panel_->RefreshFlashFolderInfo(folder, false);
  return result;
}

bool Eraser::WritePreDeleteStatus(int folder, uint32_t number) {
  PendingJob job = PendingJob::erase(folder, number);
  return SystemBlock(v_).WriteSystemImage(&job);
}

bool Eraser::DeletingFlashFile(int folder, uint32_t number, const PendingJob *next) {
  components::JobUi &ui = v_.ui;
  SystemImage &image = v_.image;
  if (!validFolder(folder)) return false;
  const uint32_t count = std::min<uint32_t>(image.fileCount(folder), folderpage::kMaxEntries);
  if (number < 1 || number > count) return SystemBlock(v_).WriteSystemImage(next);

  ui.progressLines("", "#" + std::to_string(number) + " " + ui.text(keys::kTextErasing));
  ui.clearCancel();

  const SystemImage::Entry e = image.entry(folder, number - 1);
  const uint32_t blocks = Chains::blocksForPages(e.pages);
  // Free the chain in the block map, following it as long as it stays on
  // the chip and in use; reserved and bad blocks are never freed.
  uint32_t cur = e.firstBlock;
  uint32_t freed = 0;
  for (uint32_t k = 0; k < blocks && cur < v_.blockCount(); ++k) {
    uint16_t next = image.mapEntry(cur);
    if (next == blockmap::kFree || next == blockmap::kBad || next == blockmap::kReserved) break;
    image.setMapEntry(cur, blockmap::kFree);
    ++freed;
    ui.progressCurrent(components::percentOf(freed, blocks), blocksLabel(freed, blocks));
    if (next == blockmap::kLast) break;
    cur = next;
  }
  if (freed == 0) ui.progressCurrent(100, blocksLabel(1, 1));

  for (uint32_t i = number - 1; i + 1 < count; ++i) image.setEntry(folder, i, image.entry(folder, i + 1));
  image.clearEntry(folder, count - 1);
  image.setFileCount(folder, count - 1);
  image.setBlocksUsed(folder, image.blocksUsed(folder) - std::min(image.blocksUsed(folder), blocks));

  if (!SystemBlock(v_).WriteSystemImage(next)) return false;
  auto &records = v_.directory.records(folder);
  if (number <= records.size()) records.erase(records.begin() + (number - 1));
  return true;
}

}  // namespace recorder::jobs
