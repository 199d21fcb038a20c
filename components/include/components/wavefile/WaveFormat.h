// The format block of a WAV file as it stands in its "fmt " chunk.
#pragma once

#include <cstdint>

namespace components {

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatGsm610 = 49;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

struct WaveFormat {
  uint16_t formatTag = 0;   // raw tag: 1 PCM, 49 GSM 6.10, 0xFFFE extensible, ...
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t subFormatTag = 0;  // extensible files: the tag inside the sub-format GUID, else 0

  // Integer PCM, plain or in an extensible format block.
  bool isPcm() const {
    return formatTag == kWaveFormatPcm || (formatTag == kWaveFormatExtensible && subFormatTag == kWaveFormatPcm);
  }
  bool isPcm(uint16_t bits, uint16_t channelCount, uint32_t rate) const {
    return isPcm() && bitsPerSample == bits && channels == channelCount && sampleRate == rate;
  }

  // A plain PCM format block with its derived fields filled in.
  static WaveFormat pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormat f;
    f.formatTag = kWaveFormatPcm;
    f.channels = channels;
    f.sampleRate = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
  }

  bool operator==(const WaveFormat &) const = default;
};

}  // namespace components
