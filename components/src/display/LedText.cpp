#include "components/display/LedText.h"

#include <QPainter>

#include "Canvas.h"
#include "components/display/DisplayPalette.h"
#include "components/display/DotMatrix.h"

namespace components::display {

LedText::LedText(int cells, QWidget *parent) : QWidget(parent), cells_(std::max(1, cells)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LedText::setText(const QString &text) {
  const QString shown = dotmatrix::printable(text.left(cells_));
  if (shown == text_) return;
  text_ = shown;
  setAccessibleDescription(text_);
  cache_ = QPixmap();  // drawn again at the next paint
  update();
}

int LedText::preferredWidth(int height) const {
  return cells_ * dotmatrix::kAdvance * dotmatrix::pitchForHeight(height);
}

QSize LedText::sizeHint() const { return {preferredWidth(16), 16}; }

void LedText::resizeEvent(QResizeEvent *) { cache_ = QPixmap(); }

void LedText::render() {
  cache_ = canvas(size(), devicePixelRatioF(), palette::background());
  QPainter p(&cache_);
  const int pitch = dotmatrix::pitchForHeight(height());
  const QPoint origin(0, (height() - dotmatrix::kRows * pitch) / 2);
  const QRect cellsRect(0, 0, std::min(width(), preferredWidth(height())), height());
  dotmatrix::drawGrid(p, cellsRect, origin, pitch, palette::ghost());
  p.setClipRect(rect());
  dotmatrix::drawText(p, origin, text_, pitch, palette::lit());
}

void LedText::paintEvent(QPaintEvent *) {
  if (isStale(cache_, *this)) render();
  QPainter p(this);
  p.drawPixmap(0, 0, cache_);
}

}  // namespace components::display
