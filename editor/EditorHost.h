// What the editor's logic asks of its window: dialogs and message boxes,
// the file checks and conversions, the panes' display data, the render of
// the edit file, and showing the controls and the status bar. The window
// implements it; tests script it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "components/JobUi.h"
#include "components/waveedit/WaveDescription.h"
#include "editor/Controls.h"
#include "editor/PaneState.h"

namespace editor {

// The outcome of a long step that the user can cancel.
enum class StepResult { Done, Cancelled, Failed };

// What opening a WAV file tells about it.
struct ProbeResult {
  enum Status { Ok, Unreadable, NoAudio, BadFormat } status = Unreadable;
  WaveFacts facts;
  std::string formatName;  // the format's name for BadFormat
};

class EditorHost {
 public:
  virtual ~EditorHost() = default;

  // The open dialog of a pane; nothing when cancelled.
  virtual std::optional<std::string> chooseOpenFile(Pane pane) = 0;
  // The save dialog ("*.wav"), starting at proposed. It does not ask about
  // an existing file itself: confirmReplace does.
  virtual std::optional<std::string> chooseSaveFile(const std::string &proposed) = 0;
  // Asks before an existing file is replaced.
  virtual bool confirmReplace(const std::string &path) = 0;
  // The editor's message box: keys for caption and text, a raw prefix.
  virtual int messageBox(const char *captionKey, const char *textKey, components::MsgKind kind, int buttons,
                         const std::string &prefix = {}) = 0;

  // Opens a file as the editor reads WAV files and checks its format.
  virtual ProbeResult probe(const std::string &path) = 0;
  // Decodes a voice file into a WAV file in the progress window; the target
  // gets its name only when complete. Reports its own errors.
  virtual bool convertVoiceFile(const std::string &voicePath, const std::string &wavPath) = 0;
  // Free bytes on the file system of folder, asked afresh; -1 when unknown.
  virtual int64_t freeBytes(const std::string &folder) = 0;

  // Builds the display data of a file for a pane (progress in the status
  // bar, cancellable). The pane keeps showing what it showed until commit.
  virtual StepResult preparePane(Pane pane, const std::string &path, const WaveFacts &facts) = 0;
  // Shows what preparePane built, with the state's ranges and selection.
  virtual void commitPane(Pane pane, const PaneState &state) = 0;
  // Empties a pane: no file, range 0 to 44100, no selection or locator.
  virtual void clearPane(Pane pane) = 0;
  // Renders the edit pane's working wave (cut list and envelope applied)
  // into target through a temporary file renamed over it at the end.
  virtual StepResult renderEdit(const std::string &target) = 0;

  // The pane's working wave as an edit reads it: the file it reads, the
  // range 0 to its length and the lists the views hold now.
  virtual components::WaveDescription paneWave(Pane pane) = 0;
  // Shows what preparePane built for the edit pane as a new edit state: the
  // working wave reads wave.fileName and carries wave's lists; state gives
  // the ranges, selection and locator (its fileName stays the opened file).
  virtual void commitEdit(const PaneState &state, const components::WaveDescription &wave) = 0;
  // One list of the edit pane replaced, without refilling the pane.
  virtual void setEditMarkers(const components::MarkerList &markers) = 0;
  virtual void setEditEnvelope(const components::VolumeEnvelope &envelope) = 0;
  virtual void setEditCuts(const components::CutList &cuts) = 0;
  // The progress area of the status bar: shown with a caption, a step
  // (false when the user cancelled) and hidden.
  virtual void progressShow(const char *captionKey) = 0;
  virtual bool progressStep(int percent) = 0;
  virtual void progressHide() = 0;
  // The screen's width in pixels: the shortest file or block an edit leaves.
  virtual int screenWidth() = 0;

  virtual void stopPlayback() = 0;
  virtual void applyControls(const ControlState &controls) = 0;
  // The status bar shows the active pane, or nothing.
  virtual void showStatus(const PaneState *active) = 0;
};

// The undo list as Save As needs it: an undo entry may refer to the opened
// file, which a save over it replaces.
class EditHistory {
 public:
  virtual ~EditHistory() = default;
  virtual bool empty() const = 0;
  virtual void clear() = 0;
  // Entries that refer to from refer to to afterwards.
  virtual void redirect(const std::string &from, const std::string &to) = 0;
};

}  // namespace editor
