#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "TimeScaleModifier.h"

using sonavel::TimeScaleModifier;

#include "support/CountingNew.h"

namespace {

SonavelWaveFormat makeFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
  uint16_t align = uint16_t(channels * bits / 8);
  return {1, channels, rate, rate * align, align, bits, 0};
}

// The algorithm written out byte by byte with floating-point sums, to hold
// the engine's faster implementation to it.
struct Reference {
  SonavelWaveFormat f{};
  int frame = 0, search = 0, positions = 0, analysisLength = 0, fill = 0, overlap = 0, n = 0, advance = 0,
      segment = 0, offset = 0, armed = 0;
  std::vector<uint8_t> buf, tail;
  std::vector<double> in, out;

  void init(const SonavelWaveFormat &format) {
    f = format;
    int bps = int(f.samplesPerSec * f.blockAlign);
    auto len = [&](int ms) { int v = bps * ms / 1000; return v - v % f.blockAlign; };
    frame = len(20);
    search = len(12);
    overlap = len(5);
    positions = search / f.blockAlign;
    n = overlap / f.blockAlign;
    segment = frame - overlap;
    analysisLength = search + frame;
    buf.assign(size_t(analysisLength), 0);
    tail.assign(size_t(overlap), 0);
    in.resize(size_t(n));
    out.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
      in[size_t(i)] = double(i + 1) / double(n + 1);
      out[size_t(i)] = double(n - i) / double(n + 1);
    }
    advance = segment;
    armed = 0;
    fill = 0;
  }
  void setMode(double factor, int mode) {
    int a = mode == 0 ? int(segment / (1.0 / factor)) : mode == 1 ? int(segment / factor) : segment;
    advance = a - a % f.blockAlign;
  }
  int sampleAt(const std::vector<uint8_t> &b, int at) const {
    if (f.bitsPerSample == 16) return int16_t(b[size_t(at)] | b[size_t(at) + 1] << 8);
    return int(b[size_t(at)]) - 128;
  }
  int doSearch() const {
    double best = 0.0;
    int winner = 0;
    for (int k = 0; k < positions; ++k) {
      double sxy = 0, syy = 0;
      for (int j = 0; j < n; ++j) {
        int x = sampleAt(tail, j * f.blockAlign);
        int y = sampleAt(buf, k * f.blockAlign + j * f.blockAlign);
        sxy += double(x * y);
        syy += double(y * y);
      }
      double score = sxy / std::sqrt(syy + 1);
      if (score > best) {
        best = score;
        winner = k;
      }
    }
    return winner * f.blockAlign;
  }
  void fade() {
    int channels = f.channels == 1 ? 1 : 2;
    for (int j = 0; j < n; ++j)
      for (int c = 0; c < channels; ++c) {
        if (f.bitsPerSample == 16) {
          int at = offset + j * f.blockAlign + 2 * c;
          int16_t t = int16_t(tail[size_t(at - offset)] | tail[size_t(at - offset) + 1] << 8);
          int16_t s = int16_t(buf[size_t(at)] | buf[size_t(at) + 1] << 8);
          int16_t v = int16_t(out[size_t(j)] * t + in[size_t(j)] * s);
          buf[size_t(at)] = uint8_t(v);
          buf[size_t(at) + 1] = uint8_t(uint16_t(v) >> 8);
        } else {
          int at = offset + j * f.blockAlign + c;
          buf[size_t(at)] = uint8_t(out[size_t(j)] * tail[size_t(at - offset)] + in[size_t(j)] * buf[size_t(at)]);
        }
      }
  }
  void process(const uint8_t *input, int length, std::vector<uint8_t> &output) {
    for (int i = 0; i < length; ++i) {
      buf[size_t(fill)] = i >= 0 ? input[i] : buf[size_t(fill + advance)];
      ++fill;
      if (fill == analysisLength) {
        fill = 0;
        i += advance - analysisLength;
        offset += segment - advance;
        if (offset < 0 || offset > search) offset = doSearch();
        if (armed)
          fade();
        else
          armed = 1;
        output.insert(output.end(), buf.begin() + offset, buf.begin() + offset + segment);
        std::copy(buf.begin() + offset + segment, buf.begin() + offset + segment + overlap, tail.begin());
      }
    }
  }
};

