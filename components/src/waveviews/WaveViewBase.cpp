#include "components/waveviews/WaveViewBase.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "ViewColors.h"

namespace components::waveviews {

WaveViewBase::WaveViewBase(WaveViewState *state, Span span, QWidget *parent)
    : QWidget(parent), state_(state), span_(span) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  auto changed = [this] { invalidate(); };
  connect(state_, &WaveViewState::waveChanged, this, changed);
  connect(state_, &WaveViewState::activeChanged, this, changed);
  // Views compare the mapping they last drew with, so a range change only
  // asks for a paint (a scroll then renders just the new strip).
  auto repaint = [this] { update(); };
  connect(state_, &WaveViewState::rangeChanged, this, repaint);
  connect(state_, &WaveViewState::selectionChanged, this, repaint);
  connect(state_, &WaveViewState::locatorChanged, this, repaint);
  connect(state_, &WaveViewState::secondaryCursorChanged, this, repaint);
  connect(state_, &WaveViewState::markersChanged, this, repaint);
  connect(state_, &WaveViewState::cutsChanged, this, repaint);
  connect(state_, &WaveViewState::envelopeChanged, this, repaint);
  connect(state_, &WaveViewState::gridChanged, this, repaint);
}

void WaveViewBase::setSpan(Span span) {
  if (span == span_) return;
  span_ = span;
  invalidate();
}

int64_t WaveViewBase::viewStart() const { return span_ == Span::Visible ? state_->rangeStart() : 0; }

int64_t WaveViewBase::viewEnd() const {
  if (span_ == Span::Visible) return state_->rangeEnd();
  return state_->length() > 0 ? state_->length() : 44100;
}

FrameMapping WaveViewBase::mapping() const { return FrameMapping(viewStart(), viewEnd(), width()); }

int64_t WaveViewBase::frameAt(int x) const {
  return std::clamp(mapping().frameAt(x), viewStart(), viewEnd());
}

double WaveViewBase::xOf(int64_t frame) const { return mapping().xOf(frame); }

QColor WaveViewBase::backgroundColor() const {
  return state_->isActive() ? palette().color(QPalette::Button) : colors::inactiveBackground();
}

QColor WaveViewBase::traceColor() const { return isEnabled() ? colors::trace() : colors::disabledTrace(); }

void WaveViewBase::contextMenuEvent(QContextMenuEvent *event) {
  emit contextMenuRequested(event->globalPos(), frameAt(event->pos().x()));
  event->accept();
}

void WaveViewBase::changeEvent(QEvent *event) {
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) invalidate();
  QWidget::changeEvent(event);
}

}  // namespace components::waveviews
