#include "recorder/RecorderPanel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "recorder/Index.h"

namespace recorder {

namespace {

constexpr int kDeleteKey = 46;
constexpr int kDragDistance = 2;

int folderNodeCount(const SystemImage &image) {
  return std::clamp<int>(image.folderCount(), 1, sysblock::kFolders);
}

bool validFolder(int folder) { return folder >= 1 && folder <= sysblock::kFolders; }

}  // namespace

bool RecorderPanel::GetFlashIndex() {
  Index index(v_);
  index.onSystemBlockFailed = [this] { ClearFlashFolder(); };
  return index.GetFlashIndex();
}

void RecorderPanel::CheckFlashRemainJob() {
  if (remainJob) remainJob();
}

void RecorderPanel::BuildFlashFolder() {
  std::vector<std::string> names;
  for (int f = 1; f <= folderNodeCount(v_.image); ++f) names.push_back(folderNodeName(f));
  view_.rebuildTree(names);
  selectedFolder_ = 1;
  view_.selectFolderNode(1);
}

void RecorderPanel::ClearFlashFolder() {
  view_.setFileRows({});
  BuildFlashFolder();
  view_.setTotals("", -1);
}

void RecorderPanel::DisplayFlashFolderInfo() {
  if (!v_.link.deviceOpen) return;
  for (int f = 1; f <= folderNodeCount(v_.image); ++f)
    view_.setFolderNodeText(f, folderNodeText(f, v_.directory.records(f)));
  view_.setTotals(totalText(v_.directory), memoryGauge(v_.image, v_.blockCount()));
}

void RecorderPanel::DisplayFlashFileList(const std::vector<tFLASHFILEINFO> &records) { view_.setFileRows(fileRows(records)); }

void RecorderPanel::RunningWriteDisplayFolder(int folder) {
  if (!validFolder(folder)) return;
  const auto &records = v_.directory.records(folder);
  if (records.empty()) return;
  view_.appendFileRow(fileRow(records.back(), static_cast<int>(records.size())));
}

bool RecorderPanel::RunningEraseDisplayFolder(int index) {
  if (index < 0 || index >= view_.fileRowCount()) return false;
  view_.removeFileRow(index);
  DisplayFlashFolderInfo();
  return true;
}

void RecorderPanel::RefreshFlashFolderInfo(int folder, bool reread) {
  if (!v_.link.connected) return;
  if (!validFolder(folder)) folder = 1;
  v_.ui.noticeOpen(v_.ui.text("FM_Caption_text2"));
  if (reread) {
    if (!v_.link.deviceOpen) {
      v_.ui.noticeClose();
      v_.link.DisconnectUSB();
      v_.ui.messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg6", components::MsgKind::Error, components::kButtonsOk);
      return;
    }
    if (!GetFlashIndex()) {
      v_.ui.noticeClose();
      v_.link.DisconnectUSB();
      return;
    }
  }
  view_.setFileRows({});
  if (v_.link.indexed && !v_.directory.records(folder).empty()) DisplayFlashFileList(v_.directory.records(folder));
  try {
    DisplayFlashFolderInfo();
  } catch (...) {
    BuildFlashFolder();
  }
  selectedFolder_ = folder;
  view_.selectFolderNode(folder);
  v_.ui.noticeClose();
}

int RecorderPanel::showFolder(int folder) {
  view_.setFileRows({});
  selectedFolder_ = folder;
  currentFolder_ = folder;
  if (v_.link.indexed) DisplayFlashFileList(v_.directory.records(folder));
  return folder;
}

int RecorderPanel::OnTvFlashFolderListChange(Node node, int folder) {
  if (!v_.link.deviceOpen) {
    view_.setFileRows({});
    return 0;
  }
  int previous = selectedFolder_;
  int target = folder;
  switch (node) {
    case Node::Root:
    case Node::Voice: target = 1; break;
    // Moving up through "Mp3" from its folders lands on folder 4.
    case Node::Mp3: target = previous >= 5 && previous <= 8 ? 4 : 5; break;
    case Node::Folder: break;
  }
  if (!validFolder(target) || target > folderNodeCount(v_.image)) target = 1;
  if (node != Node::Folder || target != folder) view_.selectFolderNode(target);
  return showFolder(target);
}

int RecorderPanel::OnTvFlashFolderListMouseDown(int row, Node node, int folder) {
  if (row < 0 || row > folderNodeCount(v_.image) + 2) return selectedFolder_;
  if (node == Node::Mp3) {
    if (!v_.link.deviceOpen) return OnTvFlashFolderListChange(node, folder);
    int target = folderNodeCount(v_.image) >= 5 ? 5 : 1;
    view_.selectFolderNode(target);
    return showFolder(target);
  }
  // A press selects the node itself.
  int shown = OnTvFlashFolderListChange(node, folder);
  if (shown != 0) view_.selectFolderNode(shown);
  return shown;
}

void RecorderPanel::OnTvFlashFolderListCollapsed() {
  BuildFlashFolder();
  if (v_.link.deviceOpen) {
    DisplayFlashFolderInfo();
    showFolder(1);
  }
}

void RecorderPanel::OnLvFlashFileListKeyDown(int keyCode) {
  if (keyCode == kDeleteKey && onDeleteKey && validFolder(currentFolder_)) onDeleteKey(currentFolder_);
}

bool RecorderPanel::OnLvFlashFileListMouseDown(int x, int y) {
  if ((isRecording && isRecording()) || view_.fileRowCount() == 0) return false;
  currentFolder_ = selectedFolder_;
  pressX_ = x;
  pressY_ = y;
  return true;
}

int RecorderPanel::popupState(const std::vector<int> &selectedRows) const {
  if (selectedRows.empty()) return 4;
  if (selectedRows.size() > 1) return 0;
  bool playing = isPlaying && isPlaying();
  const auto &records = v_.directory.records(validFolder(selectedFolder_) ? selectedFolder_ : 1);
  int row = selectedRows.front();
  if (row < 0 || row >= static_cast<int>(records.size())) return 4;
  const tFLASHFILEINFO &r = records[static_cast<size_t>(row)];
  std::string ext = r.ext;
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
  if (ext != "DVG" || recModeText(r) == "--") return playing ? 4 : 1;
  return playing ? 3 : 2;
}

bool RecorderPanel::OnLvFlashFileListMouseMove(int x, int y, bool itemUnderPointer, const std::vector<int> &selectedRows) {
  if (std::abs(x - pressX_) < kDragDistance && std::abs(y - pressY_) < kDragDistance) return false;
  drag_.clear();
  currentFolder_ = selectedFolder_;
  drag_.sourceFolder = selectedFolder_;
  drag_.folderAtStart = selectedFolder_;
  if (!itemUnderPointer) return false;
  const auto &records = v_.directory.records(validFolder(selectedFolder_) ? selectedFolder_ : 1);
  for (int row : selectedRows) {
    if (drag_.items.size() >= DragSelection::kMaxItems) break;
    if (row < 0 || row >= static_cast<int>(records.size())) continue;
    drag_.items.emplace_back(row, fileRow(records[static_cast<size_t>(row)], row + 1).caption);
  }
  if (onDragStart) onDragStart(drag_);
  return true;
}

}  // namespace recorder
