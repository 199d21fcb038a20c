// The G.729 codec boundary: one block of half a second per call. Every
// stream (a conversion, a playback, a recording) owns its encoder or decoder
// state, made when the stream starts: the same input always codes the same
// way, and two streams never disturb each other. Within one stream the state
// carries over from block to block, as the codec requires.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace voice {

// One encoding stream: a fresh encoder state of its own. Streams move but
// do not copy; a moved-from stream may only be assigned to or destroyed.
class EncoderStream {
 public:
  EncoderStream();
  ~EncoderStream();
  EncoderStream(EncoderStream &&) noexcept;
  EncoderStream &operator=(EncoderStream &&) noexcept;

  // kPcmBlockBytes of PCM (4000 samples, 16-bit signed little-endian, mono,
  // 8000 Hz) in, a pointer to kCodedBlockBytes (50 frames of 10 bytes) out.
  // The result stays valid until this stream's next call.
  const uint8_t *encode(const uint8_t *pcm);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One decoding stream: a fresh decoder state of its own; moves as above.
class DecoderStream {
 public:
  DecoderStream();
  ~DecoderStream();
  DecoderStream(DecoderStream &&) noexcept;
  DecoderStream &operator=(DecoderStream &&) noexcept;

  // kCodedBlockBytes in, a pointer to kPcmBlockBytes out; valid until this
  // stream's next call.
  const uint8_t *decode(const uint8_t *coded);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

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
// a codec of their own in their place. One Codec serves one conversion.
class Codec {
 public:
  virtual ~Codec() = default;
  virtual const uint8_t *encode(const uint8_t *pcm) = 0;   // kPcmBlockBytes -> kCodedBlockBytes
  virtual const uint8_t *decode(const uint8_t *coded) = 0; // kCodedBlockBytes -> kPcmBlockBytes
};

// Makes the codec for one conversion, at the conversion's start.
using CodecFactory = std::function<std::unique_ptr<Codec>()>;

// bcg729 with a fresh encoder and decoder state.
std::unique_ptr<Codec> makeG729Codec();

}  // namespace voice
