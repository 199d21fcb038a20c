// Icons of the PC tool row: the desktop's icon theme, else drawn here in
// the style's text colour (a desktop without a theme still gets clear
// pictures).
#pragma once

#include <QIcon>

class QWidget;

namespace pc {

enum class ToolIcon { Convert, WaveEdit, Email, Speed, Up, NewFolder, LargeIcons, SmallIcons, List, Report, Copy, Cut, Paste };

QIcon toolIcon(ToolIcon which, const QWidget *widget);

}  // namespace pc
