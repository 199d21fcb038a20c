// Which controls of the editor window are enabled, as a function of the
// panes, the clipboard and whether a long step runs.
#pragma once

#include <cstdint>

#include "editor/PaneState.h"

namespace editor {

// What the edit pane's Paste needs to know of the editor's clipboard.
struct ClipFacts {
  bool valid = false;
  int64_t samples = 0;
  uint32_t sampleRate = 0;
};

struct ControlState {
  // Menus and panes.
  bool fileMenu = false, editMenu = false, referenceMenu = false;
  bool referencePane = false, editPane = false;  // views enabled, drawn active
  bool playBar = false;
  // File menu items.
  bool openEdit = false, saveAs = false, closeEdit = false, openReference = false, closeReference = false,
       exit = false;
  // Reference title row and menu.
  bool upClose = false, upNormalRange = false, viewCopy = false, upBlockSave = false;
  bool upSelectAll = false;
  // Edit title row.
  bool openDown = false, downClose = false, saveAsButton = false;
  bool downBlockSave = false, copy = false, cut = false, trim = false, paste = false;
  bool oneBlank = false, scaleUp = false, scaleDown = false, normalRange = false, reset = false;
  // Edit menu items that differ from the buttons.
  bool pasteMenu = false, downSelectAll = false, undo = false, resetUndo = false;
  // The progress area's Cancel: only while a long step runs.
  bool cancel = false;

  bool operator==(const ControlState &) const = default;
};

struct EditorFacts {
  int activePane = 0;  // 0 none, 1 reference, 2 edit
  PaneState reference, edit;
  ClipFacts clip;
  bool undoEmpty = true;
  bool busy = false;  // a render or a fill runs
};

// Exchangeform_updown and the enabling rule of the edit pane in one.
ControlState computeControls(const EditorFacts &facts);

}  // namespace editor
