// Texts of the display strip's digit fields: elapsed and total times, the
// bit rate and plain counts. Every value is clamped to what its digits can
// hold, so a wrong or negative value never shows as garbage.
#pragma once

#include <QString>
#include <cstdint>

namespace components::display {

struct ClockTime {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
};

// The largest time two hour digits hold: 99:59:59.
inline constexpr std::int64_t kMaxClockMs = (99LL * 3600 + 59 * 60 + 59) * 1000 + 999;

// Whole seconds of a time in milliseconds (truncated), split into hours,
// minutes and seconds. Negative times are zero; longer times stop at 99:59:59.
ClockTime clockTime(std::int64_t milliseconds);
// "HH:MM:SS".
QString formatClock(std::int64_t milliseconds);

// The bit rate in kbit/s with one decimal ("8.0", "88.2", "1411.2"),
// truncated to tenths, clamped to 0.0 .. 9999.9.
QString formatBitRate(std::int64_t bitsPerSecond);

// A count in at most `digits` decimal digits (1 to 9), clamped to 0 and to
// the largest number that fits.
QString formatCount(std::int64_t value, int digits);

}  // namespace components::display
