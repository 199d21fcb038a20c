#include "recorder/jobs/Upload.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>

#include "components/JobUi.h"
#include "components/base/PendingFile.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/Layout.h"
#include "recorder/jobs/Messages.h"
#include "recorder/jobs/RecordingTime.h"
#include "src/Common.h"
#include "voice/VoiceHeader.h"

namespace recorder::jobs {

namespace fs = std::filesystem;
using components::MsgKind;

namespace {

std::string trimmedField(const std::string &text) {
  return voice::ArrayToString(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

// The byte count of a file's last used page as its last block's spare holds
// it: 1 to 2048. An erased field (0) or a value past the page reads as a
// whole page, so that a damaged count never cuts into the data or reads
// beyond the page.
uint32_t lastPageBytes(int count) {
  if (count <= 0 || count > static_cast<int>(kPageSize)) return kPageSize;
  return static_cast<uint32_t>(count);
}

}  // namespace

std::string pcFileName(const tFLASHFILEINFO &record) {
  std::string name = trimmedField(record.name);
  std::string ext = trimmedField(record.ext);
  if (!ext.empty()) name += "." + ext;
  for (char &c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name;
}

RecordingReader::RecordingReader(FlashVolume &volume, uint32_t firstBlock, uint32_t pages) : v_(volume) {
  valid_ = Chains(v_).fileBlocks(firstBlock, pages, blocks_);
  pagesInLast_ = Chains::pagesInLastBlock(pages);
}

bool RecordingReader::read(size_t j, Bytes &out) {
  out = {};
  if (!valid_ || j >= blocks_.size()) return false;
  if (!data_) {
    data_.reset(new (std::nothrow) uint8_t[kBlockDataSize]);
    if (!data_) {
      v_.ui.messageBox(keys::kKindProgram, keys::kNoMemory, MsgKind::Error, components::kButtonsOk);
      return false;
    }
  }
  uint32_t next = 1;  // non-zero: ask for the chain information
  int count = BlockIo(v_).GetFlashBlockInfo(blocks_[j], data_.get(), next);
  if (count == -2) return false;
  bool last = j + 1 == blocks_.size();
  size_t bytes = last ? lastPageBytes(count) + (pagesInLast_ - 1) * static_cast<size_t>(kPageSize) : kBlockDataSize;
  const uint8_t *d = data_.get();
  if (j == 0) {
    int bits = 0, channels = 0, rate = 0, kind = 0;
    voice_ = voice::CheckG729File(d, bits, channels, rate, kind);
    if (voice_) out.first = {d, fileheader::kBytes};
    if (bytes > kPageSize) out.second = {d + kPageSize, bytes - kPageSize};
  } else {
    out.first = {d, bytes};
  }
  return true;
}

bool readRecording(FlashVolume &volume, int folder, uint32_t number, std::vector<uint8_t> &out) {
  out.clear();
  if (!validFolder(folder)) return false;
  const auto &records = volume.directory.records(folder);
  if (number < 1 || number > records.size()) return false;
  const tFLASHFILEINFO &r = records[number - 1];
  RecordingReader reader(volume, r.firstBlock, r.pages);
  if (!reader.valid()) return false;
  RecordingReader::Bytes bytes;
  for (size_t j = 0; j < reader.blockCount(); ++j) {
    if (!reader.read(j, bytes)) return false;
    for (const RecordingReader::Piece &piece : {bytes.first, bytes.second})
      if (piece.size) out.insert(out.end(), piece.data, piece.data + piece.size);
  }
  return true;
}

Outcome Upload::UploadFlashFileList(int folder, std::vector<int> rows, const fs::path &pcFolder) {
  copied_ = skipped_ = 0;
  cancelled_ = false;
  if (!validFolder(folder)) return Outcome::refused("there is no recorder folder " + std::to_string(folder));
  const auto &records = v_.directory.records(folder);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows)
    if (row < 0 || static_cast<size_t>(row) >= records.size())
      return Outcome::refused("folder " + folderName(folder) + " has no recording " + std::to_string(row + 1));
  if (rows.empty()) return Outcome::nothing("no recording selected");

  components::JobUi &ui = v_.ui;
  ui.progressOpen(ui.text(keys::kTitleUpload));
  const uint64_t total = selectedBytes(records, rows);

  Outcome result = Outcome::done();
  uint64_t done = 0;
  int n = 0;
  const int count = static_cast<int>(rows.size());
  ui.clearCancel();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    // A Cancel pressed while a recording's last block was copied stops the
    // job before the next one; that recording is complete and stays.
    if (ui.cancelRequested()) {
      result = Outcome::cancelled();
      break;
    }
    fileCountText_ = components::fileCountLabel(++n, count);
    ui.progressTotal(components::percentOf(static_cast<double>(done), static_cast<double>(total)), fileCountText_,
                     components::totalKbytesLabel(static_cast<double>(done), static_cast<double>(total)));
    if (!v_.link.deviceOpen) {
      result = Outcome::failed("the recorder is not connected");
      break;
    }
    uint32_t pages = records[static_cast<size_t>(*it)].pages;
    if (!UploadFlashFile(folder, static_cast<uint32_t>(*it) + 1, done, total, pcFolder)) {
      if (cancelled_) result = Outcome::cancelled();
      else if (!v_.link.connected || !v_.link.deviceOpen) result = Outcome::failed("the connection to the recorder was lost");
      else result = Outcome::failed();
      break;
    }
    done += static_cast<uint64_t>(pages) * kPageSize;
  }
  ui.progressClose();
  return result;
}

bool Upload::UploadFlashFile(int folder, uint32_t number, uint64_t doneBytes, uint64_t totalBytes,
                             const fs::path &pcFolder) {
  components::JobUi &ui = v_.ui;
  if (!validFolder(folder) || number < 1 || number > v_.directory.records(folder).size()) return false;
  const tFLASHFILEINFO record = v_.directory.records(folder)[number - 1];
  const std::string name = pcFileName(record);
  const fs::path target = pcFolder / name;

  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec))) {
    int answer = namedMessageBox(ui, keys::kKindNotice, name + " : ", keys::kReplaceFile, MsgKind::Warning,
                                 components::kButtonsYesNo);
    if (answer != components::kResultYes) {
      ++skipped_;
      return true;
    }
    // The existing file is replaced by the rename of the finished copy.
  }
  return CopyFlashFile(folder, number, target, doneBytes, totalBytes);
}

