#include "player/DisplayMath.h"

#include <cmath>

namespace player {

Clock clockFromSeconds(uint64_t seconds) {
  Clock c;
  c.hours = static_cast<int64_t>(seconds / 3600);
  c.minutes = static_cast<int64_t>(seconds % 3600 / 60);
  c.seconds = static_cast<int64_t>(seconds % 3600 % 60);
  return c;
}

BitRate waveBitRate(uint32_t sampleRate, uint32_t bitsPerSample, bool stereo) {
  uint64_t b = bitsPerSample == 0 ? 13000 : uint64_t(sampleRate) * bitsPerSample;
  if (stereo) b *= 2;
  return {static_cast<int64_t>(b / 1000), static_cast<int64_t>(b % 1000 / 10)};
}

uint64_t waveTotalSeconds(uint64_t dataBytes, uint64_t averageBytesPerSecond) {
  return averageBytesPerSecond == 0 ? 0 : dataBytes / averageBytesPerSecond;
}

uint64_t mpegTotalSeconds(uint64_t frames, double msPerFrame) {
  if (frames == 0 || !(msPerFrame > 0) || !std::isfinite(msPerFrame)) return 0;
  // In microseconds: an MP3 frame lasts a whole number of samples of at
  // least 1/48000 s, so rounding to 1 us removes only the floating-point
  // error and an exact minute stays exact.
  double us = std::round(double(frames) * msPerFrame * 1000.0);
  if (!(us < 1.8e19)) return 0;
  uint64_t micro = static_cast<uint64_t>(us);
  return micro / 1000000 + (micro % 1000000 != 0 ? 1 : 0);
}

int clampPercent(int64_t percent) { return percent < 0 ? 0 : percent > 100 ? 100 : static_cast<int>(percent); }

int percentOf(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  // 128-bit so that large positions cannot overflow the product.
  unsigned __int128 p = static_cast<unsigned __int128>(part) * 100 / whole;
  return p > 100 ? 100 : static_cast<int>(p);
}

uint64_t partAt(uint64_t whole, int percent) {
  return static_cast<uint64_t>(static_cast<unsigned __int128>(whole) * uint64_t(clampPercent(percent)) / 100);
}

}  // namespace player
