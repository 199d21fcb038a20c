#include "speed/SpeedFormat.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace speed {

double rateOfSlider(int position) { return double(position) / 10.0; }

double speedOfRate(double rate) { return rate >= 0 ? 1.0 + rate / 2.0 : 1.0 / (1.0 - rate / 2.0); }

std::string frameTime(int64_t frames, uint32_t rate) {
  if (frames < 0) frames = -frames;
  const int64_t ms = rate ? int64_t((__int128)frames * 1000 / rate) : 0;
  const int64_t msPart = ms % 1000, seconds = ms / 1000 % 60, minutes = ms / 60000 % 60;
  const int64_t hours = ms / 3600000 % 24, days = ms / 86400000;
  char text[64];
  if (ms < 3600000)
    std::snprintf(text, sizeof text, "%lld:%2.2lld.%3.3lld", (long long)(ms / 60000), (long long)seconds,
                  (long long)msPart);
  else if (ms < 86400000)
    std::snprintf(text, sizeof text, "%lld:%2.2lld:%2.2lld.%3.3lld", (long long)(ms / 3600000), (long long)minutes,
                  (long long)seconds, (long long)msPart);
  else
    std::snprintf(text, sizeof text, "%lld:%2.2lld:%2.2lld:%2.2lld.%3.3lld", (long long)days, (long long)hours,
                  (long long)minutes, (long long)seconds, (long long)msPart);
  return text;
}

std::string rateText(uint32_t rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%3.3u Hz", rate / 1000, rate % 1000);
  return text;
}

std::string bitsText(int bits) { return std::to_string(bits) + " Bit"; }

std::string upperEnding(const std::string &path) {
  std::string ending = std::filesystem::path(path).extension().string();
  for (char &c : ending) c = char(std::toupper(static_cast<unsigned char>(c)));
  return ending;
}

}  // namespace speed
