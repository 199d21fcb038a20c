// Spectrum bars: one bar of LED rows per band (green at the bottom to cyan
// at the top) with a peak mark that holds and falls. With the player's FFT
// of 64 samples at 8000 Hz there are 32 bands of 125 Hz. More values than
// bands are folded onto them (each band shows the largest of its values);
// bands without a value stay empty.
#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <span>
#include <vector>

#include "components/display/LevelScale.h"

namespace components::display {

class SpectrumView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFftLength = 64;
  static constexpr int kDefaultBands = kFftLength / 2;

  explicit SpectrumView(int bands = kDefaultBands, QWidget *parent = nullptr);

  // Band levels 0..1 (clamped; NaN is 0), low frequencies first.
  void setMagnitudes(std::span<const float> magnitudes);
  // Empty bars, no peak marks.
  void reset();

  int bands() const { return static_cast<int>(levels_.size()); }
  // Levels as shown, after folding and clamping.
  const std::vector<float> &levels() const { return levels_; }
  // Lit rows of each bar and the row of its peak mark (0: none).
  int rows() const;
  int litRows(int band) const { return lit_[band]; }
  int peakRow(int band) const { return peak_[band]; }

  int preferredWidth(int height) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  static int bandPitch(int height);
  static int rowPitch(int height);
  QRect bandRect(int band) const;
  void render();
  void refresh(std::int64_t now);

  std::vector<float> levels_;
  std::vector<PeakHold> peaks_;
  std::vector<int> lit_;
  std::vector<int> peak_;
  QElapsedTimer clock_;
  QPixmap dark_;  // every row unlit
  QPixmap litBars_;
};

}  // namespace components::display
