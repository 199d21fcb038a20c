// The MP3 and WAV players over the audio components, on the virtual output's
// driven clock: the stopped event once per start and never inside the call
// that stopped the output, the output closed when the file has played out,
// the frame being heard, and the level meters fed by what plays and only
// by what plays.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "SoundFiles.h"
#include "player/ComponentPlayback.h"
#include "testsupport/DrivenOutputs.h"
#include "testsupport/TempDir.h"

namespace {

namespace wave = components::wave;
using Kind = char;  // '+' started, '-' stopped

struct EventLog final : player::PlaybackEvents {
  void started(uint64_t n) override { events.push_back({'+', n}); }
  void stopped(uint64_t n) override { events.push_back({'-', n}); }
  std::vector<std::pair<Kind, uint64_t>> events;
};

// One player of either kind behind the same few calls.
struct Rig {
  virtual ~Rig() = default;
  virtual bool start(uint64_t n) = 0;
  virtual void stop() = 0;
  virtual bool running() const = 0;
  wave::DoneQueue queue;
  testsupport::DrivenOutputs outputs;
  EventLog log;
  player::LevelAnalyzer levels;

  // Plays n buffers (all with -1), handing each back.
  int play(int n = -1) {
    int played = 0;
    queue.dispatch();
    while ((n < 0 || played < n) && outputs.playNext()) {
      ++played;
      queue.dispatch();
    }
    queue.dispatch();
    return played;
  }
};

struct MpegRig final : Rig {
  explicit MpegRig(const std::filesystem::path &file) : mpeg(queue, outputs.factory()) {
    mpeg.setEvents(&log);
    mpeg.setLevels(&levels);
    EXPECT_TRUE(mpeg.load(file.string()));
  }
  bool start(uint64_t n) override { return mpeg.start(n); }
  void stop() override { mpeg.stop(); }
  bool running() const override { return mpeg.started(); }
  player::ComponentMpegPlayback mpeg;
};

struct WavRig final : Rig {
  explicit WavRig(const std::filesystem::path &file) : wav(queue, outputs.factory()) {
    wav.setEvents(&log);
    wav.setLevels(&levels);
    EXPECT_TRUE(wav.open(file.string()));
  }
  bool start(uint64_t n) override { return wav.play(n); }
  void stop() override { wav.stop(); }
  bool running() const override { return wav.playing(); }
  player::ComponentWavPlayback wav;
};

class ComponentPlayback : public testing::TestWithParam<bool> {
 protected:
  std::unique_ptr<Rig> make() {
    const soundfiles::Tone tone{8000, 1, 0.5};
    if (GetParam()) return std::make_unique<MpegRig>(soundfiles::makeMp3(dir.path(), "tone.mp3", tone));
    return std::make_unique<WavRig>(soundfiles::makeWav(dir.path(), "tone.wav", tone));
  }
  // The MP3 player reports its start, the WAV player does not.
  std::vector<std::pair<Kind, uint64_t>> startedEvent(uint64_t n) const {
    if (GetParam()) return {{'+', n}};
    return {};
  }
  testsupport::TempDir dir;
};

TEST_P(ComponentPlayback, PlayingOutClosesTheOutputAndReportsTheStartsNumberOnce) {
  auto rig = make();
  ASSERT_TRUE(rig->start(7));
  EXPECT_TRUE(rig->log.events.empty()) << "nothing is raised inside start()";
  EXPECT_GT(rig->play(), 1);
  auto expected = startedEvent(7);
  expected.push_back({'-', 7});
  EXPECT_EQ(rig->log.events, expected);
  EXPECT_FALSE(rig->running());
  EXPECT_FALSE(rig->outputs.device()->isOpen());
  // A stop afterwards has nothing left to report.
  rig->stop();
  rig->play();
  EXPECT_EQ(rig->log.events, expected);
}

TEST_P(ComponentPlayback, StopReportsAfterTheCallAndOnlyOnce) {
  auto rig = make();
  ASSERT_TRUE(rig->start(3));
  rig->play(1);
  rig->log.events.clear();
  rig->stop();
  rig->stop();
  EXPECT_TRUE(rig->log.events.empty()) << "posted, not raised inside stop()";
  rig->queue.dispatch();
  EXPECT_EQ(rig->log.events, (std::vector<std::pair<Kind, uint64_t>>{{'-', 3}}));
  EXPECT_FALSE(rig->running());
}

TEST_P(ComponentPlayback, ANewStartEndsThePreviousOneUnderItsOwnNumber) {
  auto rig = make();
  ASSERT_TRUE(rig->start(1));
  rig->queue.dispatch();
  rig->log.events.clear();
  ASSERT_TRUE(rig->start(2));
  rig->queue.dispatch();
  auto expected = std::vector<std::pair<Kind, uint64_t>>{{'-', 1}};
  for (auto e : startedEvent(2)) expected.push_back(e);
  EXPECT_EQ(rig->log.events, expected);
}

TEST_P(ComponentPlayback, TheLevelMetersHearWhatPlays) {
  auto rig = make();
  ASSERT_TRUE(rig->start(1));
  rig->queue.dispatch();
  EXPECT_EQ(rig->levels.frame(0).left, 0.0f) << "nothing has played yet";
  rig->play(2);
  player::LevelFrame frame = rig->levels.frame(0);
  // The tone is at half of full scale.
  EXPECT_NEAR(frame.left, 0.5, 0.1);
  EXPECT_EQ(frame.left, frame.right);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ComponentPlayback, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &info) { return info.param ? "Mp3" : "Wav"; });

