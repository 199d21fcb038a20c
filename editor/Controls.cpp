#include "editor/Controls.h"

namespace editor {

ControlState computeControls(const EditorFacts &f) {
  ControlState c;
  if (f.busy) {
    // A render or a fill pumps events: only its Cancel may run.
    c.cancel = true;
    return c;
  }
  c.fileMenu = true;
  c.openEdit = c.openReference = c.exit = true;
  c.openDown = true;
  c.saveAs = f.edit.open;
  c.closeEdit = f.edit.open;
  c.closeReference = f.reference.open;

  if (f.activePane == 1) {
    const PaneState &p = f.reference;
    c.referenceMenu = c.referencePane = true;
    c.playBar = p.open;
    c.upClose = c.upNormalRange = true;
    c.viewCopy = c.upBlockSave = p.hasSelection();
    c.upSelectAll = p.open && p.cutsEmpty;
  } else if (f.activePane == 2) {
    const PaneState &p = f.edit;
    c.editMenu = c.editPane = true;
    c.playBar = p.open;
    c.downClose = c.saveAsButton = true;
    c.copy = c.downBlockSave = p.hasSelection();
    c.cut = c.trim = c.copy && (p.selStart > 0 || p.selEnd < p.rangeEnd());
    c.paste = p.open && f.clip.valid && f.clip.samples > 0;
    c.pasteMenu = c.paste && f.clip.sampleRate == p.wave.sampleRate;
    c.oneBlank = c.scaleUp = c.scaleDown = c.normalRange = c.reset = true;
    c.downSelectAll = p.open && p.cutsEmpty;
    c.undo = c.resetUndo = !f.undoEmpty;
  }
  return c;
}

}  // namespace editor
