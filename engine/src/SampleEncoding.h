// How a WAV file stores its samples, and the conversion of the encodings the
// engine cannot stream (24- and 32-bit integers, 32- and 64-bit floats) to
// 16-bit signed PCM, which it can.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sonavel {

enum class SampleEncoding { Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

// Bytes per stored sample.
inline uint16_t sampleBytes(SampleEncoding e) {
  switch (e) {
    case SampleEncoding::Unsigned8: return 1;
    case SampleEncoding::Signed16: return 2;
    case SampleEncoding::Signed24: return 3;
    case SampleEncoding::Signed32:
    case SampleEncoding::Float32: return 4;
    case SampleEncoding::Float64: return 8;
  }
  return 0;
}

// Played as stored (8-bit unsigned, 16-bit signed) or converted to 16 bits.
inline bool streamsAsStored(SampleEncoding e) {
  return e == SampleEncoding::Unsigned8 || e == SampleEncoding::Signed16;
}

// Integers keep their top 16 bits. Floats are clipped to -1 .. 1, scaled by
// 32767 and rounded to nearest; NaN is silence.
inline int16_t floatTo16(double x) {
  if (!(x == x)) return 0;
  if (x > 1.0) x = 1.0;
  if (x < -1.0) x = -1.0;
  return int16_t(std::lround(x * 32767.0));
}

// Converts `count` little-endian samples at `in` to 16-bit little-endian
// samples at `out`. The encoding is one that does not stream as stored.
inline void convertTo16(SampleEncoding e, const uint8_t *in, size_t count, uint8_t *out) {
  for (size_t k = 0; k < count; ++k) {
    int16_t v = 0;
    switch (e) {
      case SampleEncoding::Signed24:
        v = int16_t(uint16_t(in[1] | in[2] << 8));
        in += 3;
        break;
      case SampleEncoding::Signed32:
        v = int16_t(uint16_t(in[2] | in[3] << 8));
        in += 4;
        break;
      case SampleEncoding::Float32: {
        uint32_t bits = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
        float x;
        std::memcpy(&x, &bits, 4);
        v = floatTo16(x);
        in += 4;
        break;
      }
      case SampleEncoding::Float64: {
        uint64_t bits = 0;
        for (int b = 7; b >= 0; --b) bits = bits << 8 | in[b];
        double x;
        std::memcpy(&x, &bits, 8);
        v = floatTo16(x);
        in += 8;
        break;
      }
      case SampleEncoding::Unsigned8:
      case SampleEncoding::Signed16:
        return;
    }
    out[0] = uint8_t(uint16_t(v));
    out[1] = uint8_t(uint16_t(v) >> 8);
    out += 2;
  }
}

}  // namespace sonavel
