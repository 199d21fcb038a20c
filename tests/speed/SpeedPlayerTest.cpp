// The speed player's logic against a scripted engine and window.
#include <gtest/gtest.h>

#include "support/Fixtures.h"
#include "SpeedFakes.h"
#include "components/ScriptedJobUi.h"
#include "speed/SpeedFormat.h"
#include "speed/SpeedPlayer.h"

namespace {

using speed::FrameSpan;
using speed::SpeedEngine;
using speed::SpeedPlayer;
using speed::SpeedView;
using speedtest::FakeEngine;
using speedtest::FakePreparation;
using speedtest::FakeView;
namespace fs = std::filesystem;

constexpr int64_t kFrames = 16000;  // 2 s at 8000 Hz

class SpeedPlayerTest : public ::testing::Test {
 protected:
  SpeedPlayerTest() {
    wave = dir / "memo.wav";
    other = dir / "other.wav";
    fixtures::Pcm format{1, 8000, 16};
    fixtures::writeWav(wave, format, fixtures::rampPcm(format, uint32_t(kFrames)));
    fixtures::writeWav(other, format, fixtures::rampPcm(format, uint32_t(kFrames)));
    view.facts = {kFrames, 8000, 16, 1};
    engine.length = kFrames;
  }

  void open(const fs::path &path) {
    view.openAnswers.push_back(path.string());
    player.openFile();
  }
  void loadMemo() {
    open(wave);
    ASSERT_EQ(player.loadedName(), wave.string());
    engine.take();
  }
  // Ticks with the engine reporting `frame`.
  void tickAt(int64_t frame) {
    engine.positionFrames = uint32_t(frame);
    player.tick();
  }

  fixtures::TempDir dir;
  fs::path wave, other;
  FakeView view;
  FakeEngine engine;
  FakePreparation preparation;
  components::ScriptedJobUi ui;
  SpeedPlayer player{view, engine, preparation, ui, dir / "TempData"};
};

TEST(SpeedFormat, SliderPositionsGiveTheEngineATenthAsRate) {
  struct Case {
    int slider;
    double rate, speed;
  } cases[] = {{0, 0.0, 1.0}, {20, 2.0, 2.0}, {-20, -2.0, 0.5}, {5, 0.5, 1.25}, {10, 1.0, 1.5}, {-10, -1.0, 2.0 / 3}};
  for (const Case &c : cases) {
    EXPECT_DOUBLE_EQ(speed::rateOfSlider(c.slider), c.rate) << c.slider;
    EXPECT_NEAR(speed::speedOfRate(c.rate), c.speed, 1e-12) << c.slider;
  }
}

TEST(SpeedFormat, TimesRatesAndBits) {
  struct Case {
    int64_t frames;
    uint32_t rate;
    const char *text;
  } cases[] = {{0, 44100, "0:00.000"},
               {88200, 44100, "0:02.000"},
               {-88200, 44100, "0:02.000"},
               {8000 * 61 + 4, 8000, "1:01.000"},
               {int64_t(8000) * 3600, 8000, "1:00:00.000"},
               {int64_t(44100) * 86400 * 2 + 441, 44100, "2:00:00:00.010"},  // beyond 32 bits
               {12345, 0, "0:00.000"}};
  for (const Case &c : cases) EXPECT_EQ(speed::frameTime(c.frames, c.rate), c.text) << c.frames;
  EXPECT_EQ(speed::rateText(44100), "44.100 Hz");
  EXPECT_EQ(speed::rateText(8000), "8.000 Hz");
  EXPECT_EQ(speed::bitsText(16), "16 Bit");
}

TEST_F(SpeedPlayerTest, LoadingSetsMarkersLocatorStatusAndOpensTheEngine) {
  open(wave);
  EXPECT_EQ(engine.calls, (std::vector<std::string>{"open:" + wave.string()}));
  EXPECT_EQ(view.markerSpan, (FrameSpan{0, kFrames}));
  EXPECT_EQ(view.locatorFrame, 0);
  EXPECT_EQ(view.zoomSpan, (FrameSpan{0, kFrames}));
  EXPECT_FALSE(view.selectionSpan.valid());
  EXPECT_EQ(view.time, "0:00.000");
  EXPECT_EQ(view.length, "0:02.000");
  EXPECT_EQ(view.file, wave.string());
  EXPECT_EQ(view.buttons, 0);
  EXPECT_TRUE(view.controls);
  EXPECT_EQ(player.playingPath(), wave);  // canonical: played as it stands
}

TEST_F(SpeedPlayerTest, PlaySendsTheSlidersRateAndStartsAtTheLocator) {
  for (int slider : {0, 20, -20, 5}) {
    SCOPED_TRACE(slider);
    FakeView v;
    FakeEngine e;
    v.facts = view.facts;
    e.length = kFrames;
    SpeedPlayer p{v, e, preparation, ui, dir / "TempData"};
    v.openAnswers.push_back(wave.string());
    p.openFile();
    v.slider = slider;
    v.locatorFrame = 4000;
    e.take();
    p.play();
    char rate[32];
    std::snprintf(rate, sizeof rate, "rate:%.1f", slider / 10.0);
    EXPECT_EQ(e.calls, (std::vector<std::string>{rate, "pos:4000", "play"}));
    EXPECT_EQ(v.buttons, 1);
    EXPECT_TRUE(v.timer);
    EXPECT_TRUE(v.locked);
    EXPECT_EQ(p.playMode(), 1);
  }
}

TEST_F(SpeedPlayerTest, TheSliderSendsARateOnlyWhileAFileIsLoaded) {
  player.speedChanged(10);
  EXPECT_TRUE(engine.calls.empty());
  loadMemo();
  player.speedChanged(10);
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"rate:1.0"}));
  player.closeFile();
  engine.take();
  player.speedChanged(-10);  // the engine still names its file after closing it
  EXPECT_TRUE(engine.calls.empty());
  // The next Play after a new load sends the slider's rate.
  open(other);
  view.slider = -10;
  engine.take();
  player.play();
  EXPECT_EQ(engine.calls.front(), "rate:-1.0");
}

