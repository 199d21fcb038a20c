// The black display strip above the file panels: play kind, scrolling file
// name, elapsed time, total time, bit rate and seconds, the level meters,
// the spectrum and the mono/stereo indicator, left to right. Everything
// scales with the strip's height (41 pixels by design); extra width goes to
// the file name. Without a player it shows its idle state.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <span>

namespace components::display {

class ChannelLed;
class LedClock;
class LedNumber;
class LedText;
class ScrollingText;
class SpectrumView;
class StereoLevelMeter;

class DisplayStrip : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDesignHeight = 41;
  static constexpr int kDesignWidth = 838;

  explicit DisplayStrip(QWidget *parent = nullptr);

  // "DVG", "WAV", "MP3"; six characters at most. Idle: "none".
  void setPlayKind(const QString &kind);
  // Scrolls a name too long for its field `passes` times (0: without end).
  void setFileName(const QString &name, int passes = 1);
  void setElapsed(std::int64_t milliseconds);
  void setTotal(std::int64_t milliseconds);
  // Shown in kbit/s with one decimal.
  void setBitRate(std::int64_t bitsPerSecond);
  void setSeconds(std::int64_t seconds);
  // Peak amplitudes 0..1 of full scale, or levels in dB of full scale.
  void setLevels(double left, double right);
  void setLevelsDb(double leftDb, double rightDb);
  // Band levels 0..1, low frequencies first (32 bands).
  void setSpectrum(std::span<const float> magnitudes);
  void setStereo(bool stereo);
  // Everything back to idle: "none", no name, zero times and rates, empty
  // meters and spectrum, neither mono nor stereo lit.
  void reset();

  LedText *playKind() const { return playKind_; }
  ScrollingText *fileName() const { return fileName_; }
  LedClock *elapsed() const { return elapsed_; }
  LedClock *total() const { return total_; }
  LedNumber *bitRate() const { return bitRate_; }
  LedNumber *seconds() const { return seconds_; }
  StereoLevelMeter *levels() const { return levels_; }
  SpectrumView *spectrum() const { return spectrum_; }
  ChannelLed *channels() const { return channels_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  static constexpr int kMinNameCells = 6;
  struct Layout;
  Layout layoutFor(QSize size) const;
  Layout layoutAt(QSize size, double scale) const;
  void renderBackground(const Layout &layout);

  LedText *playKind_;
  ScrollingText *fileName_;
  LedClock *elapsed_;
  LedClock *total_;
  LedNumber *bitRate_;
  LedNumber *seconds_;
  StereoLevelMeter *levels_;
  SpectrumView *spectrum_;
  ChannelLed *channels_;
  QPixmap background_;
};

}  // namespace components::display
