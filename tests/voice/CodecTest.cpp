// The codec boundary: whole blocks, one state per direction that carries
// over from call to call.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "voice/Codec.h"

namespace {

using namespace voice;
using Bytes = std::vector<uint8_t>;

Bytes toneBlock(double hz) {
  Bytes pcm(kPcmBlockBytes);
  for (size_t i = 0; i < kPcmBlockBytes / 2; ++i) {
    auto v = static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / 8000.0)));
    pcm[2 * i] = static_cast<uint8_t>(v);
    pcm[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  return pcm;
}

// The result is only valid until the next call, so it is copied out at once.
Bytes encode(const Bytes &pcm) {
  const uint8_t *coded = GEncode(pcm.data());
  return Bytes(coded, coded + kCodedBlockBytes);
}
Bytes decode(const Bytes &coded) {
  const uint8_t *pcm = GDecode(coded.data());
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

TEST(Codec, StateCarriesOverBetweenCalls) {
  // A codec reset between calls would code the same block the same way twice.
  Bytes pcm = toneBlock(440);
  Bytes first = encode(pcm), second = encode(pcm);
  EXPECT_NE(first, second);
  EXPECT_NE(decode(first), decode(first));
}

TEST(Codec, ATonePassesThroughAtItsLevel) {
  Bytes pcm = toneBlock(500);
  Bytes out;
  for (int i = 0; i < 3; ++i) out = decode(encode(pcm));
  EXPECT_NEAR(rms(out) / rms(pcm), 1.0, 0.25);
}

}  // namespace
