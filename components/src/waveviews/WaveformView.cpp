#include "components/waveviews/WaveformView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ViewColors.h"

namespace components::waveviews {

namespace {

constexpr int kEdgePixels = 3;    // how near a press must be to grab a selection edge
constexpr int kClickPixels = 3;   // a press that moves less is a click
constexpr int kScrollMargin = 5;  // dragging this near a side scrolls

}  // namespace

WaveformView::WaveformView(WaveViewState *state, QWidget *parent) : WaveformView(state, Span::Visible, parent) {
  setObjectName("waveformView");
  setAccessibleName("Waveform");
}

WaveformView::WaveformView(WaveViewState *state, Span span, QWidget *parent) : WaveViewBase(state, span, parent) {
  setMinimumHeight(20);
  setMouseTracking(true);  // for the edge cursor
  buildTimer_.setInterval(100);
  connect(&buildTimer_, &QTimer::timeout, this, &WaveformView::pollBuild);
}

WaveformView::~WaveformView() = default;

void WaveformView::setPeakCache(std::shared_ptr<const PeakCache> cache) {
  cache_ = std::move(cache);
  imageFilled_ = cache_ ? cache_->filledFrames() : 0;
  if (cache_ && !cache_->finished())
    buildTimer_.start();
  else
    buildTimer_.stop();
  invalidate();
}

void WaveformView::refreshPeaks() { invalidate(); }

void WaveformView::invalidate() {
  imageValid_ = false;
  update();
}

void WaveformView::pollBuild() {
  if (!cache_ || cache_->finished()) buildTimer_.stop();
  const int64_t filled = cache_ ? cache_->filledFrames() : 0;
  if (filled != imageFilled_ || !buildTimer_.isActive()) {
    imageFilled_ = filled;
    invalidate();
  }
}

WaveformView::Edge WaveformView::edgeAt(int x) const {
  const WaveViewState *s = state();
  if (!s->hasSelection()) return Edge::None;
  const double toStart = std::fabs(xOf(s->selectionStart()) - x);
  const double toEnd = std::fabs(xOf(s->selectionEnd()) - x);
  if (toStart > kEdgePixels && toEnd > kEdgePixels) return Edge::None;
  return toStart <= toEnd ? Edge::SelectionStart : Edge::SelectionEnd;
}

int64_t WaveformView::snapped(int64_t frame) const {
  if (!state()->snapToGrid()) return frame;
  const FrameMapping m = mapping();
  const int64_t s = timeGrid(m, state()->sampleRate()).snap(m, frame);
  return std::clamp(s, viewStart(), viewEnd());
}

// The trace lives in image_; a scroll at the same zoom shifts it and
// renders only the columns that came into view.
void WaveformView::updateImage() {
  const FrameMapping m = mapping();
  const QSize size = this->size().expandedTo({1, 1});
  const bool sameShape = imageValid_ && image_.size() == size && !m.sampleMode() && !imageMapping_.sampleMode() &&
                         imageMapping_.framesPerPixel() == m.framesPerPixel() && imageMapping_.width() == m.width();
  if (sameShape && imageMapping_.origin() == m.origin()) return;
  if (sameShape) {
    const int64_t shift = (m.origin() - imageMapping_.origin()) / m.framesPerPixel();
    if (std::llabs(shift) < size.width()) {
      const int dx = static_cast<int>(shift);
      // Shift every line in place: 4 bytes a pixel.
      const int keep = size.width() - std::abs(dx);
      for (int y = 0; y < image_.height(); ++y) {
        uchar *line = image_.scanLine(y);
        std::memmove(line + std::max(0, -dx) * 4, line + std::max(0, dx) * 4, static_cast<size_t>(keep) * 4);
      }
      imageMapping_ = m;
      if (dx > 0)
        renderColumns(image_, m, size.width() - dx, size.width());
      else
        renderColumns(image_, m, 0, -dx);
      ++stripRenders_;
      return;
    }
  }
  image_ = QImage(size, QImage::Format_RGB32);
  imageMapping_ = m;
  imageValid_ = true;
  ++fullRenders_;
  if (m.sampleMode())
    renderSamples(image_, m);
  else
    renderColumns(image_, m, 0, size.width());
}

void WaveformView::renderColumns(QImage &image, const FrameMapping &m, int from, int to) {
  QPainter p(&image);
  const int h = image.height();
  p.fillRect(QRect(from, 0, to - from, h), backgroundColor());
  const double mid = (h - 1) / 2.0;
  p.setPen(colors::centreLine());
  p.drawLine(from, qRound(mid), to - 1, qRound(mid));
  if (!cache_ || to <= from) return;
  std::vector<Peak> peaks;
  cache_->columns(m.origin() + from * m.framesPerPixel(), m.framesPerPixel(), to - from, peaks);
  const double scale = mid / 32768.0;
  p.setPen(traceColor());
  for (int i = 0; i < to - from; ++i) {
    const Peak &peak = peaks[static_cast<size_t>(i)];
    if (peak.empty()) continue;
    const int x = from + i;
    const int top = static_cast<int>(std::lround(mid - peak.max * scale));
    const int bottom = static_cast<int>(std::lround(mid - peak.min * scale));
    p.drawLine(x, top, x, bottom);
  }
}

void WaveformView::renderSamples(QImage &image, const FrameMapping &m) {
  QPainter p(&image);
  const int h = image.height();
  p.fillRect(image.rect(), backgroundColor());
  const double mid = (h - 1) / 2.0;
  p.setPen(colors::centreLine());
  p.drawLine(0, qRound(mid), image.width() - 1, qRound(mid));
  if (!cache_) return;
  std::vector<int16_t> frames;
  const size_t n = cache_->samples(m.start(), static_cast<size_t>(m.end() - m.start() + 1), frames);
  if (n == 0) return;
  const double scale = mid / 32768.0;
  const double pixelsPerFrame = static_cast<double>(m.width()) / static_cast<double>(m.end() - m.start());
  QPolygonF line;
  line.reserve(static_cast<int>(n));
  for (size_t i = 0; i < n; ++i)
    line << QPointF((static_cast<double>(i) + 0.5) * pixelsPerFrame, mid - frames[i] * scale);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(traceColor(), 1));
  p.drawPolyline(line);
  if (pixelsPerFrame >= 6) {
    p.setBrush(traceColor());
    for (const QPointF &pt : line) p.drawEllipse(pt, 1.5, 1.5);
  }
}

