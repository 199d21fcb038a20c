#include "components/waveviews/TimeRuler.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "ViewColors.h"

namespace components::waveviews {

namespace {

constexpr int kClickPixels = 3;

}  // namespace

TimeRuler::TimeRuler(WaveViewState *state, Span span, QWidget *parent) : WaveViewBase(state, span, parent) {
  setObjectName(span == Span::Visible ? "timeRuler" : "overviewTimeRuler");
  setAccessibleName("Time ruler");
}

QSize TimeRuler::sizeHint() const { return {400, fontMetrics().height() + 8}; }

QString TimeRuler::label(int64_t frame) const {
  const int64_t ms = std::max<int64_t>(0, frame) * 1000 / std::max(1, state()->sampleRate());
  const int64_t s = ms / 1000, m = s / 60, h = m / 60, d = h / 24;
  auto two = [](int64_t v) { return QString::number(v).rightJustified(2, '0'); };
  const QString tail = two(s % 60) + "." + QString::number(ms % 1000).rightJustified(3, '0');
  if (h == 0) return QString::number(m) + ":" + tail;
  if (d == 0) return QString::number(h) + ":" + two(m % 60) + ":" + tail;
  return QString::number(d) + ":" + two(h % 24) + ":" + two(m % 60) + ":" + tail;
}

void TimeRuler::invalidate() {
  ticks_ = QPixmap();
  update();
}

void TimeRuler::paintEvent(QPaintEvent *) {
  const FrameMapping m = mapping();
  const bool stale = ticks_.isNull() || ticks_.size() != size() || ticksMapping_.origin() != m.origin() ||
                     ticksMapping_.framesPerPixel() != m.framesPerPixel() || ticksMapping_.start() != m.start() ||
                     ticksMapping_.end() != m.end() || ticksMapping_.width() != m.width();
  if (stale) {
    ticks_ = QPixmap(size().expandedTo({1, 1}));
    ticksMapping_ = m;
    QPainter t(&ticks_);
    t.fillRect(ticks_.rect(), backgroundColor());
    t.setPen(isEnabled() ? palette().color(QPalette::WindowText) : colors::disabledTrace());
    const int h = height();
    t.drawLine(0, h - 1, width(), h - 1);
    const TimeGrid grid = timeGrid(m, state()->sampleRate(), fontMetrics().horizontalAdvance("0:00:00.000") + 12);
    for (int64_t k = grid.lineAtOrBefore(viewStart());; ++k) {
      const int64_t f = grid.frameOfLine(k);
      if (f > viewEnd()) break;
      const int x = static_cast<int>(std::floor(m.xOf(f)));
      t.drawLine(x, h / 2, x, h - 1);
      t.drawText(x + 3, fontMetrics().ascent() + 1, label(f));
      // Four minor ticks between major ones.
      for (int j = 1; j < 5; ++j) {
        const int64_t mf = f + (grid.frameOfLine(k + 1) - f) * j / 5;
        const int mx = static_cast<int>(std::floor(m.xOf(mf)));
        t.drawLine(mx, h - 4, mx, h - 1);
      }
    }
  }
  QPainter p(this);
  p.drawPixmap(0, 0, ticks_);
  const int64_t locator = state()->locator();
  if (locator >= viewStart() && locator <= viewEnd()) {
    const double x = std::floor(xOf(locator));
    const int h = height();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colors::locator());
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(x - 4, h - 7), QPointF(x + 5, h - 7), QPointF(x + 0.5, h - 1)}));
  }
  if (zooming_) {
    const double a = xOf(from_), b = xOf(frameAt(lastX_));
    p.fillRect(QRectF(std::min(a, b), 0, std::fabs(b - a), height()), colors::rangeBox());
  }
}

void TimeRuler::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  zooming_ = false;
  pressX_ = static_cast<int>(event->position().x());
  from_ = frameAt(pressX_);
}

void TimeRuler::mouseMoveEvent(QMouseEvent *event) {
  if (!pressed_) return;
  const int x = static_cast<int>(event->position().x());
  lastX_ = x;
  if (std::abs(x - pressX_) >= kClickPixels) zooming_ = true;
  if (zooming_) {
    emit zooming(from_, frameAt(x));
    update();
  }
}

void TimeRuler::mouseReleaseEvent(QMouseEvent *event) {
  if (!pressed_ || event->button() != Qt::LeftButton) return;
  pressed_ = false;
  const int64_t frame = frameAt(static_cast<int>(event->position().x()));
  if (zooming_) {
    zooming_ = false;
    update();
    emit zoomEnd(from_, frame);
  } else {
    state()->setLocator(frame);
    emit locatorChanged(frame);
  }
}

}  // namespace components::waveviews