TEST_F(SpeedPlayerTest, TickFollowsThePositionAndEndsAtMarkerBWithoutRepeat) {
  loadMemo();
  view.locatorFrame = 2000;
  player.play();
  tickAt(6000);
  EXPECT_EQ(view.locatorFrame, 6000);
  EXPECT_EQ(view.time, "0:00.750");
  engine.take();
  tickAt(kFrames);
  EXPECT_EQ(engine.calls, (std::vector<std::string>{"stop"}));
  EXPECT_EQ(view.locatorFrame, 0);  // back to marker A
  EXPECT_EQ(view.buttons, 0);
  EXPECT_FALSE(view.timer);
  EXPECT_FALSE(view.locked);
  EXPECT_FALSE(player.timerRunning());
}

TEST_F(SpeedPlayerTest, RepeatLoopsBetweenTheMarkersAndOverTheSelection) {
  loadMemo();
  view.repeat = true;
  view.markerSpan = {1000, 9000};
  view.locatorFrame = 1000;
  player.play();
  engine.take();
  for (int round = 0; round < 3; ++round) {
    tickAt(5000);
    tickAt(9000);
  }
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"pos:1000", "pos:1000", "pos:1000"}));
  EXPECT_TRUE(player.timerRunning());
  tickAt(500);  // before A: back to it
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"pos:1000"}));

  player.stop();
  view.selectionSpan = {3000, 4000};
  engine.take();
  player.playSelection();
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"rate:0.0", "pos:3000", "play"}));
  EXPECT_EQ(player.playMode(), 2);
  EXPECT_FALSE(view.locked);  // selection play leaves the area free
  for (int round = 0; round < 2; ++round) {
    tickAt(3500);
    tickAt(4000);
  }
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"pos:3000", "pos:3000"}));
  player.stop();
  EXPECT_EQ(view.locatorFrame, 3000);  // mode 2 stops at the selection's start
  EXPECT_EQ(view.buttons, 0);
}

