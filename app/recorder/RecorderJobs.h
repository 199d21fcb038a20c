// The recorder panel's own commands in the window: the Delete key and the
// pop-up items "Erase", "Move Up", "Move Down", "Copy to PC" and "Select
// all", drag reorder in the recorder list, drops of recordings (and of PC
// files) on recorder folder nodes, and "Initialize" with the model dialog.
// The jobs themselves are recorder::jobs::RecorderCommands; this class only
// turns widget events into their calls.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "recorder/jobs/RecorderCommands.h"

class QDropEvent;

namespace app {

class TFrmMain;
class RecorderSide;
class RecorderMenu;

class RecorderJobs : public QObject {
  Q_OBJECT
 public:
  RecorderJobs(TFrmMain &main, RecorderSide &side);

  recorder::jobs::RecorderCommands &commands() { return commands_; }
  RecorderMenu *menu() const { return menu_; }
  // The players have joined: the pop-up's Play, Pause and Stop follow the
  // enabling rule from now on.
  void setPlayerJoined(bool joined) { playerJoined_ = joined; }

  // MIME type of a drag that starts in the recorder list.
  static constexpr const char *kDragMime = "application/x-quillorn-recorder-drag";

  // The PC side: the folder the PC list shows ("" on its drives level),
  // and a refresh of the list after recordings were copied into it.
  std::function<std::filesystem::path()> pcFolder;
  std::function<void()> pcFolderChanged;

  void OnPupFlashEraseClick();
  void OnPupFlashUpClick();
  void OnPupFlashDownClick();
  // "Upl&oad" and the to-PC button: the selected recordings into the PC list's folder.
  void OnPupFlashUploadClick();
  void OnBtnFileToPCClick();
  // The to-recorder button: PC files into the folder selected in the tree.
  void OnBtnFileToFlashClick(const std::vector<std::filesystem::path> &files);
  void OnMnRecorderFormatClick();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void startDrag(const recorder::DragSelection &drag);
  bool dropOnTree(QDropEvent *event);
  bool dropOnList(QDropEvent *event);
  void selectRow(int row);

  TFrmMain &main_;
  RecorderSide &side_;
  recorder::jobs::RecorderCommands commands_;
  RecorderMenu *menu_;
  bool playerJoined_ = false;
  QPointer<QWidget> treeViewport_, listViewport_;
};

}  // namespace app
