// The speed player's logic over libsonavel.so and its virtual output, which
// plays at ten times real time and keeps every byte it played: the engine
// time of a playback is the length of what it captured. Every notification
// is followed by a position tick, so playback ends within a buffer or two
// of its bound.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>

#include <chrono>

#include "SpeedFakes.h"
#include "components/ScriptedJobUi.h"
#include "sonavel.h"
#include "speed/FilePreparation.h"
#include "speed/PlayableWave.h"
#include "speed/SpeedPlayer.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using speed::FrameSpan;

class SpeedEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    capture = dir / "played.raw";
    ::setenv("SONAVEL_OUTPUT", "virtual", 1);
    ::setenv("SONAVEL_VIRTUAL_SPEED", "10", 1);
    ::setenv("SONAVEL_VIRTUAL_CAPTURE", capture.c_str(), 1);
    wave = dir / "ten.wav";
    fixtures::writeWav(wave, format, fixtures::sinePcm(format, 10 * format.rate, 440.0));
    view.facts = {10 * int64_t(format.rate), format.rate, 16, 1};
    view.openAnswers.push_back(wave.string());
    player.openFile();
    ASSERT_EQ(player.loadedName(), wave.string());
  }
  void TearDown() override { DllStop(); }

  // Runs the engine's notifications and the position tick until playback
  // ends; false when it does not within `seconds` of wall time.
  bool playOut(int seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pollfd fd{DllGetEventFd(), POLLIN, 0};
    while (player.timerRunning()) {
      if (std::chrono::steady_clock::now() > until) return false;
      if (::poll(&fd, 1, 100) > 0 && DllDispatchEvents() > 0) player.tick();
    }
    return true;
  }
  double capturedSeconds() const {
    std::error_code error;
    return double(fs::file_size(capture, error)) / (format.rate * format.align());
  }
  void clearCapture() { fs::remove(capture); }

  fixtures::Pcm format{1, 22050, 16};
  fixtures::TempDir dir;
  fs::path wave, capture;
  speedtest::FakeView view;
  speedtest::FakePreparation preparation;
  components::ScriptedJobUi ui;
  std::unique_ptr<speed::SpeedEngine> engine = speed::makeSonavelEngine();
  speed::SpeedPlayer player{view, *engine, preparation, ui, dir / "TempData"};
};

TEST_F(SpeedEndToEnd, TenSecondsPlayInFiveAtTheFastEndAndInTwentyAtTheSlowEnd) {
  struct Case {
    int slider;
    double seconds;
  } cases[] = {{20, 5.0}, {-20, 20.0}, {0, 10.0}, {10, 10.0 / 1.5}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.slider);
    clearCapture();
    view.slider = c.slider;
    player.play();
    ASSERT_TRUE(playOut(60));
    EXPECT_NEAR(capturedSeconds(), c.seconds, 0.35);
    EXPECT_EQ(view.buttons, 0);
    EXPECT_EQ(view.locatorFrame, 0);
    EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
  }
}

TEST_F(SpeedEndToEnd, ASelectionPlaysAtItsSpeedAndRepeatsUntilStop) {
  view.selectionSpan = {2 * int64_t(format.rate), 4 * int64_t(format.rate)};  // 2 s
  view.slider = 20;
  player.playSelection();
  ASSERT_TRUE(playOut(30));
  EXPECT_NEAR(capturedSeconds(), 1.0, 0.3);
  EXPECT_EQ(view.locatorFrame, view.selectionSpan.start);

  clearCapture();
  view.repeat = true;
  player.playSelection();
  pollfd fd{DllGetEventFd(), POLLIN, 0};
  int64_t lowest = INT64_MAX, previous = 0;
  int rounds = 0;
  while (capturedSeconds() < 4.0) {
    ASSERT_TRUE(player.timerRunning());
    if (::poll(&fd, 1, 100) > 0 && DllDispatchEvents() > 0) {
      player.tick();
      lowest = std::min(lowest, view.locatorFrame);
      rounds += view.locatorFrame < previous;
      previous = view.locatorFrame;
    }
  }
  // Four seconds of sound from a one-second loop: it went round about four
  // times and never before its start.
  EXPECT_GE(lowest, view.selectionSpan.start);
  EXPECT_GE(rounds, 3);
  EXPECT_LE(rounds, 5);
  player.stop();
  EXPECT_FALSE(player.timerRunning());
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
}

