// What a wave device and its owner exchange: the PCM format of a stream and
// the buffers that the owner fills and the device plays.
#pragma once

#include <cstdint>

namespace components::wave {

struct PcmFormat {
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;

  uint32_t blockAlign() const { return uint32_t(channels) * (bitsPerSample / 8u); }
  uint64_t bytesPerSecond() const { return uint64_t(blockAlign()) * sampleRate; }
};

// One buffer, as a wave header: the owner keeps it alive and untouched
// (except `user`) from the device's write until the device hands it back.
struct Buffer {
  uint8_t *data = nullptr;
  uint32_t length = 0;  // bytes to play; 0 is allowed and comes back at once
  uint32_t user = 0;    // the owner's word; the device never reads it
};

}  // namespace components::wave