// Speech-like test signal: two partials with a wandering pitch plus noise.
std::vector<uint8_t> signal(const SonavelWaveFormat &f, int frames, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, 0.05);
  std::vector<uint8_t> out;
  double phase = 0;
  for (int i = 0; i < frames; ++i) {
    double hz = 180 + 60 * std::sin(2 * M_PI * i / f.samplesPerSec * 0.7);
    phase += 2 * M_PI * hz / f.samplesPerSec;
    double x = 0.5 * std::sin(phase) + 0.25 * std::sin(3.1 * phase) + noise(rng);
    x = std::clamp(x, -1.0, 1.0);
    for (int c = 0; c < f.channels; ++c) {
      double y = c == 0 ? x : -0.7 * x;
      if (f.bitsPerSample == 16) {
        int16_t v = int16_t(std::lround(32000 * y));
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(uint16_t(v) >> 8));
      } else {
        out.push_back(uint8_t(std::lround(128 + 120 * y)));
      }
    }
  }
  return out;
}

std::vector<uint8_t> runModifier(TimeScaleModifier &m, const std::vector<uint8_t> &input, std::vector<int> chunks) {
  std::vector<uint8_t> output;
  std::vector<uint8_t> scratch;
  size_t at = 0, k = 0;
  while (at < input.size()) {
    int len = int(std::min<size_t>(input.size() - at, size_t(chunks[k++ % chunks.size()])));
    scratch.resize(size_t(m.maxOutput(len)));
    int32_t produced = -1;
    EXPECT_EQ(m.process(input.data() + at, len, scratch.data(), &produced), 1);
    output.insert(output.end(), scratch.begin(), scratch.begin() + produced);
    at += size_t(len);
  }
  return output;
}

TEST(TimeScaleModifier, LengthsFollowTheFormat) {
  struct Case {
    SonavelWaveFormat format;
    int frame, overlap, segment, n, search, positions, analysis;
  } cases[] = {
      {makeFormat(2, 44100, 16), 3528, 880, 2648, 220, 2116, 529, 5644},
      {makeFormat(1, 8000, 8), 160, 40, 120, 40, 96, 96, 256},
  };
  for (const auto &c : cases) {
    TimeScaleModifier m;
    m.init(c.format);
    EXPECT_EQ(m.frameLength(), c.frame);
    EXPECT_EQ(m.overlapLength(), c.overlap);
    EXPECT_EQ(m.segmentLength(), c.segment);
    EXPECT_EQ(m.overlapFrames(), c.n);
    EXPECT_EQ(m.searchLength(), c.search);
    EXPECT_EQ(m.searchPositions(), c.positions);
    EXPECT_EQ(m.analysisLength(), c.analysis);
    EXPECT_EQ(m.advance(), c.segment);  // normal speed
  }
}

TEST(TimeScaleModifier, ModesSetTheAdvance) {
  TimeScaleModifier m;
  m.init(makeFormat(2, 44100, 16));
  struct Case {
    double factor;
    int mode;
    double result;
    int advance;
  } cases[] = {
      {2.0, 0, 2.0, 5296},   // twice as fast
      {2.0, 1, 2.0, 1324},   // half speed
      {1.5, 0, 1.5, 3972},   // one and a half times
      {1.25, 1, 1.25, 2116}, // 2648 / 1.25 = 2118.4, down to a whole frame
      {0.0, 2, 1.0, 2648},   // normal
  };
  for (const auto &c : cases) {
    EXPECT_DOUBLE_EQ(m.setMode(c.factor, c.mode), c.result) << c.factor << " mode " << c.mode;
    EXPECT_EQ(m.advance(), c.advance) << c.factor << " mode " << c.mode;
  }
  // An unknown mode, and factors whose advance would be 0 or overflow, change nothing.
  m.setMode(2.0, 0);
  for (auto [factor, mode] : {std::pair{1.5, 7}, {0.0, 0}, {1e-9, 0}, {1e-300, 1}, {NAN, 0}}) {
    EXPECT_EQ(m.setMode(factor, mode), 0.0);
    EXPECT_EQ(m.advance(), 5296);
  }
}

