#include "recorder/jobs/Reorder.h"

#include <algorithm>

#include "components/JobUi.h"
#include "recorder/Chains.h"
#include "recorder/RecorderPanel.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Messages.h"
#include "src/Common.h"

namespace recorder::jobs {

namespace {

bool sameGroup(int a, int b) { return mp3Folder(a) == mp3Folder(b); }

}  // namespace

bool Reorder::writeImage() { return SystemBlock(v_).WriteSystemImage(); }

bool Reorder::UpFlashFileIndex(int folder, uint32_t to, uint32_t from) {
  if (!validFolder(folder)) return false;
  SystemImage &image = v_.image;
  auto &records = v_.directory.records(folder);
  uint32_t count = image.fileCount(folder);
  if (to >= from || from >= count || from >= records.size()) return false;
  SystemImage::Entry kept = image.entry(folder, from);
  for (uint32_t i = from; i > to; --i) image.setEntry(folder, i, image.entry(folder, i - 1));
  image.setEntry(folder, to, kept);
  std::rotate(records.begin() + to, records.begin() + from, records.begin() + from + 1);
  return writeImage();
}

bool Reorder::DownFlashFileIndex(int folder, uint32_t to, uint32_t from) {
  if (!validFolder(folder)) return false;
  SystemImage &image = v_.image;
  auto &records = v_.directory.records(folder);
  uint32_t count = image.fileCount(folder);
  if (to <= from || to >= count || to >= records.size()) return false;
  SystemImage::Entry kept = image.entry(folder, from);
  for (uint32_t i = from; i < to; ++i) image.setEntry(folder, i, image.entry(folder, i + 1));
  image.setEntry(folder, to, kept);
  std::rotate(records.begin() + from, records.begin() + from + 1, records.begin() + to + 1);
  return writeImage();
}

bool Reorder::MoveFlashIndex(int fromFolder, uint32_t at, uint32_t index, int toFolder, bool write) {
  if (!validFolder(fromFolder) || !validFolder(toFolder) || fromFolder == toFolder) return false;
  SystemImage &image = v_.image;
  auto &source = v_.directory.records(fromFolder);
  auto &target = v_.directory.records(toFolder);
  uint32_t fromCount = image.fileCount(fromFolder);
  uint32_t toCount = image.fileCount(toFolder);
  if (index >= fromCount || index >= source.size() || at > toCount || at > target.size() ||
      toCount >= folderpage::kMaxEntries)
    return false;

  SystemImage::Entry kept = image.entry(fromFolder, index);
  uint32_t blocks = Chains::blocksForPages(kept.pages);
  for (uint32_t i = index; i + 1 < fromCount; ++i) image.setEntry(fromFolder, i, image.entry(fromFolder, i + 1));
  image.clearEntry(fromFolder, fromCount - 1);
  image.setFileCount(fromFolder, fromCount - 1);
  image.setBlocksUsed(fromFolder, image.blocksUsed(fromFolder) - std::min(image.blocksUsed(fromFolder), blocks));
  tFLASHFILEINFO record = source[index];
  source.erase(source.begin() + index);

  image.setFileCount(toFolder, toCount + 1);
  image.setBlocksUsed(toFolder, image.blocksUsed(toFolder) + blocks);
  for (uint32_t i = toCount; i > at; --i) image.setEntry(toFolder, i, image.entry(toFolder, i - 1));
  image.setEntry(toFolder, at, kept);
  target.insert(target.begin() + at, std::move(record));
  return !write || writeImage();
}

Outcome Reorder::moveWithin(int folder, uint32_t from, uint32_t to, int &row) {
  row = -1;
  if (refuseDamagedIndex(v_.ui, v_.writeRefusal)) return Outcome::refused();
  if (!v_.link.deviceOpen) {
    v_.link.DisconnectUSB();
    showError(v_.ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  bool written = to < from ? UpFlashFileIndex(folder, to, from) : DownFlashFileIndex(folder, to, from);
  if (!written) {
    // The image in memory no longer matches the flash: a new connection
    // reads it again.
    v_.link.DisconnectUSB();
    showError(v_.ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  if (panel_) panel_->RefreshFlashFolderInfo(folder, false);
  row = static_cast<int>(to);
  return Outcome::done();
}

Outcome Reorder::UpFlashFile(int folder, const std::vector<int> &rows, int &row) {
  row = -1;
  if (!validFolder(folder)) return Outcome::refused("there is no recorder folder " + std::to_string(folder));
  if (rows.size() != 1) return Outcome::nothing("select exactly one recording");
  int p = rows.front();
  if (p < 0 || static_cast<size_t>(p) >= v_.directory.fileCount(folder))
    return Outcome::refused("folder " + folderName(folder) + " has no recording " + std::to_string(p + 1));
  if (p == 0) return Outcome::nothing("recording 1 is already the first of folder " + folderName(folder));
  return moveWithin(folder, static_cast<uint32_t>(p), static_cast<uint32_t>(p - 1), row);
}

Outcome Reorder::DownFlashFile(int folder, const std::vector<int> &rows, int &row) {
  row = -1;
  if (!validFolder(folder)) return Outcome::refused("there is no recorder folder " + std::to_string(folder));
  if (rows.size() != 1) return Outcome::nothing("select exactly one recording");
  int p = rows.front();
  int count = static_cast<int>(v_.directory.fileCount(folder));
  if (p < 0 || p >= count)
    return Outcome::refused("folder " + folderName(folder) + " has no recording " + std::to_string(p + 1));
  if (p + 1 == count)
    return Outcome::nothing("recording " + std::to_string(p + 1) + " is already the last of folder " + folderName(folder));
  return moveWithin(folder, static_cast<uint32_t>(p), static_cast<uint32_t>(p + 1), row);
}

Outcome Reorder::dropOnRecording(int folder, const std::vector<int> &draggedRows, int targetRow, int &row) {
  row = -1;
  if (!validFolder(folder)) return Outcome::refused("there is no recorder folder " + std::to_string(folder));
  int count = static_cast<int>(v_.directory.fileCount(folder));
  if (targetRow < 0 || targetRow >= count) return Outcome::nothing("no recording under the drop point");
  if (draggedRows.size() != 1) {
    if (panel_) panel_->RefreshFlashFolderInfo(folder, false);
    return Outcome::nothing("only one recording at a time is reordered");
  }
  int from = draggedRows.front();
  if (from < 0 || from >= count)
    return Outcome::refused("folder " + folderName(folder) + " has no recording " + std::to_string(from + 1));
  if (from == targetRow) {
    if (panel_) panel_->RefreshFlashFolderInfo(folder, false);
    row = targetRow;
    return Outcome::nothing("the recording is already there");
  }
  return moveWithin(folder, static_cast<uint32_t>(from), static_cast<uint32_t>(targetRow), row);
}

Outcome Reorder::moveToFolder(int fromFolder, std::vector<int> rows, int toFolder) {
  components::JobUi &ui = v_.ui;
  auto showSource = [&] {
    if (panel_ && validFolder(fromFolder)) panel_->RefreshFlashFolderInfo(fromFolder, false);
  };
  if (!v_.link.connected || !v_.link.indexed) {
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  if (!validFolder(fromFolder) || !validFolder(toFolder)) {
    showSource();
    return Outcome::refused("there is no such recorder folder");
  }
  if (toFolder == fromFolder) return Outcome::nothing("the recordings are already in folder " + folderName(toFolder));
  if (!sameGroup(fromFolder, toFolder)) {
    showSource();
    return Outcome::refused("recordings move only among folders A to D or among folders E to H, not from " +
                            folderName(fromFolder) + " to " + folderName(toFolder));
  }
  const uint32_t sourceCount = v_.directory.fileCount(fromFolder);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int r : rows)
    if (r < 0 || static_cast<uint32_t>(r) >= sourceCount) {
      showSource();
      return Outcome::refused("folder " + folderName(fromFolder) + " has no recording " + std::to_string(r + 1));
    }
  if (rows.empty()) return Outcome::nothing("no recording selected");
  if (refuseDamagedIndex(ui, v_.writeRefusal)) {
    showSource();
    return Outcome::refused();
  }
  if (!v_.link.deviceOpen) {
    v_.link.DisconnectUSB();
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }

  Outcome result = Outcome::done();
  const uint32_t at = v_.image.fileCount(toFolder);
  const uint32_t limit = std::min<uint32_t>(v_.image.filesPerFolder(), folderpage::kMaxEntries);
  // The moves change the image in memory; one write of it makes them all
  // at once, so a cut never leaves a part of the selection moved.
  int moved = 0;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (v_.image.fileCount(toFolder) >= limit) {
      showError(ui, keys::kKindRecorder, keys::kFolderFull);
      result = Outcome::refused();
      break;
    }
    if (!MoveFlashIndex(fromFolder, at, static_cast<uint32_t>(*it), toFolder, false)) break;
    ++moved;
  }
  if (moved > 0 && !writeImage()) {
    v_.link.DisconnectUSB();
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  showSource();
  return result;
}

}  // namespace recorder::jobs
