#include "components/waveviews/MarkerStrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "ViewColors.h"

namespace components::waveviews {

namespace {

constexpr int kGrabPixels = 3;

}  // namespace

MarkerStrip::MarkerStrip(WaveViewState *state, QWidget *parent) : WaveViewBase(state, Span::Visible, parent) {
  setObjectName("markerStrip");
  setAccessibleName("Markers");
}

QSize MarkerStrip::sizeHint() const { return {400, fontMetrics().height() + 8}; }

int MarkerStrip::markerAt(int x) const {
  const MarkerList &markers = state()->markers();
  int best = -1;
  double bestDistance = 0;
  for (size_t i = 0; i < markers.size(); ++i) {
    const Marker &m = markers[i];
    if (!m.visible || m.offset < viewStart() || m.offset > viewEnd()) continue;
    const double mx = std::floor(xOf(m.offset));
    const double flagEnd = mx + fontMetrics().horizontalAdvance(QString::fromStdString(m.name)) + 6;
    if (x < mx - kGrabPixels || x > std::max(flagEnd, mx + kGrabPixels)) continue;
    const double distance = std::fabs(x - mx);
    if (best < 0 || distance < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  return best;
}

void MarkerStrip::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const int h = height();
  p.fillRect(rect(), backgroundColor());
  const MarkerList &markers = state()->markers();
  const QColor ink = isEnabled() ? colors::marker() : colors::disabledTrace();
  // Linked pairs: a bar along the bottom between the partners.
  for (const Marker &m : markers) {
    if (!m.visible || m.nextId == 0) continue;
    for (const Marker &partner : markers) {
      if (partner.id != m.nextId || partner.offset < m.offset) continue;
      const double a = std::max(xOf(m.offset), -1.0), b = std::min(xOf(partner.offset), width() + 1.0);
      if (b > a) p.fillRect(QRectF(a, h - 3, b - a, 3), ink);
    }
  }
  const int textHeight = fontMetrics().height();
  for (const Marker &m : markers) {
    if (!m.visible || m.offset < viewStart() || m.offset > viewEnd()) continue;
    const int x = static_cast<int>(std::floor(xOf(m.offset)));
    const QString name = QString::fromStdString(m.name);
    const QRect flag(x, 1, fontMetrics().horizontalAdvance(name) + 6, textHeight + 2);
    p.setPen(ink);
    p.drawLine(x, 0, x, h);
    p.fillRect(flag, ink);
    p.setPen(Qt::white);
    p.drawText(flag.adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, name);
  }
  auto line = [&](int64_t frame, const QPen &pen) {
    if (frame < viewStart() || frame > viewEnd()) return;
    const int x = static_cast<int>(std::floor(xOf(frame)));
    p.setPen(pen);
    p.drawLine(x, 0, x, h);
  };
  if (state()->secondaryCursor() >= 0) line(state()->secondaryCursor(), QPen(colors::secondaryCursor(), 1, Qt::DashLine));
  if (state()->locator() >= 0) line(state()->locator(), QPen(colors::locator(), 1));
}

void MarkerStrip::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  pressX_ = static_cast<int>(event->position().x());
  dragMoved_ = false;
  const int index = markerAt(pressX_);
  dragIndex_ = editable_ && index >= 0 && !state()->markers()[static_cast<size_t>(index)].fixed ? index : -1;
  if (index < 0) {
    const int64_t frame = frameAt(pressX_);
    state()->setLocator(frame);
    emit locatorChanged(frame);
  }
}

void MarkerStrip::mouseMoveEvent(QMouseEvent *event) {
  if (dragIndex_ < 0 || dragIndex_ >= static_cast<int>(state()->markers().size())) return;
  const int x = static_cast<int>(event->position().x());
  if (!dragMoved_ && std::abs(x - pressX_) < kGrabPixels) return;
  if (!dragMoved_) {
    dragMoved_ = true;
    emit markerDragStarted(state()->markers()[static_cast<size_t>(dragIndex_)].id);
  }
  state()->setSecondaryCursor(frameAt(x));
}

void MarkerStrip::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = dragIndex_;
  dragIndex_ = -1;
  if (index < 0 || !dragMoved_ || index >= static_cast<int>(state()->markers().size())) return;
  const int64_t offset = frameAt(static_cast<int>(event->position().x()));
  MarkerList markers = state()->markers();
  Marker &marker = markers[static_cast<size_t>(index)];
  marker.offset = offset;
  const uint32_t id = marker.id;
  state()->setSecondaryCursor(-1);
  state()->setMarkers(markers);
  emit markerMoved(id, offset);
}

}  // namespace components::waveviews
