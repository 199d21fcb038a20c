#include "recorder/jobs/Recovery.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "components/JobUi.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/Index.h"
#include "recorder/RecorderPanel.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Messages.h"
#include "recorder/jobs/Writer.h"
#include "src/Common.h"

namespace recorder::jobs {

std::string Recovery::Report::describe() const {
  std::string what;
  switch (job) {
    case Job::None: return "no interrupted job";
    case Job::Write: what = "a write into folder " + folderName(folder); break;
    case Job::Delete: what = "the erasing of recording " + std::to_string(number) + " of folder " + folderName(folder); break;
    case Job::DeleteAll: what = "the erasing of folder " + folderName(folder); break;
    case Job::Format: what = "an initialisation"; break;
    case Job::Unknown: {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", this->code);
      return std::string("an unknown job record ") + code + " (left as it is)";
    }
  }
  if (refused) return "could not finish " + what + ": the recorder's index is damaged (see q417 fsck)";
  return (finished ? "finished " : "could not finish ") + what;
}

std::function<bool(uint32_t)> Recovery::writableChainBlock(int appendFolder, uint32_t appendNumber) const {
  const uint32_t count = v_.blockCount();
  // 0: no recording's, 1: another recording's, 2: the appended recording's.
  auto owner = std::make_shared<std::vector<uint8_t>>(count, 0);
  Chains chains(v_);
  std::vector<uint32_t> blocks;
  for (int f = 1; f <= sysblock::kFolders; ++f) {
    uint32_t files = std::min<uint32_t>(v_.image.fileCount(f), folderpage::kMaxEntries);
    for (uint32_t i = 0; i < files; ++i) {
      SystemImage::Entry e = v_.image.entry(f, i);
      chains.fileBlocks(e.firstBlock, e.pages, blocks);
      const uint8_t mark = f == appendFolder && i + 1 == appendNumber ? 2 : 1;
      for (uint32_t b : blocks)
        if (b < count && (*owner)[b] == 0) (*owner)[b] = mark;
    }
  }
  const FlashVolume *v = &v_;
  const uint32_t reserved = v_.image.reservedBlock();
  return [v, owner, count, reserved](uint32_t b) {
    if (b >= count) return false;
    if ((*owner)[b] == 2) return true;
    return b > reserved && v->image.mapEntry(b) == blockmap::kFree && !v->badBlocks.contains(b) && (*owner)[b] == 0;
  };
}

bool Recovery::refreshBackup(const uint8_t *block0) {
  const uint32_t backup = v_.image.backupBlock();
  if (v_.readOnly || backup == 0 || backup >= v_.blockCount()) return false;
  auto raw = allocRawBlock();
  if (!raw) return false;
  BlockIo io(v_);
  SystemBlock system(v_);
  BlockIo::Read r = io.readClean(backup, raw.get(), damage::kJobRecord, BlockIo::Retry{false, false, true});
  if (r == BlockIo::Read::Failed) return false;
  bool same = r == BlockIo::Read::Ok && system.validSystemBlock(raw.get());
  for (uint32_t p = 0; same && p <= v_.link.geometry.lastSystemPage; ++p)
    same = std::memcmp(raw.get() + rawDataOffset(p), block0 + rawDataOffset(p), kPageSize) == 0;
  const uint32_t record = rawSpareOffset(0) + jobrecord::kFirst;
  same = same && std::memcmp(raw.get() + record, block0 + record, jobrecord::kLength) == 0;
  if (same) return false;
  return io.writeRaw(backup, block0) == 0;
}

void Recovery::enterRecord(int folder, const PendingJob &job, const std::vector<uint32_t> &blocks,
                           uint32_t pagesInLast, const std::vector<uint8_t> &headerPage) {
  auto &records = v_.directory.records(folder);
  const uint32_t pages = static_cast<uint32_t>(blocks.size() - 1) * kPagesPerBlock + pagesInLast;
  tFLASHFILEINFO record = tFLASHFILEINFO::fromHeader(headerPage.data(), blocks.front(), pages);
  // As WriteIndexModify entered it: in place of the appended recording, or at the end.
  if (job.flag() == jobrecord::kRewrite && job.number() >= 1 && job.number() <= records.size())
    records[job.number() - 1u] = std::move(record);
  else
    records.push_back(std::move(record));
}

Recovery::Report Recovery::CheckFlashRemainJob() {
  Report report;
  components::JobUi &ui = v_.ui;
  if (!v_.link.deviceOpen) {
    v_.link.DisconnectUSB();
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return report;
  }
  auto raw = allocRawBlock();
  if (!raw) return report;
  // The load of the index has just read block 0; a copy that passes the
  // record's own damage test needs no second read.
  std::vector<uint8_t> loaded = std::move(v_.loadedBlock0);
  v_.loadedBlock0.clear();
  if (loaded.size() == kRawBlockSize && BlockIo::spareClean(loaded.data(), damage::kJobRecord)) {
    std::memcpy(raw.get(), loaded.data(), kRawBlockSize);
  } else {
    BlockIo::Read r = BlockIo(v_).readClean(0, raw.get(), damage::kJobRecord, BlockIo::Retry{false, false, true});
    if (r == BlockIo::Read::Failed) return report;
    if (r == BlockIo::Read::Damaged) {
      showError(ui, keys::kKindRecorder, keys::kReadDamaged);
      return report;
    }
  }
  // A damaged index is never written back, not even as its own backup: the
  // backup may be the better copy.
  const bool damaged = !v_.writeRefusal.empty();
  if (!damaged && SystemBlock(v_).validSystemBlock(raw.get())) report.backupRewritten = refreshBackup(raw.get());

  const PendingJob job = PendingJob::fromSpare(raw.get() + rawSpareOffset(0));
  report.code = job.code();
  report.number = job.number();
  if (job.none()) return report;

  const uint8_t code = job.code();
  if (code > jobrecord::kWriteBase && code <= jobrecord::kWriteBase + sysblock::kFolders) {
    report.job = Job::Write;
    report.folder = code - jobrecord::kWriteBase;
  } else if (code > jobrecord::kDeleteBase && code <= jobrecord::kDeleteBase + sysblock::kFolders) {
    report.job = Job::Delete;
    report.folder = code - jobrecord::kDeleteBase;
  } else if (code > jobrecord::kDeleteAllBase && code <= jobrecord::kDeleteAllBase + sysblock::kFolders) {
    report.job = Job::DeleteAll;
    report.folder = code - jobrecord::kDeleteAllBase;
  } else if (code == jobrecord::kFormat) {
    report.job = Job::Format;
  } else {
    report.job = Job::Unknown;
  }
  // Finishing a write or a deletion writes the index; a format does not
  // depend on it.
  if ((report.job == Job::Write || report.job == Job::Delete || report.job == Job::DeleteAll) &&
      refuseDamagedIndex(ui, v_.writeRefusal)) {
    report.refused = true;
    return report;
  }

  ui.noticeOpen(ui.text(keys::kTextFinishing));
  switch (report.job) {
    case Job::Write: {
      // With the rewrite flag the recorder was appending to recording
      // number: its chain starts in that recording's own blocks.
      const bool append = job.flag() == jobrecord::kRewrite;
      auto mayFollow = append ? writableChainBlock(report.folder, job.number()) : writableChainBlock();
      Chains chains(v_);
      std::vector<uint32_t> blocks;
      uint32_t pagesInLast = 0;
      if (!mayFollow(job.firstBlock())) {
        // The record names a block that is not free for a new file: nothing
        // of a write can be there. Clearing the record is all that is left.
        report.finished = SystemBlock(v_).WriteSystemImage();
      } else if (chains.GetEndOfBlockAndFix(job.firstBlock(), job.mode(), blocks, pagesInLast, mayFollow)) {
        report.finished = Writer(v_).WriteIndexModify(report.folder, blocks, job.number(), job.oldValue(), job.flag(),
                                                      pagesInLast);
        if (report.finished) enterRecord(report.folder, job, blocks, pagesInLast, chains.headerPage());
      } else {
        // Nothing of the file reached the flash (the record is cleared), or
        // the link, a read or the rewrite of the last block failed: the
        // record stays for the next connection.
        report.finished = chains.chainEnd() == Chains::ChainEnd::NothingWritten;
      }
      break;
    }
    case Job::Delete:
      if (!Eraser(v_).DeletingFlashFile(report.folder, job.number())) {
        ui.noticeClose();
        return report;
      }
      report.finished = true;
      break;
    case Job::DeleteAll: {
      Eraser eraser(v_);
      const uint32_t files = v_.image.fileCount(report.folder);
      for (uint32_t n = files; n >= 1; --n) {
        if (!eraser.DeletingFlashFile(report.folder, n)) {
          ui.noticeClose();
          return report;
        }
      }
      // An empty folder has no deletion whose image write would clear the
      // record: it is cleared on its own.
      if (files == 0 && !SystemBlock(v_).WriteSystemImage()) {
        ui.noticeClose();
        return report;
      }
      report.finished = true;
      break;
    }
    case Job::Format:
      Formatter(v_, panel_).StartFormatFlashMemory();
      if (!v_.link.indexed) {
        ui.noticeClose();
        v_.link.DisconnectUSB();
        return report;
      }
      report.finished = true;
      break;
    case Job::None:
    case Job::Unknown:
      break;
  }

  // A finished write or deletion has brought the directory up to date with
  // the image it wrote; anything else reads the index again.
  const bool current = report.finished && report.job != Job::Format;
  bool reread = current || (panel_ ? panel_->GetFlashIndex() : Index(v_).GetFlashIndex());
  ui.noticeClose();
  if (!reread) v_.link.DisconnectUSB();
  return report;
}

}  // namespace recorder::jobs
