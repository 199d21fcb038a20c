#include "components/waveedit/StatusTexts.h"

#include <charconv>
#include <cstdio>

namespace components {

int64_t samplesToMilliseconds(int64_t samples, uint32_t rate) {
  if (rate == 0 || samples <= 0) return 0;
  // Whole seconds first, so that no product leaves 64 bits.
  return samples / rate * 1000 + samples % rate * 1000 / rate;
}

std::string millisecondsText(int64_t ms) {
  if (ms < 0) ms = 0;
  constexpr int64_t kHour = 3600 * 1000, kDay = 24 * kHour;
  auto part = [&](int64_t unit, int64_t modulo) { return static_cast<long long>(ms / unit % modulo); };
  char text[64];
  if (ms < kHour)
    std::snprintf(text, sizeof text, "%lld:%2.2lld.%3.3lld", part(60000, 60), part(1000, 60), part(1, 1000));
  else if (ms < kDay)
    std::snprintf(text, sizeof text, "%lld:%2.2lld:%2.2lld.%3.3lld", part(kHour, 24), part(60000, 60), part(1000, 60),
                  part(1, 1000));
  else
    std::snprintf(text, sizeof text, "%lld:%2.2lld:%2.2lld:%2.2lld.%3.3lld", static_cast<long long>(ms / kDay),
                  part(kHour, 24), part(60000, 60), part(1000, 60), part(1, 1000));
  return text;
}

std::string timeText(int64_t samples, uint32_t rate) { return millisecondsText(samplesToMilliseconds(samples, rate)); }

std::string rateText(uint32_t rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%3.3u Hz", rate / 1000, rate % 1000);
  return text;
}

std::string bitsText(unsigned bits) { return std::to_string(bits) + " Bit"; }

std::string gainText(double decibels) {
  // to_chars ignores the C locale, which Qt sets from the environment.
  char number[64];
  auto result = std::to_chars(number, number + sizeof number, decibels, std::chars_format::fixed, 2);
  std::string text(number, result.ptr);
  if (text.size() < 2) text.insert(0, 2 - text.size(), ' ');
  return text + " dB";
}

}  // namespace components
