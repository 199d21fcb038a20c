#include "components/wave/Samples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace components::wave {

namespace {

// One sample as a signed integer and back, for each width.
int32_t load(const uint8_t *p, uint16_t bits) {
  switch (bits) {
    case 8: return int32_t(p[0]) - 128;
    case 16: return int16_t(uint16_t(p[0] | p[1] << 8));
    case 24: return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
    default: return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
  }
}

void store(uint8_t *p, uint16_t bits, int32_t v) {
  switch (bits) {
    case 8: p[0] = uint8_t(v + 128); return;
    case 16:
      p[0] = uint8_t(v);
      p[1] = uint8_t(uint32_t(v) >> 8);
      return;
    case 24:
      p[0] = uint8_t(v);
      p[1] = uint8_t(uint32_t(v) >> 8);
      p[2] = uint8_t(uint32_t(v) >> 16);
      return;
    default:
      for (int k = 0; k < 4; ++k) p[k] = uint8_t(uint32_t(v) >> (8 * k));
  }
}

double fullScale(uint16_t bits) { return std::ldexp(1.0, bits - 1); }

int32_t saturate(double x, uint16_t bits) {
  const double top = fullScale(bits);
  x = std::nearbyint(x);
  if (x >= top - 1) return int32_t(top - 1);
  if (x <= -top) return int32_t(-top);
  return int32_t(x);
}

bool supported(uint16_t bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

void scaleSamples(const uint8_t *in, uint8_t *out, size_t bytes, uint16_t bits, float gain) {
  if (gain == 1.0f || !supported(bits)) {
    if (in != out) std::memmove(out, in, bytes);
    return;
  }
  const size_t width = bits / 8u;
  const size_t whole = bytes / width * width;
  for (size_t at = 0; at < whole; at += width) store(out + at, bits, saturate(double(load(in + at, bits)) * gain, bits));
  if (in != out) std::memmove(out + whole, in + whole, bytes - whole);
}

void samplesToFloat(const uint8_t *in, float *out, size_t samples, uint16_t bits) {
  if (!supported(bits)) {
    std::fill(out, out + samples, 0.0f);
    return;
  }
  const size_t width = bits / 8u;
  const double scale = 1.0 / fullScale(bits);
  for (size_t k = 0; k < samples; ++k) out[k] = float(double(load(in + k * width, bits)) * scale);
}

void floatToSamples(const float *in, uint8_t *out, size_t samples, uint16_t bits, float gain) {
  if (!supported(bits)) return;
  const size_t width = bits / 8u;
  const double scale = fullScale(bits) * double(gain);
  for (size_t k = 0; k < samples; ++k) {
    double x = std::isfinite(in[k]) ? double(in[k]) * scale : 0.0;
    store(out + k * width, bits, saturate(x, bits));
  }
}

}  // namespace components::wave
