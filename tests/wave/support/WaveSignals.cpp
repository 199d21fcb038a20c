#include "support/WaveSignals.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace wavetest {

bool waitPending(const wave::DoneQueue &queue, size_t count, int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (queue.pending() < count) {
    if (std::chrono::steady_clock::now() > until) return false;
    pollfd p{queue.descriptor(), POLLIN, 0};
    ::poll(&p, 1, 5);
  }
  return true;
}

Bytes ramp(uint16_t bits, size_t samples, int start) {
  const size_t width = bits / 8u;
  const int64_t top = int64_t(1) << (bits - 1);
  Bytes out(samples * width);
  int64_t v = start;
  for (size_t k = 0; k < samples; ++k) {
    int64_t stored = bits == 8 ? v + 128 : v;
    for (size_t b = 0; b < width; ++b) out[k * width + b] = uint8_t(uint64_t(stored) >> (8 * b));
    v += 3;
    if (v >= top - 1) v = -top + 2;
    if (v == 0) v = 1;
  }
  return out;
}

Bytes sine16(uint32_t rate, size_t frames, double hz, double amplitude, uint16_t channels) {
  Bytes out;
  out.reserve(frames * 2 * channels);
  for (size_t i = 0; i < frames; ++i) {
    auto v = int16_t(std::lround(32767 * amplitude * std::sin(2 * M_PI * hz * double(i) / rate)));
    for (uint16_t c = 0; c < channels; ++c) {
      out.push_back(uint8_t(v));
      out.push_back(uint8_t(uint16_t(v) >> 8));
    }
  }
  return out;
}

Bytes sineFloat(uint32_t rate, size_t frames, double hz, double amplitude) {
  Bytes out(frames * 4);
  for (size_t i = 0; i < frames; ++i) {
    float v = float(amplitude * std::sin(2 * M_PI * hz * double(i) / rate));
    std::memcpy(out.data() + 4 * i, &v, 4);
  }
  return out;
}

std::vector<double> from16(const Bytes &bytes) {
  std::vector<double> x(bytes.size() / 2);
  for (size_t k = 0; k < x.size(); ++k) x[k] = int16_t(uint16_t(bytes[2 * k] | bytes[2 * k + 1] << 8)) / 32768.0;
  return x;
}

std::vector<double> fromFloat(const Bytes &bytes) {
  std::vector<double> x(bytes.size() / 4);
  for (size_t k = 0; k < x.size(); ++k) {
    float v;
    std::memcpy(&v, bytes.data() + 4 * k, 4);
    x[k] = v;
  }
  return x;
}

std::optional<size_t> findAligned(const Bytes &heard, const Bytes &wanted, size_t align) {
  if (wanted.empty() || heard.size() < wanted.size()) return std::nullopt;
  for (size_t at = 0; at + wanted.size() <= heard.size(); at += align)
    if (std::equal(wanted.begin(), wanted.end(), heard.begin() + ptrdiff_t(at))) return at;
  return std::nullopt;
}

double frequency(const std::vector<double> &x, uint32_t rate, size_t from, size_t to) {
  to = std::min(to, x.size());
  size_t first = 0, last = 0, crossings = 0;
  for (size_t k = from + 1; k < to; ++k) {
    if (x[k - 1] < 0 && x[k] >= 0) {
      if (crossings++ == 0) first = k;
      last = k;
    }
  }
  return crossings > 1 ? double(crossings - 1) * rate / double(last - first) : 0;
}

double peak(const std::vector<double> &x, size_t from, size_t to) {
  double p = 0;
  for (size_t k = from; k < std::min(to, x.size()); ++k) p = std::max(p, std::fabs(x[k]));
  return p;
}

size_t firstAbove(const std::vector<double> &x, double level) {
  for (size_t k = 0; k < x.size(); ++k)
    if (std::fabs(x[k]) > level) return k;
  return x.size();
}

}  // namespace wavetest
