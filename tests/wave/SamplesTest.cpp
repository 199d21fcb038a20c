// The output gain and the sample arithmetic the devices apply it with; the
// rate a device opens at.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "components/wave/OutputGain.h"
#include "components/wave/PortAudio.h"
#include "components/wave/Samples.h"
#include "support/WaveSignals.h"

using namespace wavetest;
namespace cw = components::wave;

namespace {

Bytes encode(uint16_t bits, std::initializer_list<int64_t> values) {
  Bytes out;
  for (int64_t v : values) {
    int64_t stored = bits == 8 ? v + 128 : v;
    for (int b = 0; b < bits / 8; ++b) out.push_back(uint8_t(uint64_t(stored) >> (8 * b)));
  }
  return out;
}

}  // namespace

TEST(OutputGain, StartsAtUnityAndIsClamped) {
  EXPECT_EQ(cw::outputGain(), 1.0f);
  struct Case {
    float set, expected;
  } cases[] = {{0.5f, 0.5f}, {-1.0f, 0.0f}, {100.0f, cw::kMaxOutputGain},
               {std::numeric_limits<float>::quiet_NaN(), cw::kMaxOutputGain}, {1.0f, 1.0f}};
  for (const auto &c : cases) {
    cw::setOutputGain(c.set);
    EXPECT_EQ(cw::outputGain(), c.expected) << c.set;
  }
}

TEST(Samples, ScalingRoundsAndSaturatesAtEveryWidth) {
  const int64_t m24 = 1 << 23, m32 = int64_t(1) << 31;
  struct Case {
    uint16_t bits;
    float gain;
    std::initializer_list<int64_t> in, out;
  } cases[] = {
      {8, 0.5f, {100, -128, 1, 127}, {50, -64, 0, 64}},  // 0.5 and 63.5 round to even
      {8, 2.0f, {100, -100, 60}, {127, -128, 120}},
      {16, 0.5f, {1000, -3, -32768, 32767}, {500, -2, -16384, 16384}},
      {16, 2.0f, {20000, -20000, 100}, {32767, -32768, 200}},
      {16, 0.0f, {12345, -32768}, {0, 0}},
      {24, 2.0f, {m24 / 2, -m24, 12345}, {m24 - 1, -m24, 24690}},
      {24, 0.25f, {-m24, m24 - 1}, {-m24 / 4, m24 / 4}},
      {32, 2.0f, {m32 / 2, -m32 / 2 - 1, 123456789}, {m32 - 1, -m32, 246913578}},
      {32, 0.5f, {-m32, m32 - 1}, {-m32 / 2, m32 / 2}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << "-bit, gain " << c.gain);
    Bytes in = encode(c.bits, c.in), out(in.size());
    cw::scaleSamples(in.data(), out.data(), in.size(), c.bits, c.gain);
    EXPECT_EQ(out, encode(c.bits, c.out));
    cw::scaleSamples(in.data(), in.data(), in.size(), c.bits, c.gain);  // in place
    EXPECT_EQ(in, encode(c.bits, c.out));
  }
}

TEST(Samples, UnityCopiesExactlyAndATrailingPartOfASampleIsCopiedAsItIs) {
  for (uint16_t bits : {8, 16, 24, 32}) {
    Bytes in = ramp(bits, 500);
    in.push_back(0x5A);
    Bytes out(in.size());
    cw::scaleSamples(in.data(), out.data(), in.size(), bits, 1.0f);
    EXPECT_EQ(out, in) << bits;
    if (bits == 8) continue;  // a byte is a whole sample
    cw::scaleSamples(in.data(), out.data(), in.size(), bits, 0.5f);
    EXPECT_EQ(out.back(), 0x5A) << bits;
  }
}

TEST(Samples, FloatsCarryEverySampleOfUpTo24BitsAndBack) {
  for (uint16_t bits : {8, 16, 24, 32}) {
    const Bytes in = ramp(bits, 4000, -(1 << (bits - 2)));
    const size_t n = in.size() / (bits / 8u);
    std::vector<float> f(n);
    cw::samplesToFloat(in.data(), f.data(), n, bits);
    for (float x : f) ASSERT_TRUE(x >= -1.0f && x < 1.0f) << bits;
    Bytes back(in.size());
    cw::floatToSamples(f.data(), back.data(), n, bits, 1.0f);
    if (bits <= 24) {
      EXPECT_EQ(back, in) << bits;
    } else {
      // A float's 24 bits of mantissa.
      for (size_t k = 0; k < back.size(); k += 4) {
        auto v = [](const Bytes &b, size_t at) { return int32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24); };
        ASSERT_LE(std::abs(int64_t(v(back, k)) - v(in, k)), 128) << k;
      }
    }
  }
  // Out of range and not a number: saturated and silent.
  const float odd[] = {1.5f, -2.0f, std::numeric_limits<float>::quiet_NaN(), 0.5f};
  Bytes out(8);
  cw::floatToSamples(odd, out.data(), 4, 16, 1.0f);
  EXPECT_EQ(out, encode(16, {32767, -32768, 0, 16384}));
  cw::floatToSamples(odd + 3, out.data(), 1, 16, 4.0f);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), encode(16, {32767}));
}

TEST(DeviceRate, TheStreamsOwnRateWhereTheDeviceTakesItElseOneItTakes) {
  struct Case {
    const char *what;
    uint32_t stream, preferred;
    double deviceDefault;
    std::set<uint32_t> taken;
    uint32_t expected;
  } cases[] = {
      {"taken", 8000, 0, 44100, {8000, 44100, 48000}, 8000},
      {"refused: the device's default", 8000, 0, 44100, {44100, 48000}, 44100},
      {"refused, no usable default", 8000, 0, 0, {22050, 48000}, 48000},
      {"a preferred rate first", 8000, 48000, 44100, {8000, 44100, 48000}, 48000},
      {"a preferred rate refused", 8000, 96000, 44100, {8000, 48000}, 8000},
      {"nothing taken", 8000, 0, 44100, {}, 0},
      {"only a rate far down the list", 8000, 0, 44100, {11025}, 11025},
  };
  for (const auto &c : cases) {
    int asked = 0;
    uint32_t rate = cw::chooseDeviceRate(c.stream, c.preferred, c.deviceDefault, [&](uint32_t r) {
      ++asked;
      return c.taken.count(r) > 0;
    });
    EXPECT_EQ(rate, c.expected) << c.what;
    EXPECT_GT(asked, 0) << c.what;
  }
}