void WaveformView::paintEvent(QPaintEvent *) {
  updateImage();
  QPainter p(this);
  p.drawImage(0, 0, image_);
  paintOverlays(p);
}

void WaveformView::paintOverlays(QPainter &p) {
  const WaveViewState *s = state();
  const FrameMapping m = mapping();
  const int h = height();
  auto x = [&](int64_t frame) { return m.xOf(frame); };
  if (s->gridVisible()) {
    const TimeGrid grid = timeGrid(m, s->sampleRate());
    p.setPen(colors::grid());
    for (int64_t k = grid.lineAtOrBefore(viewStart());; ++k) {
      const int64_t f = grid.frameOfLine(k);
      if (f > viewEnd()) break;
      const int gx = static_cast<int>(std::floor(x(f)));
      p.drawLine(gx, 0, gx, h);
    }
  }
  for (const CutRegion &cut : s->cuts()) {
    if (cut.end() < viewStart() || cut.start > viewEnd()) continue;
    const QRectF r(QPointF(x(cut.start), 0), QPointF(x(cut.end()), h));
    p.fillRect(r, QBrush(colors::cut(), Qt::BDiagPattern));
    p.fillRect(r, colors::cut());
  }
  if (s->hasSelection()) {
    const double a = std::max(x(s->selectionStart()), -1.0), b = std::min(x(s->selectionEnd()), width() + 1.0);
    if (b > a) p.fillRect(QRectF(a, 0, b - a, h), colors::selection());
  }
  auto vline = [&](int64_t frame, const QPen &pen) {
    if (frame < viewStart() || frame > viewEnd()) return;
    p.setPen(pen);
    const int lx = static_cast<int>(std::floor(x(frame)));
    p.drawLine(lx, 0, lx, h);
  };
  for (const Marker &marker : s->markers())
    if (marker.visible) vline(marker.offset, QPen(colors::marker(), 1, Qt::DotLine));
  if (s->secondaryCursor() >= 0) vline(s->secondaryCursor(), QPen(colors::secondaryCursor(), 1, Qt::DashLine));
  if (s->locator() >= 0) vline(s->locator(), QPen(colors::locator(), 1));
  if (drag_ == Drag::Zoom && zoomBand_.second != zoomBand_.first) {
    const double a = x(std::min(zoomBand_.first, zoomBand_.second)), b = x(std::max(zoomBand_.first, zoomBand_.second));
    p.fillRect(QRectF(a, 0, b - a, h), colors::rangeBox());
  }
}

