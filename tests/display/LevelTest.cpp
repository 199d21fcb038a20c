#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>

#include "components/display/LevelMeter.h"
#include "components/display/LevelScale.h"

using namespace components::display;

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(LevelScale, AmplitudesAndDecibelsMapOntoTheBarAndClamp) {
  struct Case {
    double amplitude;
    double position;
  };
  const Case amplitudes[] = {
      {1.0, 1.0},   {0.5, (48.0 + 20 * std::log10(0.5)) / 48.0}, {std::pow(10.0, -24.0 / 20), 0.5},
      {0.0, 0.0},   {-0.5, 0.0},                                   {kNan, 0.0},
      {2.0, 1.0},   {1e-9, 0.0},                                   {kInf, 1.0},
  };
  for (const Case &c : amplitudes) EXPECT_NEAR(positionFromAmplitude(c.amplitude), c.position, 1e-9) << c.amplitude;

  struct DbCase {
    double db;
    double position;
  };
  const DbCase decibels[] = {{0, 1.0},    {-24, 0.5},  {-48, 0.0}, {-60, 0.0}, {6, 1.0},
                             {-12, 0.75}, {-kInf, 0.0}, {kInf, 1.0}, {kNan, 0.0}};
  for (const DbCase &c : decibels) EXPECT_NEAR(positionFromDb(c.db), c.position, 1e-9) << c.db;

  EXPECT_EQ(dbFromAmplitude(0.0), -kInf);
  EXPECT_NEAR(dbFromAmplitude(0.1), -20.0, 1e-9);
  EXPECT_EQ(litSteps(0.5, 32), 16);
  EXPECT_EQ(litSteps(1.0, 32), 32);
  EXPECT_EQ(litSteps(1.7, 32), 32);
  EXPECT_EQ(litSteps(-0.2, 32), 0);
  EXPECT_EQ(litSteps(kNan, 32), 0);
}

TEST(PeakHold, RisesAtOnceHoldsThenFallsToTheLevel) {
  PeakHold hold(1000, 0.5);  // falls half the bar per second after a second
  EXPECT_DOUBLE_EQ(hold.update(0.8, 0), 0.8);
  EXPECT_DOUBLE_EQ(hold.update(0.2, 500), 0.8);   // held
  EXPECT_DOUBLE_EQ(hold.update(0.2, 1000), 0.8);  // still held at the end
  EXPECT_NEAR(hold.update(0.2, 1400), 0.6, 1e-9); // falling 0.5 per second
  EXPECT_NEAR(hold.update(0.7, 1500), 0.7, 1e-9); // a level above the mark takes it
  EXPECT_NEAR(hold.update(0.1, 2500), 0.7, 1e-9); // and holds again
  EXPECT_NEAR(hold.update(0.1, 4000), 0.1, 1e-9); // never below the level
  EXPECT_DOUBLE_EQ(hold.update(2.0, 4100), 1.0);  // clamped
  hold.reset();
  EXPECT_DOUBLE_EQ(hold.update(kNan, 4200), 0.0);
}

int redPixels(const QImage &image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      count += c.red() > 200 && c.green() < 120;
    }
  }
  return count;
}

TEST(StereoLevelMeter, SetsBothBarsKeepsPeaksAndResetsToEmpty) {
  StereoLevelMeter meter;
  meter.resize(meter.preferredWidth(35), 35);
  meter.setLevels(0.5, 2.0);
  EXPECT_EQ(meter.left()->litSteps(), 28);  // -6 dB
  EXPECT_EQ(meter.right()->litSteps(), LevelMeter::kSteps);

  // The loud right bar reaches the red zone; the left one stops before it.
  EXPECT_GT(redPixels(meter.right()->grab().toImage()), 0);
  EXPECT_EQ(redPixels(meter.left()->grab().toImage()), 0);

  meter.setLevelsDb(-24, kNan);
  EXPECT_EQ(meter.left()->litSteps(), 16);
  EXPECT_EQ(meter.right()->litSteps(), 0);
  EXPECT_EQ(meter.left()->peakStep(), 28);  // the marks stay behind
  EXPECT_EQ(meter.right()->peakStep(), LevelMeter::kSteps);
  EXPECT_GT(redPixels(meter.right()->grab().toImage()), 0);  // the peak mark

  meter.reset();
  for (LevelMeter *bar : {meter.left(), meter.right()}) {
    EXPECT_EQ(bar->litSteps(), 0);
    EXPECT_EQ(bar->peakStep(), 0);
  }
  EXPECT_EQ(redPixels(meter.grab().toImage()), 0);
}

}  // namespace