TEST_F(SpeedPlayerTest, PlaySelectionNeedsASelection) {
  loadMemo();
  for (FrameSpan none : {FrameSpan{-1, -1}, FrameSpan{-1, 500}, FrameSpan{700, 700}, FrameSpan{900, 300}}) {
    view.selectionSpan = none;
    player.playSelection();
    EXPECT_TRUE(engine.calls.empty()) << none.start << ".." << none.end;
    EXPECT_FALSE(player.timerRunning());
  }
}

TEST_F(SpeedPlayerTest, AnEmptySelectionIsNoBoundForRepeat) {
  loadMemo();
  view.repeat = true;
  view.selectionSpan = {3000, 4000};
  player.playSelection();
  view.selectionSpan = {5000, 5000};  // dragged to nothing while playing
  engine.take();
  for (int64_t p : {5000, 6000, 7000, 8000}) tickAt(p);
  EXPECT_EQ(engine.count("pos:"), 0);  // plays on toward marker B
  tickAt(kFrames);
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"pos:0"}));
}

TEST_F(SpeedPlayerTest, PauseThenPlayResumesAtTheLocatorOrTheSelection) {
  loadMemo();
  player.play();
  tickAt(3000);
  engine.take();
  player.pause();
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"stop"}));
  EXPECT_EQ(view.buttons, 2);
  EXPECT_FALSE(view.timer);
  player.play();
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"rate:0.0", "pos:3000", "play"}));

  // Paused during a selection play, Play goes on without seeking, and the
  // engine's 0 before its first buffer is not taken for a position.
  player.stop();
  view.selectionSpan = {6000, 12000};
  player.playSelection();
  tickAt(7000);
  player.pause();
  engine.take();
  player.play();
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"rate:0.0", "play"}));
  tickAt(0);
  EXPECT_EQ(engine.count("pos:"), 0);
  EXPECT_EQ(view.locatorFrame, 7000);
}

TEST_F(SpeedPlayerTest, PlaybackThatStopsMovingEndsAfterThreeTicks) {
  loadMemo();
  view.markerSpan = {0, kFrames};
  player.play();
  tickAt(8000);
  tickAt(8000);
  tickAt(8000);
  EXPECT_TRUE(player.timerRunning());
  engine.take();
  tickAt(8000);
  EXPECT_EQ(engine.calls, (std::vector<std::string>{"stop"}));
  EXPECT_FALSE(player.timerRunning());
  EXPECT_EQ(view.buttons, 0);

  // After a speed change the queued sound plays out at the old speed: the
  // count starts again.
  player.play();
  tickAt(9000);
  tickAt(9000);
  tickAt(9000);
  player.speedChanged(-20);
  tickAt(9000);
  tickAt(9000);
  EXPECT_TRUE(player.timerRunning());

  // An engine that stopped by itself has ended, also with Repeat.
  view.repeat = true;
  tickAt(9100);
  engine.stateCode = SpeedEngine::Stopped;
  engine.take();
  tickAt(9200);
  EXPECT_FALSE(player.timerRunning());
  EXPECT_EQ(engine.count("pos:"), 0);
  EXPECT_EQ(view.buttons, 0);
}

TEST_F(SpeedPlayerTest, MarkerBIsTheShorterOfTheViewsAndTheEnginesLength) {
  for (int64_t engineLength : {kFrames - 100, kFrames + 100}) {
    FakeView v;
    FakeEngine e;
    v.facts = view.facts;
    e.length = engineLength;
    SpeedPlayer p{v, e, preparation, ui, dir / "TempData"};
    v.openAnswers.push_back(wave.string());
    p.openFile();
    EXPECT_EQ(v.markerSpan.end, std::min(kFrames, engineLength));
  }
}

TEST_F(SpeedPlayerTest, OpenRefusals) {
  loadMemo();
  struct Case {
    std::string name;
    std::string text;
  } cases[] = {{wave.string(), "FS_wav_msg0"},
               {(dir / "sub/../memo.wav").string(), "FS_wav_msg0"},
               {(dir / "notes.txt").string(), "FS_wav_msg2"},
               {(dir / "song.ogg").string(), "FS_wav_msg2"}};
  fs::create_directories(dir / "sub");
  for (const Case &c : cases) {
    view.errors.clear();
    open(c.name);
    EXPECT_EQ(view.lastError(), c.text) << c.name;
    EXPECT_EQ(player.loadedName(), wave.string());
    EXPECT_TRUE(view.waveShown);
    EXPECT_TRUE(engine.calls.empty());
  }
}

