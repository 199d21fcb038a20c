#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "components/display/DisplayFormat.h"
#include "components/display/LedNumber.h"

using namespace components::display;

namespace {

constexpr std::int64_t kHour = 3'600'000;

TEST(DisplayFormat, ClockTruncatesToSecondsAndClampsToItsDigits) {
  struct Case {
    std::int64_t ms;
    const char *shown;
  };
  const Case cases[] = {
      {0, "00:00:00"},
      {999, "00:00:00"},
      {1'000, "00:00:01"},
      {83'000, "00:01:23"},
      {59'999, "00:00:59"},
      {60'000, "00:01:00"},
      {kHour - 1, "00:59:59"},
      {kHour, "01:00:00"},
      {3'725'000, "01:02:05"},
      {kMaxClockMs, "99:59:59"},
      {100 * kHour, "99:59:59"},
      {std::numeric_limits<std::int64_t>::max(), "99:59:59"},
      {-1, "00:00:00"},
      {-5 * kHour, "00:00:00"},
      {std::numeric_limits<std::int64_t>::min(), "00:00:00"},
  };
  for (const Case &c : cases) EXPECT_EQ(formatClock(c.ms).toStdString(), c.shown) << c.ms;

  const ClockTime t = clockTime(3'725'999);
  EXPECT_EQ(t.hours, 1);
  EXPECT_EQ(t.minutes, 2);
  EXPECT_EQ(t.seconds, 5);
}

TEST(DisplayFormat, BitRateInKbpsWithTenths) {
  struct Case {
    std::int64_t bps;
    const char *shown;
  };
  const Case cases[] = {
      {0, "0.0"},           {8'000, "8.0"},       {13'000, "13.0"},          {88'200, "88.2"},
      {128'000, "128.0"},   {1'411'200, "1411.2"}, {13'099, "13.0"},         {99, "0.0"},
      {-8'000, "0.0"},      {9'999'900, "9999.9"}, {50'000'000, "9999.9"},
      {std::numeric_limits<std::int64_t>::max(), "9999.9"},
  };
  for (const Case &c : cases) EXPECT_EQ(formatBitRate(c.bps).toStdString(), c.shown) << c.bps;
}

TEST(DisplayFormat, CountsClampToTheirDigits) {
  EXPECT_EQ(formatCount(0, 4), "0");
  EXPECT_EQ(formatCount(3725, 4), "3725");
  EXPECT_EQ(formatCount(10'000, 4), "9999");
  EXPECT_EQ(formatCount(-3, 4), "0");
  EXPECT_EQ(formatCount(std::numeric_limits<std::int64_t>::max(), 9), "999999999");
  EXPECT_EQ(formatCount(12, 0), "9");  // at least one digit
}

TEST(LedNumber, RightAlignsIntoItsCellsAndKeepsTheEndOfLongerText) {
  LedNumber rate(QStringLiteral("8888.8"), QStringLiteral("Kbps"));
  EXPECT_EQ(rate.text(), "      ");
  rate.setText(QStringLiteral("8.0"));
  EXPECT_EQ(rate.text(), "   8.0");
  EXPECT_EQ(rate.accessibleDescription(), "8.0");
  rate.setText(QStringLiteral("123456.7"));
  EXPECT_EQ(rate.text(), "3456.7");

  LedClock clock;
  EXPECT_EQ(clock.text(), "00:00:00");
  clock.setMilliseconds(-20);
  EXPECT_EQ(clock.text(), "00:00:00");
  clock.setMilliseconds(45'296'000);
  EXPECT_EQ(clock.text(), "12:34:56");
}

TEST(LedNumber, DigitsScaleWithTheHeight) {
  LedClock clock;
  const int small = clock.preferredWidth(13);
  const int large = clock.preferredWidth(26);
  EXPECT_GT(large, small * 3 / 2);
  EXPECT_LT(large, small * 5 / 2);
}

}  // namespace
