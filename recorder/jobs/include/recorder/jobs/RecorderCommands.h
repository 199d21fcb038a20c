// The recorder panel's commands as the main window calls them: the Delete
// key and "Erase", "Move Up", "Move Down", drag reorder in the recorder
// list, drops on recorder folder nodes, "Initialize" with the model dialog,
// and the two copy buttons. The window passes the selection and the PC side;
// every command is ignored while an output or a recording is active.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "recorder/FlashVolume.h"
#include "recorder/RecorderPanel.h"
#include "recorder/jobs/Outcome.h"

namespace recorder::jobs {

class RecorderCommands {
 public:
  RecorderCommands(FlashVolume &volume, RecorderPanel &panel) : v_(volume), panel_(panel) {}

  // An output (G.729, WAV, MP3) or a recording is active.
  std::function<bool()> isBusy;
  // Status panel 1 after a format.
  std::function<void()> onCapacity;

  // Plugs the recovery of interrupted jobs into the panel's connection
  // hooks, and the Delete key into erase() with the list's selected rows.
  void attach(std::function<std::vector<int>()> selectedRows);

  // DeleteFlashFile on the current folder (the Delete key, "Erase").
  Outcome erase(const std::vector<int> &rows);
  // UpFlashFile and DownFlashFile on the current folder; row receives the
  // row to select (-1: none).
  Outcome moveUp(const std::vector<int> &rows, int &row);
  Outcome moveDown(const std::vector<int> &rows, int &row);
  // OnUOTFlashFileTargetDrop of a drag from the recorder list.
  Outcome dropOnRecording(const DragSelection &drag, int targetRow, int &row);
  // OnUOTFlashFolderTargetDrop: targetFolder 0 when no node is under the
  // drop point. A drag from the recorder moves recordings; a drag from the
  // PC list (source folder 0) writes its files from pcFolder.
  Outcome dropOnFolder(DragSelection &drag, int targetFolder, const std::filesystem::path &pcFolder);
  // OnMnRecorderFormatClick: the model dialog, the question and the format.
  Outcome initialize();
  // OnBtnFileToPCClick: the selected recordings of the current folder into pcFolder.
  Outcome copyToPc(const std::vector<int> &rows, const std::filesystem::path &pcFolder);
  // OnBtnFileToFlashClick: PC files into the folder selected in the tree.
  Outcome writeFromPc(const std::vector<std::filesystem::path> &files);

 private:
  bool busy() const { return isBusy && isBusy(); }
  FlashVolume &v_;
  RecorderPanel &panel_;
};

}  // namespace recorder::jobs
