#include "components/display/LevelMeter.h"

#include <QLinearGradient>
#include <QPainter>
#include <array>

#include "Canvas.h"
#include "components/display/DisplayPalette.h"
#include "components/display/DotMatrix.h"

namespace components::display {
namespace {

QColor zoneColor(int step) {
  // The dB level at the segment's top end.
  const double db = kMeterFloorDb * (1.0 - static_cast<double>(step + 1) / LevelMeter::kSteps);
  if (db > -3.0) return palette::meterRed();
  if (db > -12.0) return palette::meterYellow();
  return palette::meterGreen();
}

int scaleX(const QRect &bar, double db) {
  return bar.left() + static_cast<int>(positionFromDb(db) * LevelMeter::kSteps) * bar.width() / LevelMeter::kSteps;
}

}  // namespace

LevelMeter::LevelMeter(const QString &caption, QWidget *parent) : QWidget(parent), caption_(caption) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LevelMeter::setPosition(double level, double peak) {
  const int lit = display::litSteps(level, kSteps);
  const int mark = std::max(lit, display::litSteps(peak, kSteps));
  if (lit == lit_ && mark == peak_) return;
  const int low = std::min({lit, lit_, mark, peak_});
  const int high = std::max({lit, lit_, mark, peak_});
  lit_ = lit;
  peak_ = mark;
  const QRect bar = barRect();
  const int pitch = segmentPitch(height());
  update(QRect(bar.left() + (low - 1) * pitch, 0, (high - low + 2) * pitch, height()));
}

int LevelMeter::segmentPitch(int height) { return std::max(3, height / 4); }

// Wide enough for the scale's unit, which stands below the caption.
int LevelMeter::captionWidth(int height) const {
  const int pitch = std::max(1, height / 12);
  return std::max(dotmatrix::textWidth(caption_, pitch), dotmatrix::textWidth(u"dB", 1)) + pitch;
}

QRect LevelMeter::barRect() const {
  return QRect(captionWidth(height()), 0, kSteps * segmentPitch(height()), height());
}

int LevelMeter::preferredWidth(int height) const { return captionWidth(height) + kSteps * segmentPitch(height); }

QSize LevelMeter::sizeHint() const { return {preferredWidth(12), 12}; }

void LevelMeter::resizeEvent(QResizeEvent *) { render(); }

void LevelMeter::render() {
  const qreal ratio = devicePixelRatioF();
  background_ = canvas(size(), ratio, palette::background());
  const QRect bar = barRect();
  litBar_ = canvas(bar.size(), ratio, palette::background());
  const int pitch = segmentPitch(height());
  const int segment = pitch - std::max(1, pitch / 3);
  {
    QPainter p(&background_);
    const int captionPitch = std::max(1, height() / 12);
    dotmatrix::drawText(p, QPoint(0, (height() - dotmatrix::kRows * captionPitch) / 2), caption_, captionPitch,
                        palette::caption());
    for (int i = 0; i < kSteps; ++i) p.fillRect(bar.left() + i * pitch, 0, segment, height(), palette::dimmed(zoneColor(i), 18));
  }
  QPainter p(&litBar_);
  for (int i = 0; i < kSteps; ++i) {
    // Lighter at the top edge, like a lens over the LED.
    const QColor c = zoneColor(i);
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, c.lighter(135));
    shade.setColorAt(0.45, c);
    shade.setColorAt(1, c.darker(125));
    p.fillRect(i * pitch, 0, segment, height(), shade);
  }
}

void LevelMeter::paintEvent(QPaintEvent *) {
  if (isStale(background_, *this)) render();
  QPainter p(this);
  p.drawPixmap(0, 0, background_);
  const QRect bar = barRect();
  const int pitch = segmentPitch(height());
  const qreal ratio = litBar_.devicePixelRatio();
  if (lit_ > 0) {
    p.drawPixmap(QRectF(bar.left(), 0, lit_ * pitch, height()), litBar_,
                 QRectF(0, 0, lit_ * pitch * ratio, height() * ratio));
  }
  if (peak_ > lit_) {
    const int x = (peak_ - 1) * pitch;
    p.drawPixmap(QRectF(bar.left() + x, 0, pitch, height()), litBar_,
                 QRectF(x * ratio, 0, pitch * ratio, height() * ratio));
  }
}

StereoLevelMeter::StereoLevelMeter(QWidget *parent)
    : QWidget(parent),
      left_(new LevelMeter(QStringLiteral("L"), this)),
      right_(new LevelMeter(QStringLiteral("R"), this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  clock_.start();
}

void StereoLevelMeter::setLevels(double left, double right) {
  setPositions(positionFromAmplitude(left), positionFromAmplitude(right));
}

void StereoLevelMeter::setLevelsDb(double leftDb, double rightDb) {
  setPositions(positionFromDb(leftDb), positionFromDb(rightDb));
}

void StereoLevelMeter::setPositions(double left, double right) {
  const std::int64_t now = clock_.elapsed();
  left_->setPosition(left, leftPeak_.update(left, now));
  right_->setPosition(right, rightPeak_.update(right, now));
}

void StereoLevelMeter::reset() {
  leftPeak_.reset();
  rightPeak_.reset();
  left_->setPosition(0, 0);
  right_->setPosition(0, 0);
}

// Scale digits of 5 x 7 pixels with a tick row above them.
int StereoLevelMeter::scaleHeight() const { return dotmatrix::kRows + 3; }

int StereoLevelMeter::preferredWidth(int height) const {
  // The last label ("0") reaches past the bar's end by half a digit.
  const int bar = std::max(6, (height - scaleHeight()) / 2);
  return left_->preferredWidth(bar) + dotmatrix::kAdvance;
}

QSize StereoLevelMeter::sizeHint() const { return {preferredWidth(34), 34}; }

void StereoLevelMeter::resizeEvent(QResizeEvent *) {
  const int bar = std::max(6, (height() - scaleHeight()) / 2);
  const int meterWidth = left_->preferredWidth(bar);
  left_->setGeometry(0, 0, meterWidth, bar);
  right_->setGeometry(0, height() - bar, meterWidth, bar);
  renderScale();
}

void StereoLevelMeter::renderScale() {
  const qreal ratio = devicePixelRatioF();
  scale_ = canvas(size(), ratio, palette::background());
  QPainter p(&scale_);
  const QRect bar = left_->barRect().translated(left_->pos());
  const int top = left_->geometry().bottom() + 1 + (right_->y() - left_->geometry().bottom() - 1 - scaleHeight()) / 2;
  static constexpr std::array<int, 7> kMarks = {-40, -30, -20, -10, -5, -3, 0};
  static constexpr std::array<int, 5> kLabels = {-40, -30, -20, -10, 0};
  for (int db : kMarks) {
    const int x = std::min(scaleX(bar, db), bar.right());
    p.fillRect(x, top, 1, 2, palette::caption());
  }
  for (int db : kLabels) {
    const QString label = QString::number(std::abs(db));
    const int x = std::min(scaleX(bar, db), bar.right()) - dotmatrix::textWidth(label, 1) / 2 + 1;
    dotmatrix::drawText(p, QPoint(x, top + 3), label, 1, palette::caption());
  }
  dotmatrix::drawText(p, QPoint(0, top + 3), u"dB", 1, palette::dimmed(palette::caption(), 70));
}

void StereoLevelMeter::paintEvent(QPaintEvent *) {
  if (isStale(scale_, *this)) renderScale();
  QPainter p(this);
  p.drawPixmap(0, 0, scale_);
}

}  // namespace components::display
