#include "voice/Codec.h"

#include <bit>
#include <cstring>

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

namespace voice {

namespace {

// The library's side of the boundary: the two channel states, made on first
// use and kept for the life of the process, and the result storage.
class Bcg729 {
 public:
  static Bcg729 &instance() {
    static Bcg729 codec;
    return codec;
  }

  const uint8_t *encode(const uint8_t *pcm) {
    int16_t samples[kFrameSamples];
    for (size_t frame = 0; frame < kFramesPerBlock; ++frame) {
      const uint8_t *in = pcm + frame * kFrameSamples * 2;
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(samples, in, sizeof samples);
      } else {
        for (size_t i = 0; i < kFrameSamples; ++i)
          samples[i] = static_cast<int16_t>(static_cast<uint16_t>(in[2 * i] | in[2 * i + 1] << 8));
      }
      uint8_t *out = coded_ + frame * kFrameBytes;
      uint8_t length = 0;
      bcg729Encoder(encoder_, samples, out, &length);
      // Without voice activity detection every frame is a full speech frame.
      if (length != kFrameBytes) std::memset(out + length, 0, kFrameBytes - length);
    }
    return coded_;
  }

  const uint8_t *decode(const uint8_t *coded) {
    int16_t samples[kFrameSamples];
    for (size_t frame = 0; frame < kFramesPerBlock; ++frame) {
      bcg729Decoder(decoder_, coded + frame * kFrameBytes, kFrameBytes, 0, 0, 0, samples);
      uint8_t *out = pcm_ + frame * kFrameSamples * 2;
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, samples, sizeof samples);
      } else {
        for (size_t i = 0; i < kFrameSamples; ++i) {
          auto v = static_cast<uint16_t>(samples[i]);
          out[2 * i] = static_cast<uint8_t>(v);
          out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
    return pcm_;
  }

 private:
  Bcg729() : encoder_(initBcg729EncoderChannel(0)), decoder_(initBcg729DecoderChannel()) {}
  ~Bcg729() {
    closeBcg729EncoderChannel(encoder_);
    closeBcg729DecoderChannel(decoder_);
  }
  Bcg729(const Bcg729 &) = delete;
  Bcg729 &operator=(const Bcg729 &) = delete;

  bcg729EncoderChannelContextStruct *encoder_;
  bcg729DecoderChannelContextStruct *decoder_;
  uint8_t coded_[kCodedBlockBytes] = {};
  uint8_t pcm_[kPcmBlockBytes] = {};
};

class ProcessCodec final : public Codec {
 public:
  const uint8_t *encode(const uint8_t *pcm) override { return GEncode(pcm); }
  const uint8_t *decode(const uint8_t *coded) override { return GDecode(coded); }
};

}  // namespace

const uint8_t *GEncode(const uint8_t *pcm) { return Bcg729::instance().encode(pcm); }

const uint8_t *GDecode(const uint8_t *coded) { return Bcg729::instance().decode(coded); }

Codec &processCodec() {
  static ProcessCodec codec;
  return codec;
}

}  // namespace voice