TEST_F(SpeedEndToEnd, ChangingTheSpeedWhilePlayingTakesEffect) {
  view.slider = 20;
  player.play();
  pollfd fd{DllGetEventFd(), POLLIN, 0};
  while (view.locatorFrame < 5 * int64_t(format.rate)) {
    ASSERT_TRUE(player.timerRunning());
    if (::poll(&fd, 1, 100) > 0 && DllDispatchEvents() > 0) player.tick();
  }
  const double firstHalf = capturedSeconds();
  player.speedChanged(-20);
  ASSERT_TRUE(playOut(60));
  // About 2.5 s for the first five seconds. The rest would take 2.5 s at
  // the old speed and 10 s at the new one; what was queued (0.8 s of
  // sound, 1.6 s of the file) still plays at the old speed.
  EXPECT_NEAR(firstHalf, 2.5, 0.5);
  EXPECT_NEAR(capturedSeconds() - firstHalf, 0.8 + 3.4 * 2, 0.6);
}

}  // namespace

namespace {

// An MP3 file goes through the engine's conversion thread into the chosen
// WAV, which then plays; the target appears only when complete.
TEST(SpeedMp3EndToEnd, AnMp3FileIsConvertedAndPlayed) {
  ::setenv("SONAVEL_OUTPUT", "virtual", 1);
  ::setenv("SONAVEL_VIRTUAL_SPEED", "0", 1);
  ::unsetenv("SONAVEL_VIRTUAL_CAPTURE");
  fixtures::TempDir dir;
  fixtures::Pcm stereo{2, 44100, 16};
  const fs::path mp3 = fixtures::makeMp3(dir, "song.mp3", stereo, fixtures::sinePcm(stereo, 3 * 44100, 440.0), "-b 128");
  ASSERT_FALSE(mp3.empty());
  fixtures::writeFile(dir / "song.wav", {'o', 'l', 'd'});

  auto engine = speed::makeSonavelEngine();
  components::ScriptedJobUi ui;
  speed::EngineFilePreparation preparation(ui, *engine);
  speedtest::FakeView view;
  view.facts = {3 * 44100 + 1152, 44100, 16, 2};
  speed::SpeedPlayer player(view, *engine, preparation, ui, dir / "TempData");
  view.openAnswers.push_back(mp3.string());
  view.saveAnswers.push_back((dir / "song.wav").string());
  player.openFile();
  EXPECT_TRUE(view.errors.empty());
  ASSERT_EQ(player.loadedName(), (dir / "song.wav").string());
  EXPECT_EQ(view.savePresets.back(), (dir / "song.wav").string());
  auto layout = speed::inspectWave(dir / "song.wav");
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->channels, 2);
  EXPECT_EQ(layout->declaredSize % 4608, 0u);  // whole frames
  EXPECT_GE(layout->declaredSize, 3u * 44100 * 4);
  // The engine's WAV has an 18-byte format block: it plays through a copy.
  EXPECT_NE(player.playingPath(), dir / "song.wav");
  EXPECT_EQ(ui.events.front(), "open:[FM_Caption_title8]");
  EXPECT_EQ(testsupport::entries(dir.path()),
            (std::vector<std::string>{"TempData", "song.mp3", "song.mp3.src.wav", "song.wav"}));

  player.play();
  pollfd fd{DllGetEventFd(), POLLIN, 0};
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (player.timerRunning() && std::chrono::steady_clock::now() < until)
    if (::poll(&fd, 1, 100) > 0 && DllDispatchEvents() > 0) player.tick();
  EXPECT_FALSE(player.timerRunning());
  EXPECT_EQ(view.buttons, 0);
}

}  // namespace
