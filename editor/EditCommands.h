// The edit pane's commands as the window's buttons, menu items and views
// trigger them: Copy, Cut, Trim, Paste, Insert Blank, Save Block, Undo and
// Reset Undo, markers, the volume envelope and the cut regions, each with
// its undo entry. The steps render through the edit operations and show
// the result through the session; nothing here touches a widget.
#pragma once

#include <filesystem>
#include <optional>

#include "editor/EditorHost.h"
#include "editor/EditorSession.h"
#include "editor/edit/Clipboard.h"
#include "editor/edit/EditOperations.h"
#include "editor/edit/UndoList.h"

namespace editor {

class EditCommands {
 public:
  EditCommands(EditorSession &session, EditorHost &host, std::filesystem::path tempDir);
  ~EditCommands();

  // Creation: the clipboard as the last window left it.
  void start();

  // Copy of the pane's selection. fromButton: the edit pane's Copy button
  // clears "from reference", the reference pane's Copy sets it, the edit
  // menu's item leaves it. True when the clipboard took the selection.
  bool copy(Pane pane, bool fromButton);
  // Copy, then the delete step (refused when less than a screen's width
  // would be left).
  void cut(bool fromButton);
  void trim();
  // At the locator; fromButton: the zoom shown before comes back after.
  void paste(bool fromButton);
  void insertBlank();
  void saveBlock(Pane pane);
  void undo();
  void resetUndo();

  // Markers of the edit pane: added where none stands yet, deleted with
  // its partner, all deleted (no undo entry).
  void addMarker(int64_t frame);
  void deleteMarker(uint32_t id);
  void deleteAllMarkers();
  // A marker drag: the entry is prepared when it starts and stored at its
  // first step.
  void markerDragStarted();
  void markerMoved();
  // Volume: Scale Up (+1 dB), Scale Down (-1 dB), Reset; an envelope edit
  // in the view (before it lands; stored when it ends).
  void scaleVolume(double factor);
  void resetVolume();
  void envelopeEditStarted();
  void envelopeEditFinished();
  // Cut regions: the selection becomes a region that playback and saving
  // leave out; a selection that starts inside a region gives it back.
  void hideSelection();
  void selectionEnded(int64_t start, int64_t end);

  // The edit menu opens: the clipboard is read again when its audio changed on disk.
  void editMenuOpening();
  // The window closes: the region file goes, the audio stays.
  void windowClosed();

  const Clipboard &clipboard() const { return clip_; }
  const UndoList &history() const { return undo_; }
  static constexpr double kScaleUp = 1.122462;     // +1 dB
  static constexpr double kScaleDown = 0.8908987;  // -1 dB

 private:
  StepIo stepIo();
  // The wave step in the progress area with its caption; busy meanwhile.
  StepResult runStep(const char *captionKey, const std::function<EditResult()> &step);
  // Builds the display data of outcome, stores the undo entry of before,
  // shows the new state. False (temp file deleted, state kept) otherwise.
  bool finishEdit(const components::WaveDescription &before, const EditOutcome &outcome, int64_t selStart,
                  int64_t selEnd, int64_t locator, std::optional<SampleRange> zoom = {});
  void failed(StepResult result, const std::filesystem::path &temp);
  void pushLists(UndoKind kind);
  void updateClipFacts();
  std::optional<std::filesystem::path> newTempFile();
  std::pair<int64_t, int64_t> selection(Pane pane) const;

  EditorSession &session_;
  EditorHost &host_;
  std::filesystem::path tempDir_;
  Clipboard clip_;
  TempFileList temps_;
  UndoList undo_;
  std::optional<UndoEntry> pending_;
};

}  // namespace editor
