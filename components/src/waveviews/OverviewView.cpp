#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ViewColors.h"
#include "components/waveviews/WaveformView.h"

namespace components::waveviews {

OverviewView::OverviewView(WaveViewState *state, QWidget *parent) : WaveformView(state, Span::Whole, parent) {
  setObjectName("overviewView");
  setAccessibleName("Overview");
}

void OverviewView::paintOverlays(QPainter &p) {
  WaveformView::paintOverlays(p);
  const WaveViewState *s = state();
  if (s->length() <= 0) return;
  const double a = xOf(s->rangeStart()), b = std::max(xOf(s->rangeEnd()), a + 2);
  const QRectF box(a, 0, b - a, height() - 1);
  p.fillRect(box, colors::rangeBox());
  p.setPen(QPen(Qt::black, 1));
  p.drawRect(box);
}

void OverviewView::moveRangeTo(int x) {
  WaveViewState *s = state();
  s->scrollTo(frameAt(x) - grabOffset_);
  emit rangeMoved(s->rangeStart(), s->rangeEnd());
}

void OverviewView::mousePressEvent(QMouseEvent *event) {
  const int x = static_cast<int>(event->position().x());
  const int64_t frame = frameAt(x);
  emit pressed(frame, event->button(), event->modifiers());
  if (event->button() != Qt::LeftButton || state()->length() <= 0) return;
  const WaveViewState *s = state();
  dragging_ = true;
  if (frame >= s->rangeStart() && frame < s->rangeEnd()) {
    grabOffset_ = frame - s->rangeStart();
  } else {
    grabOffset_ = (s->rangeEnd() - s->rangeStart()) / 2;
    moveRangeTo(x);
  }
}

void OverviewView::mouseMoveEvent(QMouseEvent *event) {
  if (dragging_) moveRangeTo(static_cast<int>(event->position().x()));
}

void OverviewView::mouseReleaseEvent(QMouseEvent *event) {
  if (dragging_ && event->button() == Qt::LeftButton) dragging_ = false;
}

void OverviewView::wheelEvent(QWheelEvent *event) { event->ignore(); }

}  // namespace components::waveviews