void WaveformView::mousePressEvent(QMouseEvent *event) {
  const int px = static_cast<int>(event->position().x());
  const int64_t frame = frameAt(px);
  emit pressed(frame, event->button(), event->modifiers());
  if (drag_ != Drag::None) return;
  pressX_ = px;
  moved_ = false;
  if (event->button() == Qt::MiddleButton) {
    drag_ = Drag::Zoom;
    zoomFrom_ = frame;
    zoomBand_ = {frame, frame};
    emit zooming(frame, frame);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  WaveViewState *s = state();
  const Edge edge = edgeAt(px);
  if (edge != Edge::None) {
    drag_ = Drag::Edge;
    dragEdge_ = edge;
    anchor_ = edge == Edge::SelectionStart ? s->selectionEnd() : s->selectionStart();
  } else if (trackMode_) {
    drag_ = Drag::Track;
    emit trackBegin(frame);
  } else if ((event->modifiers() & Qt::ShiftModifier) && s->hasSelection()) {
    // Extend from the edge farther away from the press.
    drag_ = Drag::Select;
    const bool nearStart = std::llabs(frame - s->selectionStart()) < std::llabs(frame - s->selectionEnd());
    anchor_ = nearStart ? s->selectionEnd() : s->selectionStart();
    moved_ = true;
    select(snapped(frame));
  } else {
    drag_ = Drag::Select;
    anchor_ = snapped(frame);
  }
}

void WaveformView::select(int64_t frame) {
  const int64_t a = std::min(anchor_, frame), b = std::max(anchor_, frame);
  state()->setSelection(a, b);
  emit selecting(a, b);
}

void WaveformView::followPointer(int px) {
  // Dragging at a side scrolls by half a span, at most every 150 ms.
  if (span() != Span::Visible || (followClock_.isValid() && followClock_.elapsed() < 150)) return;
  WaveViewState *s = state();
  const int64_t half = (s->rangeEnd() - s->rangeStart()) / 2;
  int64_t start = s->rangeStart();
  if (px > width() - kScrollMargin && s->rangeEnd() < s->length())
    start += half;
  else if (px < kScrollMargin - 1 && s->rangeStart() > 0)
    start -= half;
  else
    return;
  followClock_.start();
  s->scrollTo(start);
  emit rangeChanged(s->rangeStart(), s->rangeEnd());
}

void WaveformView::mouseMoveEvent(QMouseEvent *event) {
  const int px = static_cast<int>(event->position().x());
  if (std::abs(px - pressX_) >= kClickPixels) moved_ = true;
  switch (drag_) {
    case Drag::None:
      setCursor(edgeAt(px) != Edge::None ? Qt::SizeHorCursor : Qt::ArrowCursor);
      return;
    case Drag::Zoom:
      zoomBand_.second = frameAt(px);
      emit zooming(zoomFrom_, zoomBand_.second);
      update();
      return;
    case Drag::Track:
      emit tracking(frameAt(px));
      return;
    case Drag::Select:
      if (!moved_) return;
      followPointer(px);
      select(snapped(frameAt(px)));
      return;
    case Drag::Edge:
      followPointer(px);
      select(snapped(frameAt(px)));
      return;
  }
}

void WaveformView::mouseReleaseEvent(QMouseEvent *event) {
  const int px = static_cast<int>(event->position().x());
  const int64_t frame = frameAt(px);
  const Drag drag = drag_;
  drag_ = Drag::None;
  switch (drag) {
    case Drag::None:
      return;
    case Drag::Zoom:
      update();
      if (moved_) emit zoomEnd(zoomFrom_, frame);
      return;
    case Drag::Track:
      emit trackEnd(frame);
      return;
    case Drag::Select:
      if (!moved_) {
        state()->setLocator(frame);
        emit locatorChanged(frame);
        return;
      }
      emit selectEnd(state()->selectionStart(), state()->selectionEnd());
      return;
    case Drag::Edge:
      emit selectEnd(state()->selectionStart(), state()->selectionEnd());
      return;
  }
}

void WaveformView::wheelEvent(QWheelEvent *event) {
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0 || state()->length() <= 0) return;
  WaveViewState *s = state();
  const int64_t span = s->rangeEnd() - s->rangeStart();
  if (event->modifiers() & Qt::ControlModifier) {
    // Zoom about the frame under the pointer; the window applies it.
    const int64_t at = frameAt(static_cast<int>(event->position().x()));
    const double factor = std::pow(steps > 0 ? 0.8 : 1.25, std::abs(steps));
    const int64_t newSpan = std::max<int64_t>(1, std::llround(span * factor));
    const double t = static_cast<double>(at - s->rangeStart()) / static_cast<double>(span);
    const int64_t start = std::max<int64_t>(0, at - std::llround(t * newSpan));
    emit zoomEnd(start, std::min(s->length(), start + newSpan));
  } else {
    s->scrollTo(s->rangeStart() - steps * std::max<int64_t>(1, span / 10));
    emit rangeChanged(s->rangeStart(), s->rangeEnd());
  }
  event->accept();
}

}  // namespace components::waveviews
