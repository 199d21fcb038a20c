#include "components/waveviews/RangeScroller.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

#include "ViewColors.h"

namespace components::waveviews {

namespace {

constexpr int kMinThumb = 8;
constexpr int kGrabPixels = 4;

}  // namespace

RangeScroller::RangeScroller(WaveViewState *state, QWidget *parent) : WaveViewBase(state, Span::Whole, parent) {
  setObjectName("rangeScroller");
  setAccessibleName("Visible range");
  setFocusPolicy(Qt::StrongFocus);
}

QSize RangeScroller::sizeHint() const { return {400, fontMetrics().height() + 6}; }

void RangeScroller::setText(const QString &text) {
  if (text == text_) return;
  text_ = text;
  setAccessibleDescription(text);
  update();
}

QRect RangeScroller::thumbRect() const {
  const double total = static_cast<double>(viewEnd());
  const double scale = width() / total;
  int a = static_cast<int>(std::floor(state()->rangeStart() * scale));
  int b = static_cast<int>(std::ceil(std::min<double>(state()->rangeEnd(), total) * scale));
  if (b - a < kMinThumb) {
    a = std::clamp(a - (kMinThumb - (b - a)) / 2, 0, std::max(0, width() - kMinThumb));
    b = a + kMinThumb;
  }
  return QRect(a, 0, b - a, height());
}

void RangeScroller::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), backgroundColor().darker(108));
  const QRect thumb = thumbRect();
  p.fillRect(thumb.adjusted(0, 1, 0, -1), isEnabled() ? palette().color(QPalette::Button).lighter(106)
                                                      : colors::inactiveBackground());
  p.setPen(isEnabled() ? palette().color(QPalette::Shadow) : colors::disabledTrace());
  p.drawRect(thumb.adjusted(0, 1, -1, -2));
  if (hasFocus()) p.drawRect(thumb.adjusted(2, 3, -3, -4));
  p.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : colors::disabledTrace());
  p.drawText(rect(), Qt::AlignCenter, text_);
}

void RangeScroller::apply(int64_t start, int64_t end) {
  const int64_t total = viewEnd();
  const int64_t span = std::clamp<int64_t>(end - start, 1, total);
  start = std::clamp<int64_t>(start, 0, total - span);
  WaveViewState *s = state();
  if (start == s->rangeStart() && start + span == s->rangeEnd()) return;
  s->setRange(start, start + span);
  emit rangeChanged(s->rangeStart(), s->rangeEnd());
}

void RangeScroller::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  const int x = static_cast<int>(event->position().x());
  const QRect thumb = thumbRect();
  const WaveViewState *s = state();
  const int64_t span = s->rangeEnd() - s->rangeStart();
  pressX_ = x;
  pressStart_ = s->rangeStart();
  pressEnd_ = s->rangeEnd();
  if (x < thumb.left() - 1) {
    apply(s->rangeStart() - span, s->rangeStart());
    return;
  }
  if (x > thumb.right() + 1) {
    apply(s->rangeEnd(), s->rangeEnd() + span);
    return;
  }
  if (thumb.width() > 3 * kGrabPixels && x <= thumb.left() + kGrabPixels)
    drag_ = Drag::Left;
  else if (thumb.width() > 3 * kGrabPixels && x >= thumb.right() - kGrabPixels)
    drag_ = Drag::Right;
  else
    drag_ = Drag::Move;
  emit dragStarted();
}

void RangeScroller::mouseMoveEvent(QMouseEvent *event) {
  if (drag_ == Drag::None) return;
  const double dx = event->position().x() - pressX_;
  const int64_t delta = std::llround(dx * static_cast<double>(viewEnd()) / std::max(1, width()));
  switch (drag_) {
    case Drag::Move:
      apply(pressStart_ + delta, pressEnd_ + delta);
      break;
    case Drag::Left:
      apply(std::clamp<int64_t>(pressStart_ + delta, 0, pressEnd_ - 1), pressEnd_);
      break;
    case Drag::Right:
      apply(pressStart_, std::clamp<int64_t>(pressEnd_ + delta, pressStart_ + 1, viewEnd()));
      break;
    case Drag::None:
      break;
  }
}

void RangeScroller::mouseReleaseEvent(QMouseEvent *event) {
  if (drag_ == Drag::None || event->button() != Qt::LeftButton) return;
  drag_ = Drag::None;
  emit dragFinished(state()->rangeStart(), state()->rangeEnd());
}

void RangeScroller::keyPressEvent(QKeyEvent *event) {
  const WaveViewState *s = state();
  const int64_t span = s->rangeEnd() - s->rangeStart();
  int64_t step = 0;
  switch (event->key()) {
    case Qt::Key_Left: step = -std::max<int64_t>(1, span / 10); break;
    case Qt::Key_Right: step = std::max<int64_t>(1, span / 10); break;
    case Qt::Key_PageUp: step = -span; break;
    case Qt::Key_PageDown: step = span; break;
    case Qt::Key_Home: step = -s->rangeStart(); break;
    case Qt::Key_End: step = viewEnd() - s->rangeEnd(); break;
    default: WaveViewBase::keyPressEvent(event); return;
  }
  apply(s->rangeStart() + step, s->rangeEnd() + step);
  event->accept();
}

}  // namespace components::waveviews
