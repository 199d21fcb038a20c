// The codec boundary: whole blocks, and one state per stream that carries
// over from block to block within the stream and nowhere else.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "voice/Codec.h"

namespace {

using namespace voice;
using Bytes = std::vector<uint8_t>;

Bytes toneBlock(double hz, double phase = 0) {
  Bytes pcm(kPcmBlockBytes);
  for (size_t i = 0; i < kPcmBlockBytes / 2; ++i) {
    auto v = static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / 8000.0 + phase)));
    pcm[2 * i] = static_cast<uint8_t>(v);
    pcm[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  return pcm;
}

// The result is only valid until the stream's next call, so it is copied out at once.
Bytes encode(EncoderStream &stream, const Bytes &pcm) {
  const uint8_t *coded = stream.encode(pcm.data());
  return Bytes(coded, coded + kCodedBlockBytes);
}
Bytes decode(DecoderStream &stream, const Bytes &coded) {
  const uint8_t *pcm = stream.decode(coded.data());
  return Bytes(pcm, pcm + kPcmBlockBytes);
}

double rms(const Bytes &pcm) {
  double sum = 0;
  for (size_t s = 0; s < pcm.size() / 2; ++s) {
    double x = static_cast<int16_t>(pcm[2 * s] | pcm[2 * s + 1] << 8);
    sum += x * x;
  }
  return std::sqrt(sum / (pcm.size() / 2));
}

// Two different signals of a few blocks each, and their coded forms.
struct Signals {
  std::vector<Bytes> pcmA, pcmB, codedA, codedB;
  Signals() {
    for (int i = 0; i < 4; ++i) {
      pcmA.push_back(toneBlock(440, i));
      pcmB.push_back(toneBlock(1250 - 150 * i));
    }
    EncoderStream a, b;
    for (auto &p : pcmA) codedA.push_back(encode(a, p));
    for (auto &p : pcmB) codedB.push_back(encode(b, p));
  }
};

TEST(CodecStreams, StateCarriesOverFromBlockToBlock) {
  // A stream that coded every block from a fresh state would give the same
  // result for the same block twice in a row.
  Bytes pcm = toneBlock(440);
  EncoderStream encoder;
  Bytes first = encode(encoder, pcm), second = encode(encoder, pcm);
  EXPECT_NE(first, second);
  DecoderStream decoder;
  EXPECT_NE(decode(decoder, first), decode(decoder, first));
}

TEST(CodecStreams, EveryNewStreamStartsFresh) {
  const Signals s;
  {
    EncoderStream used;
    for (auto &p : s.pcmB) encode(used, p);
    EncoderStream fresh;  // made after another stream has run
    for (size_t i = 0; i < s.pcmA.size(); ++i) EXPECT_EQ(encode(fresh, s.pcmA[i]), s.codedA[i]) << i;
  }
  DecoderStream first, second;
  for (auto &c : s.codedB) decode(first, c);
  DecoderStream fresh;
  for (auto &c : s.codedA) EXPECT_EQ(decode(fresh, c), decode(second, c));
}

TEST(CodecStreams, InterleavedStreamsCodeAsEachAlone) {
  const Signals s;
  std::vector<Bytes> aloneA, aloneB;
  {
    DecoderStream a, b;
    for (auto &c : s.codedA) aloneA.push_back(decode(a, c));
    for (auto &c : s.codedB) aloneB.push_back(decode(b, c));
  }
  EncoderStream encA, encB;
  DecoderStream decA, decB;
  for (size_t i = 0; i < s.pcmA.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(encode(encA, s.pcmA[i]), s.codedA[i]);
    EXPECT_EQ(encode(encB, s.pcmB[i]), s.codedB[i]);
    EXPECT_EQ(decode(decA, s.codedA[i]), aloneA[i]);
    EXPECT_EQ(decode(decB, s.codedB[i]), aloneB[i]);
  }
}

TEST(CodecStreams, ATonePassesThroughAtItsLevel) {
  Bytes pcm = toneBlock(500);
  EncoderStream encoder;
  DecoderStream decoder;
  Bytes out;
  for (int i = 0; i < 3; ++i) out = decode(decoder, encode(encoder, pcm));
  EXPECT_NEAR(rms(out) / rms(pcm), 1.0, 0.25);
}

TEST(CodecStreams, TheConversionCodecCodesAsAFreshStreamPair) {
  const Signals s;
  auto codec = makeG729Codec();
  DecoderStream reference;
  for (size_t i = 0; i < s.pcmA.size(); ++i) {
    const uint8_t *coded = codec->encode(s.pcmA[i].data());
    EXPECT_EQ(Bytes(coded, coded + kCodedBlockBytes), s.codedA[i]) << i;
    const uint8_t *pcm = codec->decode(s.codedB[i].data());
    EXPECT_EQ(Bytes(pcm, pcm + kPcmBlockBytes), decode(reference, s.codedB[i])) << i;
  }
}

}  // namespace