TEST(TimeScaleModifier, MatchesTheAlgorithmByteForByte) {
  struct Case {
    SonavelWaveFormat format;
    double factor;
    int mode;
  } cases[] = {
      {makeFormat(2, 44100, 16), 2.0, 0},  {makeFormat(2, 44100, 16), 2.0, 1},
      {makeFormat(2, 44100, 16), 1.5, 0},  {makeFormat(2, 44100, 16), 1.0, 2},
      {makeFormat(1, 22050, 16), 1.3, 1},  {makeFormat(1, 8000, 8), 2.0, 1},
      {makeFormat(1, 8000, 8), 1.7, 0},    {makeFormat(2, 11025, 8), 1.9, 0},
      {makeFormat(2, 44100, 16), 0.2, 1},  // an advance beyond the analysis window (DllMS_SetRate(-0.2))
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.format.samplesPerSec << " Hz " << c.format.channels << " ch "
                                    << c.format.bitsPerSample << " bit, factor " << c.factor << " mode " << c.mode);
    auto input = signal(c.format, int(c.format.samplesPerSec * 6 / 10), 7);
    // The reference sees the same chunks: bytes taken back from the analysis
    // buffer may carry the previous cross-fade, so chunking is part of the result.
    for (const std::vector<int> &chunks : {std::vector<int>{int(input.size())}, {17640}, {1, 3, 4097, 250, 9000}}) {
      Reference ref;
      ref.init(c.format);
      ref.setMode(c.factor, c.mode);
      std::vector<uint8_t> expected;
      for (size_t at = 0, k = 0; at < input.size();) {
        int len = int(std::min<size_t>(input.size() - at, size_t(chunks[k++ % chunks.size()])));
        ref.process(input.data() + at, len, expected);
        at += size_t(len);
      }
      TimeScaleModifier m;
      m.init(c.format);
      m.setMode(c.factor, c.mode);
      auto got = runModifier(m, input, chunks);
      auto diff = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
      EXPECT_TRUE(diff.first == got.end() && diff.second == expected.end())
          << chunks.size() << " chunk sizes: " << got.size() << " and " << expected.size()
          << " bytes, first difference at byte " << (diff.first - got.begin());
    }
  }
}

TEST(TimeScaleModifier, NormalSpeedReturnsTheInputOneWindowLate) {
  for (auto format : {makeFormat(2, 44100, 16), makeFormat(1, 8000, 8)}) {
    TimeScaleModifier m;
    m.init(format);
    auto input = signal(format, int(format.samplesPerSec), 3);
    auto output = runModifier(m, input, {4410});
    // One segment per analysis window that fills: the first after a whole window.
    size_t windows = (input.size() - size_t(m.analysisLength())) / size_t(m.segmentLength()) + 1;
    ASSERT_EQ(output.size(), windows * size_t(m.segmentLength()));
    EXPECT_EQ(m.offset(), 0);
    int differing = 0;
    if (format.bitsPerSample == 16) {
      for (size_t at = 0; at < output.size(); at += 2) {
        int16_t got = int16_t(output[at] | output[at + 1] << 8), want = int16_t(input[at] | input[at + 1] << 8);
        // The cross-fade of equal samples may lower a magnitude by one unit.
        if (got != want) {
          ++differing;
          ASSERT_EQ(std::abs(got), std::abs(want) - 1) << "at byte " << at;
        }
      }
    } else {
      for (size_t at = 0; at < output.size(); ++at) {
        if (output[at] != input[at]) {
          ++differing;
          ASSERT_EQ(output[at], input[at] - 1) << "at byte " << at;
        }
      }
    }
    EXPECT_LT(differing, int(output.size() / 20));
  }
}

TEST(TimeScaleModifier, FirstSegmentAfterInitOrClearIsNotCrossFaded) {
  auto format = makeFormat(2, 44100, 16);
  TimeScaleModifier m;
  m.init(format);
  m.setMode(2.0, 1);
  auto input = signal(format, 44100, 5);
  std::vector<uint8_t> out(size_t(m.maxOutput(int(input.size()))));
  int32_t produced = 0;
  m.process(input.data(), m.analysisLength(), out.data(), &produced);
  ASSERT_EQ(produced, m.segmentLength());
  EXPECT_TRUE(m.armed());
  EXPECT_EQ(m.offset(), 1324);  // slower: the joint starts one segment less one advance in
  EXPECT_EQ(0, std::memcmp(out.data(), input.data() + m.offset(), size_t(produced)));

  // After a clear the next full window starts fresh: its segment is the
  // input at the current offset, untouched.
  m.clear();
  EXPECT_FALSE(m.armed());
  const uint8_t *next = input.data() + 20000;
  m.process(next, m.analysisLength(), out.data(), &produced);
  ASSERT_EQ(produced, m.segmentLength());
  EXPECT_EQ(0, std::memcmp(out.data(), next + m.offset(), size_t(produced)));
}

