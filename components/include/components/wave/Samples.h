// PCM samples as the wave devices handle them: 8-bit unsigned or 16-, 24-
// or 32-bit signed little-endian integers. Scaling by the output gain and
// the float form the rate converter works in. Nothing here allocates: the
// real-time callbacks use it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace components::wave {

// Copies `bytes` of samples from `in` to `out` (which may be `in`) scaled
// by `gain`, rounded to the nearest value and saturated at full scale. A
// gain of exactly 1 copies unchanged; bytes after the last whole sample are
// copied as they are.
void scaleSamples(const uint8_t *in, uint8_t *out, size_t bytes, uint16_t bitsPerSample, float gain);

// `samples` samples to floats, full scale at +-1.
void samplesToFloat(const uint8_t *in, float *out, size_t samples, uint16_t bitsPerSample);
// Floats (full scale +-1) to `samples` samples, scaled by `gain`, rounded
// and saturated.
void floatToSamples(const float *in, uint8_t *out, size_t samples, uint16_t bitsPerSample, float gain);

// The byte pattern of silence: unsigned 8-bit samples rest at 128.
inline uint8_t silenceByte(uint16_t bitsPerSample) { return bitsPerSample == 8 ? 0x80 : 0; }

}  // namespace components::wave
