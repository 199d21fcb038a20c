#include "components/display/DisplayFormat.h"

#include <algorithm>

namespace components::display {

ClockTime clockTime(std::int64_t milliseconds) {
  const std::int64_t ms = std::clamp<std::int64_t>(milliseconds, 0, kMaxClockMs);
  const auto total = static_cast<int>(ms / 1000);
  return {total / 3600, (total % 3600) / 60, total % 60};
}

QString formatClock(std::int64_t milliseconds) {
  const ClockTime t = clockTime(milliseconds);
  return QStringLiteral("%1:%2:%3")
      .arg(t.hours, 2, 10, QLatin1Char('0'))
      .arg(t.minutes, 2, 10, QLatin1Char('0'))
      .arg(t.seconds, 2, 10, QLatin1Char('0'));
}

QString formatBitRate(std::int64_t bitsPerSecond) {
  // Tenths of a kbit/s.
  const std::int64_t tenths = std::clamp<std::int64_t>(bitsPerSecond / 100, 0, 99999);
  return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

QString formatCount(std::int64_t value, int digits) {
  digits = std::clamp(digits, 1, 9);
  std::int64_t largest = 1;
  for (int i = 0; i < digits; ++i) largest *= 10;
  return QString::number(std::clamp<std::int64_t>(value, 0, largest - 1));
}

}  // namespace components::display
