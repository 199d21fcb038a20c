// Level meters: one channel's bar of LED segments (green, yellow above
// -12 dB, red above -3 dB) with a peak mark, and the left/right pair with
// its dB scale between the bars. Segments are drawn once into pixmaps;
// an update repaints only when a bar or a peak mark moves by a segment.
#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "components/display/LevelScale.h"

namespace components::display {

class LevelMeter : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSteps = 32;  // 1.5 dB each from the floor to 0 dB

  explicit LevelMeter(const QString &caption, QWidget *parent = nullptr);

  // Positions 0..1 of the level and of the peak mark (clamped).
  void setPosition(double level, double peak);
  int litSteps() const { return lit_; }
  int peakStep() const { return peak_; }

  // Where the segments are, for the scale drawn beside the meter.
  QRect barRect() const;
  int preferredWidth(int height) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  static int segmentPitch(int height);
  int captionWidth(int height) const;
  void render();

  QString caption_;
  int lit_ = 0;
  int peak_ = 0;
  QPixmap background_;  // caption and dark segments
  QPixmap litBar_;      // every segment lit
};

class StereoLevelMeter : public QWidget {
  Q_OBJECT
 public:
  explicit StereoLevelMeter(QWidget *parent = nullptr);

  // Peak amplitudes 0..1 of full scale.
  void setLevels(double left, double right);
  // Levels in dB of full scale (0 dB full, kMeterFloorDb empty).
  void setLevelsDb(double leftDb, double rightDb);
  // Empty bars, no peak marks.
  void reset();

  LevelMeter *left() const { return left_; }
  LevelMeter *right() const { return right_; }

  int preferredWidth(int height) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void setPositions(double left, double right);
  int scaleHeight() const;
  void renderScale();

  LevelMeter *left_;
  LevelMeter *right_;
  PeakHold leftPeak_, rightPeak_;
  QElapsedTimer clock_;
  QPixmap scale_;
};

}  // namespace components::display
