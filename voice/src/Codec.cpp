#include "voice/Codec.h"

#include <bit>
#include <cstring>
#include <new>

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

namespace voice {

// A stream's channel and the storage its results are returned in.
struct EncoderStream::State {
  bcg729EncoderChannelContextStruct *channel = initBcg729EncoderChannel(0);
  uint8_t coded[kCodedBlockBytes] = {};

  State() {
    if (!channel) throw std::bad_alloc();
  }
  ~State() { closeBcg729EncoderChannel(channel); }
  State(const State &) = delete;
  State &operator=(const State &) = delete;
};

struct DecoderStream::State {
  bcg729DecoderChannelContextStruct *channel = initBcg729DecoderChannel();
  uint8_t pcm[kPcmBlockBytes] = {};

  State() {
    if (!channel) throw std::bad_alloc();
  }
  ~State() { closeBcg729DecoderChannel(channel); }
  State(const State &) = delete;
  State &operator=(const State &) = delete;
};

EncoderStream::EncoderStream() : state_(std::make_unique<State>()) {}
EncoderStream::~EncoderStream() = default;
EncoderStream::EncoderStream(EncoderStream &&) noexcept = default;
EncoderStream &EncoderStream::operator=(EncoderStream &&) noexcept = default;

const uint8_t *EncoderStream::encode(const uint8_t *pcm) {
  int16_t samples[kFrameSamples];
  for (size_t frame = 0; frame < kFramesPerBlock; ++frame) {
    const uint8_t *in = pcm + frame * kFrameSamples * 2;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(samples, in, sizeof samples);
    } else {
      for (size_t i = 0; i < kFrameSamples; ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(in[2 * i] | in[2 * i + 1] << 8));
    }
    uint8_t *out = state_->coded + frame * kFrameBytes;
    uint8_t length = 0;
    bcg729Encoder(state_->channel, samples, out, &length);
    // Without voice activity detection every frame is a full speech frame.
    if (length != kFrameBytes) std::memset(out + length, 0, kFrameBytes - length);
  }
  return state_->coded;
}

DecoderStream::DecoderStream() : state_(std::make_unique<State>()) {}
DecoderStream::~DecoderStream() = default;
DecoderStream::DecoderStream(DecoderStream &&) noexcept = default;
DecoderStream &DecoderStream::operator=(DecoderStream &&) noexcept = default;

const uint8_t *DecoderStream::decode(const uint8_t *coded) {
  int16_t samples[kFrameSamples];
  for (size_t frame = 0; frame < kFramesPerBlock; ++frame) {
    bcg729Decoder(state_->channel, coded + frame * kFrameBytes, kFrameBytes, 0, 0, 0, samples);
    uint8_t *out = state_->pcm + frame * kFrameSamples * 2;
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
  return state_->pcm;
}

namespace {

class G729Codec final : public Codec {
 public:
  const uint8_t *encode(const uint8_t *pcm) override { return encoder_.encode(pcm); }
  const uint8_t *decode(const uint8_t *coded) override { return decoder_.decode(coded); }

 private:
  EncoderStream encoder_;
  DecoderStream decoder_;
};

}  // namespace

std::unique_ptr<Codec> makeG729Codec() { return std::make_unique<G729Codec>(); }

}  // namespace voice
