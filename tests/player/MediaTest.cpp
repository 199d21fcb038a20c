// MP3 and WAV playback through their component interfaces: the display's
// totals, bit rates and modes, the 30 ms MP3 display, seeking, pausing and
// the end of a file.
#include <gtest/gtest.h>

#include "PlayerFixture.h"

namespace playertest {
namespace {

using player::ButtonState;
using player::PlayKind;

TEST(PlayerMpeg, PropertiesOnTheDisplay) {
  struct Case {
    const char *what;
    uint64_t frames;
    double ms;
    int kbps, mode;
    Clock total;
    const char *kind;
    bool stereo;
  } cases[] = {
      {"60.000 s at 48 kHz", 2500, 24.0, 128, 0, {0, 1, 0}, "MP3", true},
      {"60.001 s", 2500, 24.0004, 128, 1, {0, 1, 1}, "MP3", true},
      {"44.1 kHz, just over a minute", 2297, 1152.0 / 44100 * 1000, 64, 3, {0, 1, 1}, "MP3", false},
      {"VBR", 100, 26.0, 0, 0, {0, 0, 3}, "VBR", true},
      {"dual channel", 100, 26.0, 96, 2, {0, 0, 3}, "MP3", false},
      {"no frames", 0, 26.0, 128, 0, {0, 0, 0}, "MP3", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    PlayerRig rig;
    rig.mpeg.frameCount = c.frames;
    rig.mpeg.ms = c.ms;
    rig.mpeg.kbps = c.kbps;
    rig.mpeg.mode = c.mode;
    rig.temp.write("s.mp3", "x");
    rig.playPc("s.mp3");
    EXPECT_EQ(rig.display.total, c.total);
    EXPECT_EQ(rig.display.kind, c.kind);
    EXPECT_EQ(rig.display.stereo, c.stereo);
    EXPECT_EQ(rig.display.bitRate, (std::pair<int64_t, int64_t>{c.kbps, 0}));
    EXPECT_EQ(rig.p().state().buttons, ButtonState::Playing);
  }
}

TEST(PlayerMpeg, AFileThatIsNotMpegAudioIsRefused) {
  PlayerRig rig;
  rig.mpeg.valid = false;
  rig.temp.write("bad.mp3", "x");
  rig.playPc("bad.mp3");
  EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg13"});
  EXPECT_EQ(rig.ui().messages[0].captionKey, "FM_kind_errormsg2");
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_EQ(rig.mpeg.starts, 0);
  EXPECT_FALSE(rig.events.mpegTimer);
  // A missing file is not loaded at all.
  rig.playPc("gone.mp3");
  EXPECT_EQ(rig.mpeg.loads, 1);
  EXPECT_EQ(rig.ui().messages.size(), 2u);
}

TEST(PlayerMpeg, TheTimerShowsTimeEveryFifthTick) {
  PlayerRig rig;
  rig.mpeg.frameCount = 1000;
  rig.temp.write("s.mp3", "x");
  rig.playPc("s.mp3");
  rig.mpeg.position = 2500;
  rig.mpeg.current = 250;
  const int writes = rig.display.elapsedWrites;
  for (int i = 0; i < 4; ++i) rig.p().OnMpegTimer();
  EXPECT_EQ(rig.display.elapsedWrites, writes);
  rig.p().OnMpegTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 2}));
  EXPECT_EQ(rig.display.position(), 25);
  // Only a group that changed is written again.
  rig.mpeg.position = 2900;
  for (int i = 0; i < 5; ++i) rig.p().OnMpegTimer();
  EXPECT_EQ(rig.display.elapsedWrites, writes + 1);
  // Not while the slider is dragged.
  rig.p().OnSldPlayPositionTrack();
  rig.mpeg.position = 9000;
  for (int i = 0; i < 5; ++i) rig.p().OnMpegTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 2}));
}

