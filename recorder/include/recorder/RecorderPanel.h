// The recorder half of the main window, as logic: the connection hooks the
// device link calls, the folder tree and file list contents, the totals and
// the gauge, and the tree and list events. A widget implements
// RecorderPanelView and forwards its events here; the recorder jobs hook in
// through the std::function members.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "recorder/FlashVolume.h"
#include "recorder/ListFormats.h"

namespace recorder {

// What the logic asks of the widget.
class RecorderPanelView {
 public:
  virtual ~RecorderPanelView() = default;
  // Rebuilds the tree: root "Q417", "Voice" with folders 1-4 and "Mp3" with
  // folders 5-8 (names[i] for folder i + 1; as many as given), the three
  // upper nodes expanded. Does not select.
  virtual void rebuildTree(const std::vector<std::string> &folderNames) = 0;
  virtual void setFolderNodeText(int folder, const std::string &text) = 0;
  // Selects the folder's node without reporting a selection change.
  virtual void selectFolderNode(int folder) = 0;
  // Replaces the file list (hidden while it is filled); empty rows clear it.
  virtual void setFileRows(const std::vector<FileRow> &rows) = 0;
  virtual void appendFileRow(const FileRow &row) = 0;
  virtual void removeFileRow(int index) = 0;
  virtual int fileRowCount() const = 0;
  // Status panel 3 and the memory gauge (-1 blanks it).
  virtual void setTotals(const std::string &statusText, int gaugePercent) = 0;
};

// The drag selection: up to 500 pairs of list index and caption, the source
// folder (0 for the PC list) and the folder selected when the drag began.
struct DragSelection {
  static constexpr size_t kMaxItems = 500;
  std::vector<std::pair<int, std::string>> items;
  int sourceFolder = 0;
  int folderAtStart = 0;
  void clear() {
    items.clear();
    sourceFolder = 0;
    folderAtStart = 0;
  }
};

class RecorderPanel : public ConnectionHooks {
 public:
  RecorderPanel(FlashVolume &volume, RecorderPanelView &view) : v_(volume), view_(view) {}

  // --- ConnectionHooks ------------------------------------------------------
  void clearBadBlocks() override { v_.badBlocks.clear(); }
  bool GetFlashIndex() override;
  // Runs remainJob (the recovery of interrupted jobs); nothing without it.
  void CheckFlashRemainJob() override;
  void BuildFlashFolder() override;
  // The second argument re-reads the index first.
  void RefreshFlashFolderInfo(int folder, bool reread) override;
  void ClearFlashFolder() override;

  // --- Display ----------------------------------------------------------------
  // Node texts, status panel 3 and the gauge; only while the device is open.
  void DisplayFlashFolderInfo();
  void DisplayFlashFileList(const std::vector<tFLASHFILEINFO> &records);
  // Appends the folder's last record to the list (while writing).
  void RunningWriteDisplayFolder(int folder);
  // Removes list item index and shows the folder information (while erasing).
  bool RunningEraseDisplayFolder(int index);

  // --- Tree events -----------------------------------------------------------
  enum class Node { Root, Voice, Mp3, Folder };
  // OnTvFlashFolderListChange; folder is the node's folder for Node::Folder.
  // Returns the folder now shown (0 when the device is closed).
  int OnTvFlashFolderListChange(Node node, int folder);
  // OnTvFlashFolderListMouseDown on tree row `row` (counted from 0): ignored
  // below the last folder row; a pressed "Mp3" always leads to folder 5.
  int OnTvFlashFolderListMouseDown(int row, Node node, int folder);
  // OnTvFlashFolderListCollapsed: the root is expanded again, folder 1 selected.
  void OnTvFlashFolderListCollapsed();

  // --- File list events -------------------------------------------------------
  // The Delete key (key code 46).
  void OnLvFlashFileListKeyDown(int keyCode);
  // Mouse press: false when ignored (recording, empty list).
  bool OnLvFlashFileListMouseDown(int x, int y);
  // Pop-up state by the selection, for the main window's pop-up routine:
  // none 4; several 0; one non-DVG, or a DVG whose mode column is "--": 1
  // (4 while anything plays); one other DVG: 2 (3 while anything plays).
  int popupState(const std::vector<int> &selectedRows) const;
  // Mouse move with a button held: starts a drag once the pointer is 2 pixels
  // away from the press point. selectedRows with an item under the pointer.
  // True when a drag was started.
  bool OnLvFlashFileListMouseMove(int x, int y, bool itemUnderPointer, const std::vector<int> &selectedRows);

  int currentFolder() const { return currentFolder_; }
  void setCurrentFolder(int folder) { currentFolder_ = folder; }
  int selectedFolder() const { return selectedFolder_; }
  DragSelection &dragSelection() { return drag_; }
  FlashVolume &volume() { return v_; }

  // Hooks into the jobs and the rest of the window.
  std::function<void()> remainJob;                 // CheckFlashRemainJob
  std::function<void(int folder)> onDeleteKey;     // DeleteFlashFile
  std::function<void(const DragSelection &)> onDragStart;
  std::function<bool()> isRecording;
  std::function<bool()> isPlaying;

 private:
  int showFolder(int folder);
  FlashVolume &v_;
  RecorderPanelView &view_;
  int currentFolder_ = 1;
  int selectedFolder_ = 1;
  int pressX_ = 0, pressY_ = 0;
  DragSelection drag_;
};

}  // namespace recorder