TEST(TimeScaleModifier, CrossFadeTruncatesTowardZero) {
  // 8 kHz 16-bit mono at twice the speed: n = 40, windows of 256 frames
  // start every 240 frames. Frames 0..239 hold -3 and the rest -2, so the
  // first segment's tail is -3 and the second window is -2 throughout; every
  // candidate scores the same and the joint stays at offset 0. Each faded
  // sample lies between -3 and -2 and truncates toward zero, to -2.
  auto format = makeFormat(1, 8000, 16);
  TimeScaleModifier m;
  m.init(format);
  m.setMode(2.0, 0);
  ASSERT_EQ(m.overlapFrames(), 40);
  ASSERT_EQ(m.advance(), 480);
  std::vector<uint8_t> input;
  for (int f = 0; f < 240 + 256; ++f) {
    int16_t v = f < 240 ? -3 : -2;
    input.push_back(uint8_t(v));
    input.push_back(uint8_t(uint16_t(v) >> 8));
  }
  std::vector<uint8_t> out(size_t(m.maxOutput(int(input.size()))));
  int32_t produced = 0;
  m.process(input.data(), int(input.size()), out.data(), &produced);
  ASSERT_EQ(produced, 2 * m.segmentLength());
  ASSERT_EQ(m.offset(), 0);
  const uint8_t *second = out.data() + m.segmentLength();
  for (int j = 0; j < 40; ++j) {
    double exact = (double(40 - j) / 41) * -3 + (double(j + 1) / 41) * -2;
    ASSERT_LT(exact, -2.0);
    EXPECT_EQ(int16_t(second[2 * j] | second[2 * j + 1] << 8), -2) << j;
  }
  EXPECT_EQ(int16_t(second[80] | second[81] << 8), -2);  // past the fade: the window itself
}

TEST(TimeScaleModifier, SilentInputAlwaysJoinsAtOffsetZero) {
  for (auto format : {makeFormat(2, 44100, 16), makeFormat(1, 8000, 8)}) {
    for (auto [factor, mode] : {std::pair{2.0, 0}, {2.0, 1}, {1.3, 1}}) {
      TimeScaleModifier m;
      m.init(format);
      m.setMode(factor, mode);
      std::vector<uint8_t> silence(format.avgBytesPerSec, format.bitsPerSample == 8 ? 128 : 0);
      std::vector<uint8_t> out(size_t(m.maxOutput(int(silence.size()))));
      int searches = 0;
      // One segment per call: each either continues naturally or is searched.
      for (size_t at = 0; at + size_t(m.advance()) <= silence.size(); at += size_t(m.advance())) {
        int natural = m.offset() + m.segmentLength() - m.advance();
        int32_t produced = 0;
        m.process(silence.data() + at, at == 0 ? m.analysisLength() : m.advance(), out.data(), &produced);
        ASSERT_EQ(produced, m.segmentLength());
        if (natural < 0 || natural > m.searchLength()) {
          ++searches;
          ASSERT_EQ(m.offset(), 0);
        } else {
          ASSERT_EQ(m.offset(), natural);
        }
        if (at == 0) at = size_t(m.analysisLength() - m.advance());
      }
      EXPECT_GT(searches, 3);
    }
  }
}

TEST(TimeScaleModifier, TiesGoToTheLowerOffset) {
  // A square wave of period 10 frames: candidates 10 frames apart score the
  // same, so the winner lies within the first period.
  auto format = makeFormat(1, 8000, 8);
  TimeScaleModifier m;
  m.init(format);
  m.setMode(2.0, 0);
  std::vector<uint8_t> input(8000);
  for (size_t i = 0; i < input.size(); ++i) input[i] = (i / 5) % 2 ? 200 : 56;
  std::vector<uint8_t> out(size_t(m.maxOutput(int(input.size()))));
  int32_t produced = 0;
  int searches = 0;
  for (size_t at = 0; at + 256 <= input.size(); at += 256) {
    m.process(input.data() + at, 256, out.data(), &produced);
    if (produced) {
      ++searches;
      ASSERT_LT(m.offset(), 10);
    }
  }
  EXPECT_GT(searches, 10);
}

