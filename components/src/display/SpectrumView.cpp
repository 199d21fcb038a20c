#include "components/display/SpectrumView.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "components/display/DisplayPalette.h"

namespace components::display {
namespace {

float clamped(float value) { return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f); }

}  // namespace

SpectrumView::SpectrumView(int bands, QWidget *parent)
    : QWidget(parent),
      levels_(static_cast<std::size_t>(std::max(1, bands)), 0.0f),
      peaks_(levels_.size(), PeakHold(600, 1.2)),
      lit_(levels_.size(), 0),
      peak_(levels_.size(), 0) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  clock_.start();
}

void SpectrumView::setMagnitudes(std::span<const float> magnitudes) {
  const std::size_t n = magnitudes.size(), count = levels_.size();
  for (std::size_t band = 0; band < count; ++band) {
    if (n <= count) {
      levels_[band] = band < n ? clamped(magnitudes[band]) : 0.0f;
      continue;
    }
    // Values band * n / count up to (band + 1) * n / count fall on this band.
    float top = 0;
    for (std::size_t i = band * n / count; i < (band + 1) * n / count; ++i) top = std::max(top, clamped(magnitudes[i]));
    levels_[band] = top;
  }
  refresh(clock_.elapsed());
}

void SpectrumView::reset() {
  std::fill(levels_.begin(), levels_.end(), 0.0f);
  for (PeakHold &p : peaks_) p.reset();
  refresh(clock_.elapsed());
}

void SpectrumView::refresh(std::int64_t now) {
  const int rowCount = rows();
  QRect changed;
  for (std::size_t band = 0; band < levels_.size(); ++band) {
    const int lit = litSteps(levels_[band], rowCount);
    const int mark = std::max(lit, litSteps(peaks_[band].update(levels_[band], now), rowCount));
    if (lit == lit_[band] && mark == peak_[band]) continue;
    lit_[band] = lit;
    peak_[band] = mark;
    changed |= bandRect(static_cast<int>(band));
  }
  if (!changed.isEmpty()) update(changed);
}

int SpectrumView::bandPitch(int height) { return std::max(3, height / 11); }
int SpectrumView::rowPitch(int height) { return std::max(2, (height + 6) / 12); }
int SpectrumView::rows() const { return std::max(1, height() / rowPitch(height())); }

QRect SpectrumView::bandRect(int band) const {
  const int pitch = bandPitch(height());
  return QRect(band * pitch, 0, pitch, height());
}

int SpectrumView::preferredWidth(int height) const { return bands() * bandPitch(height) - 1; }

QSize SpectrumView::sizeHint() const { return {preferredWidth(34), 34}; }

void SpectrumView::resizeEvent(QResizeEvent *) {
  render();
  // Row counts follow the height.
  std::fill(lit_.begin(), lit_.end(), -1);
  refresh(clock_.elapsed());
}

void SpectrumView::render() {
  const qreal ratio = devicePixelRatioF();
  dark_ = canvas(size(), ratio, palette::background());
  litBars_ = canvas(size(), ratio, palette::background());
  const int bandW = bandPitch(height()) - 1;
  const int rowH = rowPitch(height()) - 1;
  const int rowCount = rows();
  QLinearGradient shade(0, height(), 0, 0);
  shade.setColorAt(0, palette::spectrumLow());
  shade.setColorAt(1, palette::spectrumHigh());
  QPainter dark(&dark_), lit(&litBars_);
  for (int band = 0; band < bands(); ++band) {
    for (int row = 0; row < rowCount; ++row) {
      const QRect cell(band * (bandW + 1), height() - (row + 1) * (rowH + 1) + 1, bandW, rowH);
      dark.fillRect(cell, palette::dimmed(palette::spectrumLow(), 14));
      lit.fillRect(cell, shade);
    }
  }
}

void SpectrumView::paintEvent(QPaintEvent *event) {
  if (isStale(dark_, *this)) render();
  QPainter p(this);
  p.drawPixmap(0, 0, dark_);
  const int pitch = bandPitch(height());
  const int rowP = rowPitch(height());
  const qreal ratio = litBars_.devicePixelRatio();
  const int first = std::max(0, event->rect().left() / pitch);
  const int last = std::min(bands() - 1, event->rect().right() / pitch);
  for (int band = first; band <= last; ++band) {
    const int x = band * pitch;
    if (lit_[band] > 0) {
      const int h = lit_[band] * rowP;
      p.drawPixmap(QRectF(x, height() - h, pitch, h), litBars_,
                   QRectF(x * ratio, (height() - h) * ratio, pitch * ratio, h * ratio));
    }
    if (peak_[band] > lit_[band]) {
      const int y = height() - peak_[band] * rowP;
      p.drawPixmap(QRectF(x, y, pitch, rowP), litBars_, QRectF(x * ratio, y * ratio, pitch * ratio, rowP * ratio));
    }
  }
}

}  // namespace components::display
