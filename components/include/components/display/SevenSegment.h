// Seven-segment digits of one height, drawn once into pixmaps: each glyph is
// its lit segments over the dim unlit ones, so painting a number is a row of
// pixmap copies. Characters: '0'-'9', '-', ' ' (all segments dark), ':' and
// '.' (narrow cells); anything else shows as ' '.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QStringView>
#include <array>

class QPainter;
class QPoint;

namespace components::display {

struct SegmentMetrics {
  int height = 0;
  int digitAdvance = 0;      // a digit cell and the space after it
  int separatorAdvance = 0;  // ':' and '.'
  int slant = 0;             // the top leans right by this many pixels

  static SegmentMetrics forHeight(int digitHeight);
  int advance(QChar c) const;
  int textWidth(QStringView text) const;
};

class SegmentGlyphs {
 public:
  // Builds the glyphs unless they are already made for these values.
  void prepare(int digitHeight, qreal devicePixelRatio, QColor lit, QColor ghost);
  const SegmentMetrics &metrics() const { return metrics_; }
  // Draws text with its top-left corner at origin.
  void draw(QPainter &painter, QPoint origin, QStringView text) const;

 private:
  SegmentMetrics metrics_;
  qreal ratio_ = 0;
  QColor lit_, ghost_;
  std::array<QPixmap, 14> glyphs_;
};

}  // namespace components::display
