#include "components/display/LedNumber.h"

#include <QPainter>

#include "components/display/DisplayFormat.h"
#include "components/display/DisplayPalette.h"
#include "components/display/DotMatrix.h"

namespace components::display {

LedNumber::LedNumber(const QString &pattern, const QString &caption, QWidget *parent)
    : QWidget(parent), pattern_(pattern), caption_(caption), text_(pattern.size(), QLatin1Char(' ')) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LedNumber::setText(const QString &text) {
  QString cells = text.right(pattern_.size());
  cells = cells.rightJustified(pattern_.size(), QLatin1Char(' '));
  if (cells == text_) return;
  qsizetype first = 0, last = cells.size() - 1;
  while (cells[first] == text_[first]) ++first;
  while (cells[last] == text_[last]) --last;
  text_ = cells;
  setAccessibleDescription(text_.trimmed());
  if (!isVisible()) return;
  glyphs_.prepare(height(), devicePixelRatioF(), palette::lit(), palette::ghost());
  update(cellsRect(first, last));
}

// The caption's letters are a third of the digits' height at most.
int LedNumber::captionPitch() const { return std::max(1, height() / (3 * dotmatrix::kRows)); }

int LedNumber::preferredWidth(int height) const {
  int width = SegmentMetrics::forHeight(height).textWidth(pattern_);
  if (!caption_.isEmpty()) {
    const int pitch = std::max(1, height / (3 * dotmatrix::kRows));
    width += 2 * pitch + dotmatrix::textWidth(caption_, pitch);
  }
  return width;
}

QSize LedNumber::sizeHint() const { return {preferredWidth(24), 24}; }

QRect LedNumber::cellsRect(qsizetype first, qsizetype last) const {
  const SegmentMetrics &m = glyphs_.metrics();
  int x = 0;
  for (qsizetype i = 0; i < first; ++i) x += m.advance(pattern_[i]);
  int width = m.slant;
  for (qsizetype i = first; i <= last; ++i) width += m.advance(pattern_[i]);
  return QRect(x, 0, width + 1, height());
}

void LedNumber::resizeEvent(QResizeEvent *) {
  glyphs_.prepare(height(), devicePixelRatioF(), palette::lit(), palette::ghost());
}

void LedNumber::paintEvent(QPaintEvent *) {
  glyphs_.prepare(height(), devicePixelRatioF(), palette::lit(), palette::ghost());
  QPainter p(this);
  p.fillRect(rect(), palette::background());
  glyphs_.draw(p, QPoint(0, 0), text_);
  if (!caption_.isEmpty()) {
    const int pitch = captionPitch();
    const int x = glyphs_.metrics().textWidth(pattern_) + 2 * pitch;
    dotmatrix::drawText(p, QPoint(x, height() - dotmatrix::kRows * pitch), caption_, pitch, palette::caption());
  }
}

LedClock::LedClock(QWidget *parent) : LedNumber(QStringLiteral("88:88:88"), {}, parent) {
  setMilliseconds(0);
}

void LedClock::setMilliseconds(std::int64_t milliseconds) { setText(formatClock(milliseconds)); }

}  // namespace components::display