TEST_F(SpeedPlayerTest, VoiceAndMp3FilesAreConvertedToTheChosenTarget) {
  loadMemo();
  preparation.writeTarget = [&](const std::string &target) { fs::copy_file(other, target); };
  view.saveAnswers.push_back((dir / "voice.wav").string());
  open(dir / "voice.dvg");
  EXPECT_EQ(view.savePresets.back(), (dir / "voice.wav").string());
  EXPECT_EQ(preparation.calls.back(), "dvg:" + (dir / "voice.dvg").string() + ">" + (dir / "voice.wav").string());
  EXPECT_EQ(player.loadedName(), (dir / "voice.wav").string());

  view.saveAnswers.push_back((dir / "SONG.WAV").string());
  open(dir / "SONG.MP3");
  EXPECT_EQ(view.savePresets.back(), (dir / "SONG.WAV").string());
  EXPECT_EQ(preparation.calls.back(), "mp3:" + (dir / "SONG.MP3").string() + ">" + (dir / "SONG.WAV").string());
  EXPECT_EQ(player.loadedName(), (dir / "SONG.WAV").string());
}

TEST_F(SpeedPlayerTest, ConversionTargetsThatChangeNothing) {
  loadMemo();
  struct Case {
    const char *what;
    std::optional<std::string> target;
    bool converts;
    std::string error;
    bool fails = false;
  } cases[] = {{"cancelled save dialog", std::nullopt, false, ""},
               {"the loaded file", wave.string(), false, "FS_wav_msg0"},
               {"the source itself", (dir / "voice.dvg").string(), false, "FS_wav_msg2"},
               {"not a WAV name", (dir / "voice.cut").string(), false, "FS_wav_msg2"},
               {"a failed conversion", (dir / "new.wav").string(), true, "", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    view.errors.clear();
    preparation.calls.clear();
    preparation.result = !c.fails;
    view.saveAnswers.push_back(c.target);
    open(dir / "voice.dvg");
    EXPECT_EQ(preparation.calls.size(), c.converts ? 1u : 0u);
    EXPECT_EQ(view.lastError(), c.error);
    EXPECT_EQ(player.loadedName(), wave.string());
    EXPECT_TRUE(view.waveShown);
    EXPECT_TRUE(engine.calls.empty());
  }
}

TEST_F(SpeedPlayerTest, AFailedEngineOpenLeavesNothingLoaded) {
  loadMemo();
  engine.openResult = false;
  open(other);
  EXPECT_EQ(view.lastError(), "FS_wav_msg2");
  EXPECT_EQ(player.loadedName(), "");
  EXPECT_FALSE(view.controls);
  EXPECT_FALSE(view.waveShown);
  engine.take();
  player.play();
  player.speedChanged(5);
  EXPECT_TRUE(engine.calls.empty());
}

TEST_F(SpeedPlayerTest, ACancelledBuildLoadsNothingAndTheFileCanBeOpenedAgain) {
  view.loadResult = SpeedView::Load::Cancelled;
  open(wave);
  EXPECT_TRUE(player.buildCancelled());
  EXPECT_EQ(player.loadedName(), "");
  EXPECT_FALSE(view.controls);
  EXPECT_EQ(engine.count("open:"), 0);
  EXPECT_TRUE(view.errors.empty());
  view.loadResult = SpeedView::Load::Loaded;
  open(wave);
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(player.loadedName(), wave.string());
  EXPECT_FALSE(player.buildCancelled());
}

TEST_F(SpeedPlayerTest, AWaveTheViewsCannotReadIsRefused) {
  loadMemo();
  view.loadResult = SpeedView::Load::Failed;
  open(other);
  EXPECT_EQ(view.lastError(), "FS_wav_msg2");
  EXPECT_EQ(player.loadedName(), "");
  EXPECT_EQ(engine.count("open:"), 0);
}

TEST_F(SpeedPlayerTest, OddlyLaidOutWavesPlayThroughACanonicalCopy) {
  fixtures::Pcm format{1, 8000, 16};
  auto pcm = fixtures::rampPcm(format, 8000);
  fixtures::WavLayout layout;
  layout.chunksBeforeData = {{"LIST", std::vector<uint8_t>(26, 'x')}};
  fixtures::writeWav(dir / "list.wav", format, pcm, layout);
  view.facts = {8000, 8000, 16, 1};
  engine.length = 8000;
  open(dir / "list.wav");
  ASSERT_EQ(player.loadedName(), (dir / "list.wav").string());
  const fs::path copy = player.playingPath();
  EXPECT_NE(copy, dir / "list.wav");
  EXPECT_EQ(view.loads.back(), copy.string());
  EXPECT_EQ(engine.calls.back(), "open:" + copy.string());
  auto bytes = fixtures::readFile(copy);
  ASSERT_EQ(bytes.size(), 44 + pcm.size());
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), bytes.begin() + 44));
  player.closeFile();
  EXPECT_FALSE(fs::exists(copy));  // the copy goes with the file
}