TEST(TimeScaleModifier, ProcessDoesNotAllocate) {
  auto format = makeFormat(2, 44100, 16);
  TimeScaleModifier m;
  m.init(format);
  auto input = signal(format, 44100, 9);
  std::vector<uint8_t> out(size_t(m.maxOutput(int(input.size()))) * 2);
  for (auto [factor, mode] : {std::pair{2.0, 0}, {2.0, 1}, {1.0, 2}}) {
    m.setMode(factor, mode);
    int32_t produced = 0;
    counting::allocations = 0;
    counting::active = true;
    m.process(input.data(), int(input.size()), out.data(), &produced);
    counting::active = false;
    EXPECT_EQ(counting::allocations, 0);
    EXPECT_GT(produced, 0);
  }
}

TEST(TimeScaleModifier, OutputLengthFollowsTheSpeed) {
  auto format = makeFormat(2, 44100, 16);
  auto input = signal(format, 44100 * 2, 11);
  for (auto [factor, mode, speed] : {std::tuple{2.0, 0, 2.0}, {1.5, 0, 1.5}, {2.0, 1, 0.5}, {1.0, 2, 1.0}}) {
    TimeScaleModifier m;
    m.init(format);
    m.setMode(factor, mode);
    auto output = runModifier(m, input, {17640});
    double expected = double(input.size()) / speed;
    EXPECT_NEAR(double(output.size()), expected, expected * 0.02) << factor << " mode " << mode;
  }
}

TEST(TimeScaleModifier, MaxInputGivesNoMoreOutputThanItsRoom) {
  // Whatever the speed and the state carried over from earlier calls,
  // maxInput(room) bytes of input never give more than room bytes.
  auto format = makeFormat(2, 44100, 16);
  auto input = signal(format, 44100 * 4, 13);
  const int64_t rooms[] = {2647, 2648, 5000, 17640, 70560, 3000, 9001, 52921};
  for (auto [factor, mode] : {std::pair{0.05, 0}, {0.2, 0}, {0.33, 0}, {2.0, 1}, {1.0, 2}, {2.0, 0}, {0.2, 1}}) {
    SCOPED_TRACE(testing::Message() << "factor " << factor << " mode " << mode);
    TimeScaleModifier m;
    m.init(format);
    m.setMode(factor, mode);
    size_t at = 0;
    for (int k = 0; at < input.size() && k < 400; ++k) {
      int64_t room = rooms[size_t(k) % std::size(rooms)];
      int32_t n = m.maxInput(room);
      if (room < m.segmentLength()) {
        EXPECT_EQ(n, 0);
        continue;
      }
      ASSERT_GT(n, 0);
      n = int32_t(std::min<size_t>(size_t(n), input.size() - at));
      std::vector<uint8_t> out(size_t(m.maxOutput(n)));
      int32_t produced = 0;
      m.process(input.data() + at, n, out.data(), &produced);
      ASSERT_LE(produced, room) << "call " << k;
      at += size_t(n);
    }
  }
  TimeScaleModifier empty;
  EXPECT_EQ(empty.maxInput(1 << 20), 0);
}

TEST(TimeScaleModifier, UninitialisedOrEmptyInputProducesNothing) {
  TimeScaleModifier m;
  uint8_t in[64] = {}, out[64];
  int32_t produced = -1;
  EXPECT_EQ(m.process(in, 64, out, &produced), 1);
  EXPECT_EQ(produced, 0);
  m.init(makeFormat(1, 8000, 8));
  EXPECT_EQ(m.process(in, 0, out, &produced), 1);
  EXPECT_EQ(produced, 0);
  EXPECT_EQ(m.process(in, -5, out, &produced), 1);
  EXPECT_EQ(produced, 0);
}