TEST(PlayerMpeg, SeekMovesTheSourceAndKeepsThePauseState) {
  PlayerRig rig;
  rig.mpeg.frameCount = 1000;
  rig.mpeg.ms = 26.0;
  rig.temp.write("s.mp3", "x");
  rig.playPc("s.mp3");
  rig.p().OnSldPlayPositionTrack();
  rig.p().OnSldPlayPositionTrackEnd(50);
  EXPECT_EQ(rig.mpeg.current, 500u);
  EXPECT_EQ(rig.mpeg.refills, 1);
  EXPECT_FALSE(rig.mpeg.isPaused);
  EXPECT_FALSE(rig.p().state().tracking);
  // Elapsed: 500 frames of 26 ms, then the output's position from 0.
  rig.mpeg.position = 1000;
  for (int i = 0; i < 5; ++i) rig.p().OnMpegTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 14}));

  rig.p().OnBtnPauseClick();
  rig.p().OnSldPlayPositionTrackEnd(10);
  EXPECT_EQ(rig.mpeg.current, 100u);
  EXPECT_TRUE(rig.mpeg.isPaused);
  rig.p().OnBtnPlayClick();
  EXPECT_FALSE(rig.mpeg.isPaused);
  EXPECT_EQ(rig.mpeg.starts, 1);
}

TEST(PlayerWave, BitRatesAndTotals) {
  struct Case {
    uint32_t rate;
    uint16_t bits, channels;
    uint64_t data, average;
    std::pair<int64_t, int64_t> bitRate;
    Clock total;
    bool stereo;
  } cases[] = {
      {8000, 16, 1, 160000, 16000, {128, 0}, {0, 0, 10}, false},
      {11025, 8, 1, 11025 * 61, 11025, {88, 20}, {0, 1, 1}, false},
      {44100, 16, 2, 176400 * 3600, 176400, {1411, 20}, {1, 0, 0}, true},
      {8000, 0, 1, 1625, 1625, {13, 0}, {0, 0, 1}, false},  // an encoding without a sample width
      {8000, 16, 1, 160000, 0, {128, 0}, {0, 0, 0}, false},  // no average rate
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.rate);
    PlayerRig rig;
    rig.wave.rate = c.rate;
    rig.wave.bits = c.bits;
    rig.wave.ch = c.channels;
    rig.wave.data = c.data;
    rig.wave.average = c.average;
    rig.playPc("w.wav");
    EXPECT_EQ(rig.wave.openedPath, (rig.temp / "w.wav").string());
    EXPECT_EQ(rig.display.kind, "WAV");
    EXPECT_EQ(rig.display.bitRate, c.bitRate);
    EXPECT_EQ(rig.display.total, c.total);
    EXPECT_EQ(rig.display.stereo, c.stereo);
    EXPECT_TRUE(rig.wave.isPlaying);
    EXPECT_TRUE(rig.events.displayTimer);
  }
}

TEST(PlayerWave, DisplaySeekPauseAndEnd) {
  PlayerRig rig;
  rig.wave.length = 10000;
  rig.playPc("w.wav");
  rig.wave.position = 2500;
  rig.p().OnTimPlayDisplayTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 2}));
  EXPECT_EQ(rig.display.position(), 25);
  rig.wave.length = 0;
  rig.p().OnTimPlayDisplayTimer();
  EXPECT_EQ(rig.display.position(), 0);
  rig.wave.length = 10000;

  rig.p().OnSldPlayPositionTrackEnd(37);
  EXPECT_EQ(rig.wave.seeks, std::vector<int64_t>{3700});

  rig.p().OnBtnPauseClick();
  EXPECT_TRUE(rig.wave.isPaused);
  rig.p().OnBtnPlayClick();
  EXPECT_FALSE(rig.wave.isPaused);
  EXPECT_EQ(rig.wave.opens, 1);

  rig.wave.finish();
  EXPECT_FALSE(rig.wave.isOpen);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_FALSE(rig.events.displayTimer);
}

TEST(PlayerWave, AFileThatCannotBeOpenedIsReportedOnce) {
  PlayerRig rig;
  rig.wave.canOpen = false;
  rig.playPc("w.wav");
  EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg6"});
  EXPECT_EQ(rig.ui().messages[0].captionKey, "FM_kind_errormsg2");
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_FALSE(rig.events.displayTimer);
}

}  // namespace
}  // namespace playertest