bool Upload::CopyFlashFile(int folder, uint32_t number, const fs::path &target, uint64_t doneBytes,
                           uint64_t totalBytes) {
  components::JobUi &ui = v_.ui;
  if (!validFolder(folder) || number < 1 || number > v_.directory.records(folder).size()) return false;
  const tFLASHFILEINFO record = v_.directory.records(folder)[number - 1];
  v_.setRetryCount(0);
  ui.progressLines(target.parent_path().string(), target.filename().string());
  ui.progressCurrent(0, "");
  ui.clearCancel();

  RecordingReader reader(v_, record.firstBlock, record.pages);
  if (!reader.valid()) {
    ui.progressClose();
    showError(ui, keys::kKindRecorder, keys::kReadDamaged);
    return false;
  }
  // The copy is written under a temporary name and gets the recording's
  // name only when complete: a copy that stops for any reason leaves the
  // PC folder as it was.
  components::PendingFile pending(target);
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> out(
      pending.created() ? std::fopen(pending.path().c_str(), "wb") : nullptr, &std::fclose);
  auto cannotCreate = [&] {
    ui.progressClose();
    showError(ui, keys::kKindProgram, keys::kCannotCreate);
    return false;
  };
  if (!out) return cannotCreate();

  const size_t blocks = reader.blockCount();
  const double fileBytes = static_cast<double>(record.pages) * kPageSize;
  RecordingReader::Bytes bytes;
  for (size_t j = 0; j < blocks; ++j) {
    if (!reader.read(j, bytes)) {
      ui.progressClose();
      return false;
    }
    auto put = [&out](const RecordingReader::Piece &piece) {
      return piece.size == 0 || std::fwrite(piece.data, 1, piece.size, out.get()) == piece.size;
    };
    if (!put(bytes.first) || !put(bytes.second)) return cannotCreate();
    double read = static_cast<double>(j + 1) * kBlockDataSize;
    double all = static_cast<double>(doneBytes) + read;
    ui.progressCurrent(components::percentOf(static_cast<double>(j + 1), static_cast<double>(blocks)),
                       components::kbytesLabel(read, fileBytes));
    ui.progressTotal(std::min(100, components::percentOf(all, static_cast<double>(totalBytes))), fileCountText_,
                     components::totalKbytesLabel(all, static_cast<double>(totalBytes)));
    if (ui.cancelRequested() || !v_.link.connected) {
      cancelled_ = ui.cancelRequested();
      return false;
    }
    ui.pump();
  }
  // A full disk shows at the last flush.
  if (std::fclose(out.release()) != 0) return cannotCreate();
  // The copy carries the time the recording was made; one without a valid
  // date keeps the time of the copy. The rename keeps the time.
  if (std::optional<std::time_t> made = recordingTime(record)) setModificationTime(pending.path(), *made);
  if (!pending.commit()) return cannotCreate();
  ++copied_;
  return true;
}

}  // namespace recorder::jobs
