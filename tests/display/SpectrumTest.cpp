#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <limits>
#include <vector>

#include "components/display/SpectrumView.h"

using namespace components::display;

namespace {

class SpectrumTest : public testing::Test {
 protected:
  void SetUp() override { view.resize(view.preferredWidth(35), 35); }
  SpectrumView view;
};

TEST_F(SpectrumTest, ThirtyTwoBandsForTheFftOf64Samples) {
  EXPECT_EQ(view.bands(), 32);
  for (float level : view.levels()) EXPECT_EQ(level, 0.0f);
}

TEST_F(SpectrumTest, FewerValuesThanBandsLeaveTheRestEmpty) {
  std::vector<float> full(32, 1.0f);
  view.setMagnitudes(full);
  const std::array<float, 3> few = {0.25f, 1.0f, 0.5f};
  view.setMagnitudes(few);
  EXPECT_EQ(view.levels()[0], 0.25f);
  EXPECT_EQ(view.levels()[1], 1.0f);
  EXPECT_EQ(view.levels()[2], 0.5f);
  for (int band = 3; band < view.bands(); ++band) EXPECT_EQ(view.levels()[band], 0.0f) << band;

  view.setMagnitudes({});
  for (float level : view.levels()) EXPECT_EQ(level, 0.0f);
}

TEST_F(SpectrumTest, MoreValuesThanBandsFoldOntoThemByTheirLargest) {
  std::vector<float> bins(64);
  for (std::size_t i = 0; i < bins.size(); ++i) bins[i] = static_cast<float>((i * 7) % 11) / 10.0f;
  view.setMagnitudes(bins);
  for (int band = 0; band < 32; ++band) {
    EXPECT_EQ(view.levels()[band], std::max(bins[2 * band], bins[2 * band + 1])) << band;
  }

  // Counts that do not divide: every value lands on exactly one band, the
  // first on the first and the last on the last.
  std::vector<float> odd(50, 0.0f);
  odd.front() = 0.3f;
  odd.back() = 0.9f;
  view.setMagnitudes(odd);
  EXPECT_EQ(view.levels().front(), 0.3f);
  EXPECT_EQ(view.levels().back(), 0.9f);
  float sum = 0;
  for (float level : view.levels()) sum += level;
  EXPECT_FLOAT_EQ(sum, 1.2f);
}

TEST_F(SpectrumTest, LevelsClampAndPeaksStayUntilReset) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::array<float, 4> wild = {-1.0f, 7.0f, nan, 0.5f};
  view.setMagnitudes(wild);
  EXPECT_EQ(view.levels()[0], 0.0f);
  EXPECT_EQ(view.levels()[1], 1.0f);
  EXPECT_EQ(view.levels()[2], 0.0f);
  EXPECT_EQ(view.litRows(1), view.rows());
  EXPECT_EQ(view.litRows(3), view.rows() / 2 + view.rows() % 2);

  view.setMagnitudes({});
  EXPECT_EQ(view.litRows(1), 0);
  EXPECT_EQ(view.peakRow(1), view.rows());  // the mark holds

  view.reset();
  for (int band = 0; band < view.bands(); ++band) {
    EXPECT_EQ(view.litRows(band), 0);
    EXPECT_EQ(view.peakRow(band), 0);
  }
}

int brightPixels(const QImage &image, int x0, int x1) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = x0; x < x1; ++x) count += image.pixelColor(x, y).green() > 150;
  }
  return count;
}

TEST_F(SpectrumTest, BarsRiseFromTheBottom) {
  std::array<float, 32> one{};
  one[5] = 0.5f;
  view.setMagnitudes(one);
  const QImage image = view.grab().toImage();
  const int pitch = view.width() / 32 + 1;  // a band and the gap after it
  EXPECT_EQ(brightPixels(image, 0, 5 * pitch - 1), 0);
  const QImage bar = image.copy(5 * pitch, 0, pitch - 1, image.height());
  EXPECT_GT(brightPixels(bar.copy(0, bar.height() / 2 + 2, bar.width(), bar.height() / 2 - 2), 0, bar.width()), 0);
  EXPECT_EQ(brightPixels(bar.copy(0, 0, bar.width(), bar.height() / 2 - 2), 0, bar.width()), 0);
}

}  // namespace
