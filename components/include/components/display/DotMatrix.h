// The strip's dot-matrix lettering: a 5 x 7 font of our own for printable
// ASCII, drawn as dots `pitch` pixels apart. Characters outside the font
// (accents, other scripts) are drawn from a regular font in the same colour,
// so any file name shows.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>

class QPainter;
class QPoint;
class QRect;

namespace components::display::dotmatrix {

inline constexpr int kColumns = 5;
inline constexpr int kRows = 7;
// A character cell: five columns of dots and one column of space.
inline constexpr int kAdvance = kColumns + 1;

// Rows top to bottom, bit 4 the leftmost column; nullptr when the font has
// no glyph for c.
const std::array<std::uint8_t, kRows> *glyph(char32_t c);

// The largest dot pitch whose kRows rows and one row of margin fit a height.
inline int pitchForHeight(int height) { return height < 2 * (kRows + 1) ? 1 : height / (kRows + 1); }

// Text fit for the display: control characters (tabs, line breaks) become
// blanks.
QString printable(const QString &text);

// The font for characters without a glyph, sized for a pitch.
QFont fallbackFont(int pitch);

// Width in pixels of text drawn at this pitch.
int textWidth(QStringView text, int pitch);

// Draws text with the top of its dot rows at origin's y.
void drawText(QPainter &painter, QPoint origin, QStringView text, int pitch, QColor lit);

// The unlit dots of a dot-matrix area: kRows rows from origin's y, columns
// from origin's x across rect; in kAdvance-wide cells with a dark column
// between them, or one dot every pitch for text that scrolls by dots.
enum class Grid { Cells, Continuous };
void drawGrid(QPainter &painter, const QRect &rect, QPoint origin, int pitch, QColor ghost, Grid grid = Grid::Cells);

}  // namespace components::display::dotmatrix
