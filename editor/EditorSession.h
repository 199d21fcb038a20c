// The two-file model of the editor without its widgets: which pane is
// active, what each pane holds, whether the edit file is modified, opening,
// closing and saving with their questions, the zoom and selection rules,
// and the busy state while a long step pumps events. TForm_Edit forwards
// its events here; EditorHost is how this talks back.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "editor/Controls.h"
#include "editor/EditorHost.h"
#include "editor/PaneState.h"
#include "editor/ZoomRule.h"

namespace editor {

class EditorSession {
 public:
  // tempDir: the editor's temporary folder (the clipboard's audio lives
  // there as "clip.tmp").
  EditorSession(EditorHost &host, std::filesystem::path tempDir);

  // The undo list, once there is one (not owned; may stay null).
  void setHistory(EditHistory *history) { history_ = history; }
  void setClipFacts(const ClipFacts &clip);

  // Creation: nothing loaded, only the File menu works.
  void start();

  // Button_OpenDownFileClick and button_openupfileClick.
  void openFile(Pane pane);
  // button_downcloseClick: asks first when the edit file is modified.
  // False when the file stays open.
  bool closeEditFile();
  // button_upcloseClick.
  void closeReferenceFile();
  // Saveas: true only when the file was written and has its name.
  bool saveAs();
  // A click into a pane that holds a file makes it the active one.
  void activate(Pane pane);

  // FormCloseQuery: whether the window may close. While a long step runs
  // this means Cancel.
  bool queryClose();
  // FormClose: both panes emptied.
  void closeWindow();

  // button_Cancel.
  void cancel() { cancelRequested_ = true; }
  bool cancelRequested() const { return cancelRequested_; }
  bool busy() const { return busy_; }

  // Views report the user's selection and locator.
  void setSelection(Pane pane, int64_t start, int64_t end);
  void setLocator(Pane pane, int64_t position);
  // "Select All Switch": everything, or nothing when all was selected.
  void selectAllSwitch(Pane pane);
  void discardSelection(Pane pane);
  // ZoomEnd after a drag, with the minimum span of the zoomed view.
  SampleRange zoomEnd(Pane pane, int64_t min, int64_t max, int64_t span);
  // "View Normal Range": the whole file.
  SampleRange normalRange(Pane pane);
  // "Zoom Selection": the selection, ordered; the range unchanged without one.
  SampleRange zoomSelection(Pane pane);

  // An edit gave the edit pane's working wave a new file.
  void setWorkingFile(const std::string &path) { workingFile_ = path; }
  const std::string &workingFile() const { return workingFile_; }

  // Markers, envelope and cut list of the edit pane changed.
  void markModified();
  bool modified() const { return modified_; }
  // Undo puts back the value an entry saved.
  void setModified(bool modified) { modified_ = modified && edit_.open; }

  // A long step of the edit operations: busy (only Cancel works) while it
  // runs, the controls applied before and after.
  StepResult runStep(const std::function<StepResult()> &step) { return runBusy(step); }
  // An edit or an undo made path (samples long) the edit pane's working
  // file, with the lists of wave: the pane shows it (preparePane has built
  // its display data), with the selection and locator given, and the zoom
  // range given or else the whole file.
  void showEditState(const std::string &path, int64_t samples, const components::WaveDescription &wave,
                     int64_t selStart, int64_t selEnd, int64_t locator, std::optional<SampleRange> zoom = {});
  void setCutsEmpty(Pane pane, bool empty) { state(pane).cutsEmpty = empty; }
  // The controls and the status bar shown afresh.
  void refreshControls() { refresh(); }

  int activePane() const { return activePane_; }
  const PaneState &pane(Pane p) const { return p == Pane::Edit ? edit_ : reference_; }
  const std::filesystem::path &tempDir() const { return tempDir_; }
  std::filesystem::path clipFile() const;
  ControlState controls() const;

  // Exchangeform_updown: stops playback, shows the controls and the status.
  void Exchangeform_updown();

 private:
  PaneState &state(Pane p) { return p == Pane::Edit ? edit_ : reference_; }
  // The FE_wav_msg7 question; false when the caller must stop.
  bool settleModified();
  // The name is neither pane's file, the clipboard nor a temporary file;
  // shows why not.
  bool refuseAsTarget(const std::string &name, Pane pane);
  bool enoughSpace(const std::string &target, int64_t bytes);
  bool loadPane(Pane pane, const std::string &path, const WaveFacts &facts);
  void refresh();
  void showError(const char *textKey, const std::string &prefix = {});
  StepResult runBusy(const std::function<StepResult()> &step);

  EditorHost &host_;
  std::filesystem::path tempDir_;
  EditHistory *history_ = nullptr;
  ClipFacts clip_;
  PaneState reference_, edit_;
  std::string workingFile_;  // the file the edit pane's working wave reads
  int activePane_ = 0;
  bool modified_ = false;
  bool busy_ = false;
  bool cancelRequested_ = false;
};

}  // namespace editor
