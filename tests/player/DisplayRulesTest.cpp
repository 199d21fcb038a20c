// The pure rules of the transport and the display: the button table, the
// time, bit-rate and slider arithmetic, the diagnostic key sequence and the
// level and spectrum analysis.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "player/DiagnosticKeys.h"
#include "player/DisplayMath.h"
#include "player/Levels.h"
#include "player/TransportState.h"

namespace {

using namespace player;

TEST(PlayerButtons, EachStateSetsTheButtonsItNames) {
  const std::optional<bool> on = true, off = false, same;
  struct Case {
    ButtonState state;
    uint8_t mode;
    ButtonChange want;
  } cases[] = {
      {ButtonState::Idle, 0xAA, {on, on, on}},
      {ButtonState::Recording, 0xAA, {off, off, same}},
      {ButtonState::RecordingPaused, 0xAA, {on, off, same}},
      {ButtonState::RecordingPaused, 0x55, {same, off, same}},
      {ButtonState::Playing, 0xAA, {off, off, on}},
      {ButtonState::PlaybackPaused, 0xAA, {off, on, off}},
  };
  for (const Case &c : cases) EXPECT_EQ(buttonsFor(c.state, c.mode), c.want) << int(c.state) << " mode " << int(c.mode);
}

TEST(PlayerDisplayMath, WaveBitRatePanels) {
  struct Case {
    uint32_t rate, bits;
    bool stereo;
    BitRate want;
  } cases[] = {
      {8000, 16, false, {128, 0}},
      {11025, 8, false, {88, 20}},
      {44100, 16, true, {1411, 20}},
      {8000, 0, false, {13, 0}},  // no sample width: 13000
      {8000, 0, true, {26, 0}},
  };
  for (const Case &c : cases) EXPECT_EQ(waveBitRate(c.rate, c.bits, c.stereo), c.want) << c.rate << "/" << c.bits;
}

TEST(PlayerDisplayMath, MpegTotalRoundsUpToWholeSeconds) {
  struct Case {
    uint64_t frames;
    double ms;
    uint64_t seconds;
  } cases[] = {
      {2500, 24.0, 60},                     // 48 kHz, exactly 60 s
      {2500, 24.0004, 61},                  // 60.001 s
      {2297, 1152.0 / 44100 * 1000, 61},    // 60.003 s at 44.1 kHz
      {1, 26.0, 1},
      {0, 26.0, 0},                         // no frames
      {100, 0.0, 0},
      {100, std::nan(""), 0},
  };
  for (const Case &c : cases) EXPECT_EQ(mpegTotalSeconds(c.frames, c.ms), c.seconds) << c.frames << " x " << c.ms;
  EXPECT_EQ(clockFromSeconds(60), (Clock{0, 1, 0}));
  EXPECT_EQ(clockFromSeconds(61), (Clock{0, 1, 1}));
  EXPECT_EQ(clockFromSeconds(3 * 3600 + 59 * 60 + 7), (Clock{3, 59, 7}));
}

TEST(PlayerDisplayMath, DivisionsByZeroAndSliderBounds) {
  EXPECT_EQ(waveTotalSeconds(160000, 0), 0u);
  EXPECT_EQ(waveTotalSeconds(160000, 16000), 10u);
  EXPECT_EQ(percentOf(5, 0), 0);
  EXPECT_EQ(percentOf(999, 1000), 99);
  EXPECT_EQ(percentOf(2000, 1000), 100);  // a position past the end stays on the slider
  EXPECT_EQ(percentOf(UINT64_MAX, UINT64_MAX), 100);
  EXPECT_EQ(partAt(1000, 150), 1000u);
  EXPECT_EQ(partAt(1000, -5), 0u);
  EXPECT_EQ(partAt(999, 50), 499u);
  EXPECT_EQ(clampPercent(-1), 0);
  EXPECT_EQ(clampPercent(101), 100);
}

TEST(PlayerDiagnosticKeys, CodeCountsOnlyOnFourKeyBoundaries) {
  constexpr int kQtKeyReturn = 0x01000004, kQtKeyShift = 0x01000020;
  struct Case {
    const char *what;
    std::vector<int> keys;
    int toggles;
  } cases[] = {
      {"letters as typed", {'q', 'z', 't', 'k'}, 1},
      {"Qt key codes", {'Q', 'Z', 'T', 'K'}, 1},
      {"twice", {'q', 'z', 't', 'k', 'Q', 'Z', 'T', 'K'}, 2},
      {"one key early", {'x', 'q', 'z', 't', 'k'}, 0},
      {"after a shift", {kQtKeyShift, 'q', 'z', 't', 'k'}, 0},
      {"four others first", {kQtKeyReturn, '1', ' ', 'a', 'q', 'z', 't', 'k'}, 1},
      {"wrong order", {'q', 't', 'z', 'k'}, 0},
  };
  for (const Case &c : cases) {
    DiagnosticKeys keys;
    int toggles = 0;
    for (int k : c.keys) toggles += keys.press(k);
    EXPECT_EQ(toggles, c.toggles) << c.what;
  }
  EXPECT_EQ(virtualKeyChar(kQtKeyReturn), '\r');
  EXPECT_EQ(virtualKeyChar(0x01000030), char(0x70));  // F1
}

std::vector<uint8_t> sine16(int channels, double freq, double ampLeft, double ampRight, int frames) {
  std::vector<uint8_t> pcm;
  for (int i = 0; i < frames; ++i) {
    for (int ch = 0; ch < channels; ++ch) {
      double amp = ch == 0 ? ampLeft : ampRight;
      auto v = int16_t(std::lround(amp * 32767 * std::sin(2 * M_PI * freq * i / 8000.0)));
      pcm.push_back(uint8_t(v & 0xFF));
      pcm.push_back(uint8_t((v >> 8) & 0xFF));
    }
  }
  return pcm;
}

TEST(PlayerLevels, PeaksPerChannelAndTheSpectrumBand) {
  LevelAnalyzer a;
  auto pcm = sine16(2, 1000, 1.0, 0.25, 4000);
  a.feed(pcm.data(), pcm.size(), {2, 8000, 16});
  LevelFrame f = a.frame(0);
  EXPECT_NEAR(f.left, 1.0, 0.01);
  EXPECT_NEAR(f.right, 0.25, 0.01);
  // 1000 Hz is bin 8 of 64 at 8000 Hz: band 7, at about 20 log10(0.625) dB.
  int loudest = 0;
  for (int b = 0; b < kSpectrumBands; ++b)
    if (f.spectrum[size_t(b)] > f.spectrum[size_t(loudest)]) loudest = b;
  EXPECT_EQ(loudest, 7);
  EXPECT_NEAR(f.spectrum[7], (20 * std::log10(0.625) - kSpectrumFloorDb) / -kSpectrumFloorDb, 0.02);
  EXPECT_LT(f.spectrum[20], 0.3);

  // 8-bit unsigned silence is 0x80.
  std::vector<uint8_t> quiet(800, 0x80);
  a.feed(quiet.data(), quiet.size(), {1, 8000, 8});
  f = a.frame(10);
  EXPECT_EQ(f.left, 0.0f);
  EXPECT_EQ(f.spectrum[7], 0.0f);
}

TEST(PlayerLevels, PeakHoldsASecondThenFalls) {
  LevelAnalyzer a;
  auto loud = sine16(1, 500, 0.8, 0.8, 800);
  auto soft = sine16(1, 500, 0.2, 0.2, 800);
  a.feed(loud.data(), loud.size(), {1, 8000, 16});
  EXPECT_NEAR(a.frame(0).leftPeak, 0.8, 0.01);
  a.feed(soft.data(), soft.size(), {1, 8000, 16});
  LevelFrame f = a.frame(900);
  EXPECT_NEAR(f.left, 0.2, 0.01);
  EXPECT_NEAR(f.leftPeak, 0.8, 0.01);  // held
  EXPECT_NEAR(a.frame(1400).leftPeak, 0.6, 0.01);  // 400 ms of falling at 0.5 per second
  EXPECT_NEAR(a.frame(3000).leftPeak, 0.2, 0.01);   // down to the level, no further
  a.clear();
  f = a.frame(3100);
  EXPECT_EQ(f.leftPeak, 0.0f);
  EXPECT_EQ(f.left, 0.0f);
}

}  // namespace