TEST(ComponentMpegPlayback, TheCurrentFrameIsTheOneHeardAndTheOneSoughtUntilTheRefill) {
  testsupport::TempDir dir;
  MpegRig rig(soundfiles::makeMp3(dir.path(), "long.mp3", {8000, 1, 4.0}));
  const uint64_t frames = rig.mpeg.frames();
  ASSERT_GT(frames, 40u);
  ASSERT_TRUE(rig.mpeg.start(1));
  rig.play(5);
  EXPECT_EQ(rig.mpeg.currentFrame(), 5u) << "the source decodes far ahead of what is heard";
  rig.mpeg.pause();
  rig.mpeg.seekFrame(30);
  EXPECT_EQ(rig.mpeg.currentFrame(), 30u);
  rig.mpeg.refill();
  rig.mpeg.resume();
  rig.play(3);
  EXPECT_EQ(rig.mpeg.currentFrame(), 33u);
  rig.mpeg.seekFrame(frames + 50);
  EXPECT_EQ(rig.mpeg.currentFrame(), frames) << "clamped to the file";
}

// The tap of the components' pump: a seek takes the queued buffers back
// unplayed, and the meters must not show them.
TEST(PlaybackTap, BuffersTakenBackBySeekingAreNotTapped) {
  testsupport::TempDir dir;
  const auto file = soundfiles::makeWav(dir.path(), "tone.wav", {8000, 1, 3.0});
  wave::DoneQueue queue;
  testsupport::DrivenOutputs outputs;
  components::WavePlayer player(queue, outputs.factory());
  size_t tapped = 0;
  player.setTap([&](const uint8_t *, size_t size, const wave::PcmFormat &format) {
    EXPECT_EQ(format.sampleRate, 8000u);
    tapped += size;
  });
  ASSERT_TRUE(player.open(file.string()));
  ASSERT_TRUE(player.play());
  for (int i = 0; i < 3; ++i) {
    outputs.device()->playNext();
    queue.dispatch();
  }
  ASSERT_GT(outputs.device()->queued(), 0u);
  ASSERT_TRUE(player.setPositionMs(2000));
  while (outputs.device()->playNext() || queue.pending() > 0) queue.dispatch();
  EXPECT_GT(tapped, 0u);
  EXPECT_EQ(tapped, outputs.played.size());
}

}  // namespace
