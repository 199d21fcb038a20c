#include "recorder/jobs/RecorderCommands.h"

#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Messages.h"
#include "recorder/jobs/Recovery.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"
#include "src/Common.h"

namespace recorder::jobs {

namespace {

Outcome ignored() { return Outcome::nothing("an output or a recording is active"); }

std::vector<int> dragRows(const DragSelection &drag) {
  std::vector<int> rows;
  for (const auto &item : drag.items) rows.push_back(item.first);
  return rows;
}

}  // namespace

void RecorderCommands::attach(std::function<std::vector<int>()> selectedRows) {
  panel_.remainJob = [this] { Recovery(v_, &panel_).CheckFlashRemainJob(); };
  panel_.onDeleteKey = [this, selectedRows = std::move(selectedRows)](int) {
    if (selectedRows) erase(selectedRows());
  };
}

Outcome RecorderCommands::erase(const std::vector<int> &rows) {
  if (busy()) return ignored();
  return Eraser(v_, &panel_).DeleteFlashFile(panel_.currentFolder(), rows);
}

Outcome RecorderCommands::moveUp(const std::vector<int> &rows, int &row) {
  row = -1;
  if (busy()) return ignored();
  return Reorder(v_, &panel_).UpFlashFile(panel_.currentFolder(), rows, row);
}

Outcome RecorderCommands::moveDown(const std::vector<int> &rows, int &row) {
  row = -1;
  if (busy()) return ignored();
  return Reorder(v_, &panel_).DownFlashFile(panel_.currentFolder(), rows, row);
}

Outcome RecorderCommands::dropOnRecording(const DragSelection &drag, int targetRow, int &row) {
  row = -1;
  if (busy()) return ignored();
  if (drag.sourceFolder == 0 || drag.sourceFolder != panel_.currentFolder())
    return Outcome::nothing("the drag does not come from this folder's list");
  return Reorder(v_, &panel_).dropOnRecording(panel_.currentFolder(), dragRows(drag), targetRow, row);
}

Outcome RecorderCommands::dropOnFolder(DragSelection &drag, int targetFolder, const std::filesystem::path &pcFolder) {
  if (busy()) return ignored();
  if (drag.sourceFolder == 0) {
    // PC files: written into the target, then the folder of the drag's
    // start is shown again.
    const int back = drag.folderAtStart;
    Outcome result = Outcome::nothing("no recorder folder under the drop point");
    if (validFolder(targetFolder)) {
      panel_.RefreshFlashFolderInfo(targetFolder, false);
      std::vector<std::filesystem::path> files;
      for (const auto &item : drag.items) files.push_back(pcFolder / item.second);
      result = Writer(v_, &panel_).OnBtnFileToFlashClick(targetFolder, files);
    }
    drag.clear();
    if (validFolder(back)) panel_.RefreshFlashFolderInfo(back, false);
    return result;
  }
  if (!v_.link.connected || !v_.link.indexed) {
    showError(v_.ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  const int source = panel_.currentFolder();
  if (!validFolder(targetFolder)) {
    panel_.RefreshFlashFolderInfo(drag.sourceFolder, false);
    return Outcome::nothing("no recorder folder under the drop point");
  }
  if (targetFolder == source) return Outcome::nothing("the recordings are already in this folder");
  Outcome result = Reorder(v_, &panel_).moveToFolder(source, dragRows(drag), targetFolder);
  drag.clear();
  return result;
}

Outcome RecorderCommands::initialize() {
  if (busy()) return ignored();
  Formatter formatter(v_, &panel_);
  formatter.onCapacity = onCapacity;
  return formatter.PreFlashFormat();
}

Outcome RecorderCommands::copyToPc(const std::vector<int> &rows, const std::filesystem::path &pcFolder) {
  if (busy()) return ignored();
  if (rows.empty()) return Outcome::nothing("no recording selected");
  Outcome result = Upload(v_).UploadFlashFileList(panel_.selectedFolder(), rows, pcFolder);
  panel_.dragSelection().clear();
  return result;
}

Outcome RecorderCommands::writeFromPc(const std::vector<std::filesystem::path> &files) {
  if (busy()) return ignored();
  Outcome result = Writer(v_, &panel_).OnBtnFileToFlashClick(panel_.selectedFolder(), files);
  panel_.dragSelection().clear();
  return result;
}

}  // namespace recorder::jobs
