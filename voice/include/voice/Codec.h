// The G.729 codec boundary: one block of half a second per call. The process
// has one encoder state and one decoder state; they carry over from call to
// call and from file to file and are never reset.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voice {

// 8000 PCM bytes (4000 samples, 16-bit signed little-endian, mono, 8000 Hz)
// in, a pointer to 500 coded bytes (50 frames of 10 bytes) out. The result
// stays valid until the next call of GEncode or GDecode.
const uint8_t *GEncode(const uint8_t *pcm);

// 500 coded bytes in, a pointer to 8000 PCM bytes out; valid until the next call.
const uint8_t *GDecode(const uint8_t *coded);

inline constexpr size_t kPcmBlockBytes = 8000;
inline constexpr size_t kCodedBlockBytes = 500;
inline constexpr size_t kPcmBytesPerCodedByte = 16;  // 8 samples
inline constexpr size_t kFrameBytes = 10;            // one coded frame: 10 ms, 80 samples
inline constexpr size_t kFrameSamples = 80;
inline constexpr size_t kFramesPerBlock = kCodedBlockBytes / kFrameBytes;
inline constexpr int kSampleRate = 8000, kBitsPerSample = 16, kChannels = 1;
inline constexpr int kCodecDelaySamples = 40;  // decoded speech lags its input by this much

// A short last block is still coded whole; the caller keeps this much of the result.
constexpr size_t codedBytesForPcm(size_t pcmBytes) { return pcmBytes / kPcmBytesPerCodedByte; }
constexpr size_t pcmBytesForCoded(size_t codedBytes) { return codedBytes * kPcmBytesPerCodedByte; }

// The block operations as the conversions call them, so that tests can put
// a codec of their own in their place.
class Codec {
 public:
  virtual ~Codec() = default;
  virtual const uint8_t *encode(const uint8_t *pcm) = 0;   // kPcmBlockBytes -> kCodedBlockBytes
  virtual const uint8_t *decode(const uint8_t *coded) = 0; // kCodedBlockBytes -> kPcmBlockBytes
};

// GEncode and GDecode.
Codec &processCodec();

}  // namespace voice
