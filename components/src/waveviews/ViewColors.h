// The colours the views draw with.
#pragma once

#include <QColor>

namespace components::waveviews::colors {

inline QColor inactiveBackground() { return QColor(192, 192, 192); }  // silver
inline QColor trace() { return QColor(0, 64, 160); }
inline QColor disabledTrace() { return QColor(128, 128, 128); }
inline QColor centreLine() { return QColor(0, 0, 0, 60); }
inline QColor selection() { return QColor(0, 0, 128, 70); }
inline QColor cut() { return QColor(60, 60, 60, 110); }
inline QColor grid() { return QColor(0, 0, 0, 36); }
inline QColor locator() { return QColor(220, 0, 0); }
inline QColor secondaryCursor() { return QColor(160, 0, 160); }
inline QColor marker() { return QColor(200, 110, 0); }
inline QColor rangeBox() { return QColor(0, 0, 0, 40); }
inline QColor envelope() { return QColor(0, 140, 0); }

}  // namespace components::waveviews::colors