TEST(TimeScaleModifier, RefusesFormatsItCannotProcess) {
  // A refused format leaves the modifier empty, whatever it held before: it
  // consumes input, writes nothing and takes no speed.
  struct Case {
    const char *what;
    SonavelWaveFormat format;
  } cases[] = {
      {"16-bit stereo with alignment 2", {1, 2, 44100, 88200, 2, 16, 0}},
      {"16-bit mono with alignment 4", {1, 1, 44100, 176400, 4, 16, 0}},
      {"8-bit stereo with alignment 1", {1, 2, 8000, 8000, 1, 8, 0}},
      {"alignment 0", {1, 2, 44100, 0, 0, 16, 0}},
      {"no channels", {1, 0, 44100, 0, 0, 16, 0}},
      {"three channels", makeFormat(3, 44100, 16)},
      {"24-bit", makeFormat(2, 44100, 24)},
      {"32-bit", makeFormat(2, 44100, 32)},
      {"12-bit", {1, 1, 8000, 16000, 2, 12, 0}},
      {"no sample rate", makeFormat(2, 0, 16)},
      {"2 MHz", makeFormat(1, 2000000, 8)},
  };
  auto input = signal(makeFormat(2, 44100, 16), 44100, 4);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    TimeScaleModifier m;
    m.init(makeFormat(2, 44100, 16));
    m.setMode(2.0, TimeScaleModifier::kSlower);
    m.init(c.format);
    EXPECT_FALSE(m.ready());
    EXPECT_EQ(m.analysisLength(), 0);
    EXPECT_EQ(m.segmentLength(), 0);
    EXPECT_EQ(m.maxOutput(int32_t(input.size())), 0);
    std::vector<uint8_t> out(input.size() * 3, 0xAB);
    int32_t produced = -1;
    EXPECT_EQ(m.process(input.data(), int32_t(input.size()), out.data(), &produced), 1);
    EXPECT_EQ(produced, 0);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(m.setMode(2.0, TimeScaleModifier::kFaster), 0.0);
    // A good format afterwards starts a working stream again.
    m.init(makeFormat(1, 8000, 8));
    EXPECT_TRUE(m.ready());
    EXPECT_EQ(m.analysisLength(), 256);
  }
}

TEST(TimeScaleModifier, AFailedAllocationInInitLeavesItEmpty) {
  // Whichever of init's allocations fails, the sizes never describe buffers
  // that were not allocated: the modifier is left empty.
  const auto small = makeFormat(1, 8000, 8), big = makeFormat(2, 44100, 16);
  auto input = signal(big, 8820, 3);
  int failures = 0;
  for (int k = 0; k < 50; ++k) {
    SCOPED_TRACE(k);
    TimeScaleModifier m;
    m.init(small);
    counting::allocations = 0;
    counting::failAt = k;
    counting::failed = false;
    counting::active = true;
    try {
      m.init(big);
    } catch (const std::bad_alloc &) {
    }
    counting::active = false;
    counting::failAt = -1;
    if (!counting::failed) {  // every allocation of init has had its turn
      EXPECT_TRUE(m.ready());
      EXPECT_EQ(m.analysisLength(), 5644);
      break;
    }
    ++failures;
    ASSERT_FALSE(m.ready());
    EXPECT_EQ(m.analysisLength(), 0);
    std::vector<uint8_t> out(64, 0xAB);
    int32_t produced = -1;
    m.process(input.data(), int32_t(input.size()), out.data(), &produced);
    EXPECT_EQ(produced, 0);
    m.init(big);
    ASSERT_TRUE(m.ready());
    out.resize(size_t(m.maxOutput(int32_t(input.size()))));
    m.process(input.data(), int32_t(input.size()), out.data(), &produced);
    EXPECT_GT(produced, 0);
  }
  EXPECT_GE(failures, 1);
}

TEST(TimeScaleModifier, OffsetSurvivesInitOnlyWhereItFits) {
  TimeScaleModifier m;
  auto stereo = makeFormat(2, 44100, 16);
  m.init(stereo);
  m.setMode(2.0, 1);  // slower: the offset walks right by 1324 per segment
  auto input = signal(stereo, 8000, 1);
  std::vector<uint8_t> out(size_t(m.maxOutput(int(input.size()))));
  int32_t produced = 0;
  m.process(input.data(), 5644, out.data(), &produced);
  ASSERT_EQ(m.offset(), 1324);
  m.init(stereo);
  EXPECT_EQ(m.offset(), 1324);
  m.init(makeFormat(1, 8000, 8));  // past this format's search window
  EXPECT_EQ(m.offset(), 0);
}

}  // namespace
