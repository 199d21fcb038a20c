#include "components/waveviews/EnvelopeView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ViewColors.h"
#include "components/waveviews/EnvelopeEdit.h"

namespace components::waveviews {

namespace {

constexpr int kMargin = 3;
constexpr int kGrabPixels = 4;
constexpr double kTopVolume = 2.0 * kUnityVolume;

}  // namespace

EnvelopeView::EnvelopeView(WaveViewState *state, QWidget *parent) : WaveViewBase(state, Span::Visible, parent) {
  setObjectName("envelopeView");
  setAccessibleName("Volume envelope");
  setMinimumHeight(20);
  connect(state, &WaveViewState::envelopeChanged, this, [this] {
    const int count = static_cast<int>(this->state()->envelope().size());
    std::erase_if(selected_, [count](int i) { return i >= count; });
  });
}

QSize EnvelopeView::sizeHint() const { return {400, 40}; }

int32_t EnvelopeView::volumeAtY(int y) const {
  const double usable = std::max(1, height() - 1 - 2 * kMargin);
  const double v = (height() - 1 - kMargin - y) / usable * kTopVolume;
  return static_cast<int32_t>(std::clamp(std::lround(v), 0L, static_cast<long>(kTopVolume)));
}

int EnvelopeView::yOfVolume(int32_t volume) const {
  const double usable = std::max(1, height() - 1 - 2 * kMargin);
  const double y = height() - 1 - kMargin - std::min<double>(volume, kTopVolume) / kTopVolume * usable;
  return static_cast<int>(std::lround(y));
}

int EnvelopeView::pointAt(QPoint pos) const {
  const VolumeEnvelope &env = state()->envelope();
  int best = -1;
  int bestDistance = 0;
  for (size_t i = 0; i < env.size(); ++i) {
    const int dx = std::abs(static_cast<int>(std::floor(xOf(env[i].position))) - pos.x());
    const int dy = std::abs(yOfVolume(env[i].volume) - pos.y());
    if (dx > kGrabPixels || dy > kGrabPixels) continue;
    if (best < 0 || dx + dy < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = dx + dy;
    }
  }
  return best;
}

void EnvelopeView::selectPoints(const std::set<int> &indexes) {
  selected_.clear();
  const int count = static_cast<int>(state()->envelope().size());
  for (int i : indexes)
    if (i >= 0 && i < count) selected_.insert(i);
  update();
}

bool EnvelopeView::canAddAt(QPoint pos) const {
  if (state()->length() <= 0 || pointAt(pos) >= 0) return false;
  const int64_t frame = mapping().frameAt(pos.x());
  return frame >= viewStart() && frame <= std::min(viewEnd(), state()->length());
}

bool EnvelopeView::addPointAt(QPoint pos) {
  if (!canAddAt(pos)) return false;
  VolumeEnvelope env = state()->envelope();
  if (!addPoint(env, state()->length(), frameAt(pos.x()), volumeAtY(pos.y()))) return false;
  commit(env);
  return true;
}

bool EnvelopeView::canDeleteAt(QPoint pos) const { return !selected_.empty() || pointAt(pos) >= 0; }

bool EnvelopeView::deleteAt(QPoint pos) {
  std::vector<int> doomed(selected_.begin(), selected_.end());
  if (doomed.empty()) {
    const int at = pointAt(pos);
    if (at < 0) return false;
    doomed.push_back(at);
  }
  VolumeEnvelope env = state()->envelope();
  removePoints(env, doomed);
  selected_.clear();
  commit(env);
  return true;
}

void EnvelopeView::multiply(double factor) {
  VolumeEnvelope env = state()->envelope();
  if (env.size() < 2) env = unityEnvelope(state()->length());
  scaleEnvelope(env, factor);
  commit(env);
}

void EnvelopeView::reset() {
  selected_.clear();
  commit(unityEnvelope(state()->length()));
}

void EnvelopeView::commit(const VolumeEnvelope &envelope) {
  state()->setEnvelope(envelope);
  update();
}

void EnvelopeView::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), backgroundColor());
  p.setPen(QPen(colors::centreLine(), 1, Qt::DashLine));
  const int unity = yOfVolume(kUnityVolume);
  p.drawLine(0, unity, width(), unity);
  const VolumeEnvelope &env = state()->envelope();
  const QColor ink = isEnabled() ? colors::envelope() : colors::disabledTrace();
  if (env.empty()) {
    if (state()->length() > 0) {
      p.setPen(QPen(ink, 1));
      p.drawLine(0, unity, width(), unity);
    }
  } else {
    QPolygonF line;
    for (const VolumePoint &pt : env) line << QPointF(xOf(pt.position), yOfVolume(pt.volume));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 1));
    p.drawPolyline(line);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < line.size(); ++i) {
      const QRectF box(line[i].x() - 3, line[i].y() - 3, 6, 6);
      if (!box.intersects(rect())) continue;
      p.fillRect(box, selected_.count(i) ? ink : backgroundColor());
      p.drawRect(box);
    }
  }
  const int64_t locator = state()->locator();
  if (locator >= viewStart() && locator <= viewEnd()) {
    p.setPen(colors::locator());
    const int x = static_cast<int>(std::floor(xOf(locator)));
    p.drawLine(x, 0, x, height());
  }
}

void EnvelopeView::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  const int at = pointAt(event->position().toPoint());
  dragStarted_ = false;
  dragIndex_ = -1;
  if (event->modifiers() & Qt::ControlModifier) {
    if (at >= 0 && !selected_.erase(at)) selected_.insert(at);
  } else if (at >= 0) {
    selected_ = {at};
    dragIndex_ = at;
  } else {
    selected_.clear();
  }
  update();
}

void EnvelopeView::mouseMoveEvent(QMouseEvent *event) {
  if (dragIndex_ < 0 || dragIndex_ >= static_cast<int>(state()->envelope().size())) return;
  if (!dragStarted_) {
    dragStarted_ = true;
    emit editStarted();
  }
  const QPoint pos = event->position().toPoint();
  VolumeEnvelope env = state()->envelope();
  movePoint(env, dragIndex_, frameAt(pos.x()), volumeAtY(pos.y()));
  commit(env);
}

void EnvelopeView::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  dragIndex_ = -1;
  if (dragStarted_) {
    dragStarted_ = false;
    emit editFinished();
  }
}

void EnvelopeView::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  if (!canAddAt(pos)) return;
  emit editStarted();
  addPointAt(pos);
  emit editFinished();
}

}  // namespace components::waveviews
