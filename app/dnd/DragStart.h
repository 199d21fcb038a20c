// When a drag starts from the PC file list or the recording list, and what
// the drop targets learn of a PC drag (the shared drag selection).
#pragma once

#include <Qt>
#include <QPoint>
#include <string>
#include <utility>
#include <vector>

#include "recorder/RecorderPanel.h"

namespace app::dnd {

enum class DragSource { PcFileList, RecordingList };

// Pixels the pointer must move from the press point, in either direction,
// before a drag starts.
constexpr int dragDistance(DragSource source) { return source == DragSource::PcFileList ? 10 : 2; }

// Exactly the left button or exactly the right button, with no Shift, Ctrl,
// Alt or Meta held.
bool dragButtonsAllowed(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// True once the pointer is `distance` pixels or more from the press point
// in at least one direction.
bool leftDragZone(QPoint press, QPoint pointer, int distance);

// The whole rule for a mouse move: allowed buttons, out of the zone and at
// least one item selected.
bool dragStarts(DragSource source, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint press,
                QPoint pointer, int selectedCount);

// A selected item of the PC list: its index in the list and its caption
// (the file name).
using ListItem = std::pair<int, std::string>;

struct PcDrag {
  recorder::DragSelection selection;  // the first 500 in list order
  std::vector<std::string> names;     // every selected file, in list order
};

// The drag selection for a drag from the PC list (source folder 0) and the
// names for the drag's data. `selected` may come in any order; both follow
// the list. selectedVoiceFolder is the recorder folder selected when the
// drag begins (1-based).
PcDrag pcDragFromSelection(std::vector<ListItem> selected, int selectedVoiceFolder);

}  // namespace app::dnd
