#include "app/dnd/DragStart.h"

#include <algorithm>
#include <cstdlib>

namespace app::dnd {

bool dragButtonsAllowed(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  // Keypad and group-switch flags are not keys the user holds.
  constexpr Qt::KeyboardModifiers held = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  if (modifiers & held) return false;
  return buttons == Qt::LeftButton || buttons == Qt::RightButton;
}

bool leftDragZone(QPoint press, QPoint pointer, int distance) {
  return std::abs(pointer.x() - press.x()) >= distance || std::abs(pointer.y() - press.y()) >= distance;
}

bool dragStarts(DragSource source, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint press,
                QPoint pointer, int selectedCount) {
  return dragButtonsAllowed(buttons, modifiers) && leftDragZone(press, pointer, dragDistance(source)) &&
         selectedCount > 0;
}

PcDrag pcDragFromSelection(std::vector<ListItem> selected, int selectedVoiceFolder) {
  std::stable_sort(selected.begin(), selected.end(),
                   [](const ListItem &a, const ListItem &b) { return a.first < b.first; });
  PcDrag drag;
  drag.selection.sourceFolder = 0;
  drag.selection.folderAtStart = selectedVoiceFolder;
  drag.names.reserve(selected.size());
  for (ListItem &item : selected) {
    if (drag.selection.items.size() < recorder::DragSelection::kMaxItems) drag.selection.items.push_back(item);
    drag.names.push_back(std::move(item.second));
  }
  return drag;
}

}  // namespace app::dnd