TEST_F(SpeedPlayerTest, StopReturnsToMarkerAAndClosingClearsEverything) {
  loadMemo();
  view.markerSpan = {2000, 9000};
  view.zoomSpan = {8000, 12000};
  view.locatorFrame = 2000;
  player.play();
  tickAt(5000);
  engine.take();
  player.stop();
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"stop"}));
  EXPECT_EQ(view.locatorFrame, 2000);
  EXPECT_LE(view.zoomSpan.start, 2000);  // scrolled to it
  EXPECT_EQ(view.buttons, 0);

  player.play();
  engine.take();
  player.closeFile();
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"stop", "close"}));
  EXPECT_FALSE(view.waveShown);
  EXPECT_FALSE(view.controls);
  EXPECT_EQ(player.loadedName(), "");
  EXPECT_EQ(view.file, "");
}

TEST_F(SpeedPlayerTest, TheZoomedViewKeepsThePlayingPositionInSight) {
  loadMemo();
  view.zoomSpan = {0, 4000};
  view.width = 400;  // 10 frames per pixel
  player.play();
  tickAt(3940);  // 6 pixels before the edge: stays
  EXPECT_EQ(view.zoomSpan, (FrameSpan{0, 4000}));
  tickAt(3960);  // 4 pixels before: ends four fifths of a view beyond
  EXPECT_EQ(view.zoomSpan, (FrameSpan{3960 + 3200 - 4000, 3960 + 3200}));
  tickAt(14000);  // clamped to the file
  EXPECT_EQ(view.zoomSpan, (FrameSpan{kFrames - 4000, kFrames}));
  player.clickWhilePlaying(100);
  tickAt(100);  // left of the view: starts there
  EXPECT_EQ(view.zoomSpan, (FrameSpan{100, 4100}));
}

TEST_F(SpeedPlayerTest, AClickWhilePlayingMovesPlayback) {
  loadMemo();
  player.clickWhilePlaying(500);
  EXPECT_TRUE(engine.calls.empty());  // not playing
  player.play();
  engine.take();
  player.clickWhilePlaying(7000);
  player.clickWhilePlaying(kFrames * 4);
  EXPECT_EQ(engine.take(), (std::vector<std::string>{"pos:7000", "pos:" + std::to_string(kFrames)}));
}

TEST_F(SpeedPlayerTest, SelectAllZoomAndDiscard) {
  loadMemo();
  player.selectAll();
  EXPECT_EQ(view.selectionSpan, (FrameSpan{0, kFrames}));
  EXPECT_FALSE(player.canZoomSelection());
  player.selectAll();
  EXPECT_EQ(view.selectionSpan, (FrameSpan{0, 0}));
  view.selectionSpan = {100, 900};
  ASSERT_TRUE(player.canZoomSelection());
  player.zoomSelection();
  EXPECT_EQ(view.zoomSpan, (FrameSpan{100, 900}));
  player.normalRange();
  EXPECT_EQ(view.zoomSpan, (FrameSpan{0, kFrames}));
  player.discardSelection();
  EXPECT_EQ(view.selectionSpan, (FrameSpan{-1, -1}));
}

}  // namespace
