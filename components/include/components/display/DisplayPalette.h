// The colours of the display strip: one lit colour for letters and digits
// on black, their unlit ghosts, captions, and the meter and spectrum zones.
#pragma once

#include <QColor>

namespace components::display::palette {

inline QColor background() { return QColor(0, 0, 0); }
inline QColor lit() { return QColor(72, 232, 255); }
inline QColor ghost() { return QColor(10, 30, 36); }
inline QColor caption() { return QColor(112, 132, 140); }
inline QColor separator() { return QColor(34, 40, 44); }

// Level meter zones: green to -12 dB, yellow to -3 dB, red above.
inline QColor meterGreen() { return QColor(40, 230, 90); }
inline QColor meterYellow() { return QColor(250, 220, 40); }
inline QColor meterRed() { return QColor(255, 60, 40); }

// Spectrum bars: green at the bottom to cyan at the top.
inline QColor spectrumLow() { return QColor(30, 210, 80); }
inline QColor spectrumHigh() { return QColor(60, 230, 255); }

// The unlit version of a lit colour.
inline QColor dimmed(QColor c, int percent = 16) {
  return QColor(c.red() * percent / 100, c.green() * percent / 100, c.blue() * percent / 100);
}

}  // namespace components::display::palette
