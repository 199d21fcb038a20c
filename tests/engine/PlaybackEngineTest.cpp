#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/EngineHarness.h"
#include "support/Fixtures.h"

using namespace fixtures;
using sonavel::PlaybackEngine;

namespace {

class PlaybackEngineTest : public testing::Test {
 protected:
  TempDir dir;
  EngineHarness h;
  PlaybackEngine &engine = h.engine;
  const Pcm stereo{2, 44100, 16};

  // A WAV whose samples tell their frame index; returns its data.
  std::vector<uint8_t> ramp(const std::string &name, const Pcm &f, uint32_t frames) {
    auto data = rampPcm(f, frames);
    writeWav(dir / name, f, data);
    return data;
  }
  std::string path(const std::string &name) { return (dir / name).string(); }
  // The frame index a heard 16-bit stereo ramp sample stands for.
  static int frameAt(const std::vector<uint8_t> &bytes, size_t frame) { return sample16(bytes, frame * 4); }
};

// True when `heard` is `data` from `fromFrame` on, within the cross-fade's ±1.
bool continuesFrom(const std::vector<uint8_t> &heard, size_t heardFrame, const std::vector<uint8_t> &data,
                   size_t fromFrame, size_t frames) {
  for (size_t k = 0; k < frames; ++k) {
    size_t a = (heardFrame + k) * 4, b = (fromFrame + k) * 4;
    if (a + 4 > heard.size() || b + 4 > data.size()) return false;
    if (std::abs(sample16(heard, a) - sample16(data, b)) > 1) return false;
  }
  return true;
}

}  // namespace

TEST_F(PlaybackEngineTest, BufferSizeIsATenthOfASecond) {
  struct Case {
    Pcm format;
    uint32_t bytes;
  } cases[] = {{{2, 44100, 16}, 17640}, {{1, 8000, 8}, 800}, {{1, 22050, 16}, 4410}, {{2, 11025, 8}, 2204}};
  for (const auto &c : cases) {
    ramp("b.wav", c.format, 100);
    ASSERT_EQ(engine.openFile(path("b.wav").c_str()), 1);
    EXPECT_EQ(engine.bufferSize(), c.bytes) << c.format.rate;
    EXPECT_EQ(engine.sampleRate(), c.format.rate);
    EXPECT_EQ(engine.channels(), c.format.channels);
  }
}

TEST_F(PlaybackEngineTest, OpenChoosesTheSourceByTheLastThreeCharacters) {
  ramp("a.WAV", stereo, 4410);
  ramp("b.wav", stereo, 4410);
  ramp("c.wave", stereo, 4410);
  ramp("d.aif", stereo, 4410);
  ramp("ewav", stereo, 4410);
  ASSERT_EQ(engine.openFile(path("a.WAV").c_str()), 1);
  EXPECT_STREQ(engine.fileName(), path("a.WAV").c_str());
  for (const char *name : {"c.wave", "d.aif", "", "av"}) {
    EXPECT_EQ(engine.openFile(path(name).c_str()), 0) << name;
    EXPECT_STREQ(engine.fileName(), path("a.WAV").c_str());
  }
  EXPECT_EQ(engine.openFile(nullptr), 0);
  EXPECT_EQ(engine.openFile(path("ewav").c_str()), 1);  // no dot needed
  EXPECT_EQ(engine.openFile(std::string(5000, 'x').append(".wav").c_str()), 0);
  EXPECT_STREQ(engine.fileName(), path("ewav").c_str());
}

TEST_F(PlaybackEngineTest, AFailedOpenLeavesNoFile) {
  // The previous source is gone once a file with a good ending is tried: a
  // failed open leaves no name behind, so nothing plays and the caller can
  // tell from isLoaded.
  auto data = ramp("good.wav", stereo, 44100);
  writeWav(dir / "three.wav", {3, 8000, 16}, std::vector<uint8_t>(600));
  writeFile(dir / "text.wav", std::vector<uint8_t>(100, 'x'));
  writeFile(dir / "text.mp3", std::vector<uint8_t>(100, 'x'));
  for (const char *name : {"missing.wav", "missing.mp3", "three.wav", "text.wav", "text.mp3"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(engine.openFile(path("good.wav").c_str()), 1);
    ASSERT_EQ(engine.setPosition(22050, 1), 1);
    EXPECT_EQ(engine.openFile(path(name).c_str()), 0);
    EXPECT_FALSE(engine.isLoaded());
    EXPECT_STREQ(engine.fileName(), "");
    EXPECT_EQ(engine.source(), nullptr);
    EXPECT_EQ(engine.totalTime(), 0u);
    EXPECT_EQ(engine.sampleRate(), 0u);
    EXPECT_EQ(engine.position(1), 0u);
    EXPECT_EQ(engine.setPosition(0, 1), 0);
    EXPECT_EQ(engine.convertToPcm(), 0);
    EXPECT_EQ(engine.play(), 0);
    EXPECT_EQ(engine.state(), sonavel::kStopped);
    engine.close();
  }
  // A good file opens and plays as before.
  ASSERT_EQ(engine.openFile(path("good.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.run(3);
  EXPECT_TRUE(continuesFrom(h.heard, 0, data, 0, h.heard.size() / 4));
  engine.stop();
}

TEST(PlaybackEngineDevice, APlayWhoseDeviceCannotBeOpenedIsRefused) {
  // Nothing would sound and the position would never move: Play answers 0,
  // the engine stays stopped, and nothing is read from the source.
  namespace wave = components::wave;
  using Factory = PlaybackEngine::OutputFactory;
  struct Case {
    const char *what;
    Factory make;
  } cases[] = {
      {"no device", [](wave::DoneQueue &, wave::BufferListener &) { return std::unique_ptr<wave::OutputDevice>(); }},
      {"a device that cannot be made",
       [](wave::DoneQueue &, wave::BufferListener &) -> std::unique_ptr<wave::OutputDevice> {
         throw std::runtime_error("no sound system");
       }},
      {"a device that refuses to open",
       [](wave::DoneQueue &q, wave::BufferListener &l) -> std::unique_ptr<wave::OutputDevice> {
         auto device = std::make_unique<wave::VirtualOutput>(q, l, wave::VirtualOutput::Clock::Driven);
         device->open({2, 44100, 16});  // busy: a second open is refused
         return device;
       }},
  };
  TempDir dir;
  Pcm stereo{2, 44100, 16};
  writeWav(dir / "r.wav", stereo, rampPcm(stereo, 44100));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    PlaybackEngine engine(c.make);
    ASSERT_EQ(engine.openFile((dir / "r.wav").c_str()), 1);
    ASSERT_EQ(engine.setPosition(22050, 1), 1);
    EXPECT_EQ(engine.play(), 0);
    EXPECT_EQ(engine.state(), sonavel::kStopped);
    EXPECT_EQ(engine.position(1), 22050u);
    EXPECT_EQ(engine.source()->position(1), 22050u);
    EXPECT_EQ(engine.pause(), 0);
    EXPECT_EQ(engine.play(), 0);  // again: a new device is tried, and refused
    EXPECT_EQ(engine.stop(), 1);
    EXPECT_EQ(engine.openFile((dir / "r.wav").c_str()), 1);  // stopped, so a file opens
  }
}

TEST_F(PlaybackEngineTest, NothingIsLoadedAtFirst) {
  EXPECT_FALSE(engine.isLoaded());
  EXPECT_STREQ(engine.fileName(), "");
  EXPECT_EQ(engine.state(), sonavel::kStopped);
  EXPECT_EQ(engine.rate(), 0.0);
  EXPECT_EQ(engine.sampleRate(), 0u);
  EXPECT_EQ(engine.play(), 0);
  EXPECT_EQ(engine.setPosition(0, 0), 0);
  EXPECT_EQ(engine.setRange(0, 100, 1), 0);
  EXPECT_EQ(engine.totalTime(), 0u);
  EXPECT_EQ(engine.convertToPcm(), 0);
  EXPECT_EQ(engine.position(0), 0u);
  engine.close();
  EXPECT_EQ(engine.stop(), 1);
}

TEST_F(PlaybackEngineTest, PlayQueuesEightBuffersAndThePositionFollowsEachReturn) {
  auto data = ramp("r.wav", stereo, 44100 * 2);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  EXPECT_EQ(engine.state(), sonavel::kPlaying);
  EXPECT_EQ(h.out->queued(), 8u);
  EXPECT_FALSE(h.out->paused());
  EXPECT_EQ(engine.header(0).user, 0u);  // filled by Play: the position before its refill
  for (int k = 1; k < 8; ++k) EXPECT_GT(engine.header(k).user, engine.header(k - 1).user);
  EXPECT_EQ(engine.position(1), 0u);

  uint32_t previous = 0;
  for (int k = 0; k < 16; ++k) {
    uint32_t carried = engine.header(k % 8).user;
    ASSERT_TRUE(h.step());
    EXPECT_EQ(engine.position(1), carried) << k;
    EXPECT_GE(engine.position(1), previous);
    previous = engine.position(1);
    EXPECT_EQ(h.out->queued(), 8u);  // refilled and queued again
  }
  EXPECT_GT(previous, 44100u);
  // At normal speed what is heard is the file itself.
  EXPECT_TRUE(continuesFrom(h.heard, 0, data, 0, h.heard.size() / 4));
}

TEST_F(PlaybackEngineTest, StatesAndRefusals) {
  ramp("r.wav", stereo, 44100);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  EXPECT_EQ(engine.pause(), 0);    // stopped
  EXPECT_EQ(engine.restart(), 0);  // not paused
  ASSERT_EQ(engine.play(), 1);
  EXPECT_EQ(engine.play(), 0);     // already playing
  EXPECT_EQ(engine.restart(), 0);  // playing
  EXPECT_EQ(engine.openFile(path("r.wav").c_str()), 0);  // not while playing
  EXPECT_EQ(engine.convertToPcm(), 0);
  ASSERT_EQ(engine.pause(), 1);
  EXPECT_EQ(engine.state(), sonavel::kPaused);
  EXPECT_TRUE(h.out->paused());
  EXPECT_FALSE(h.step());  // nothing plays while paused
  EXPECT_EQ(engine.play(), 0);  // the device is never opened twice
  EXPECT_EQ(h.devicesMade, 1);
  EXPECT_EQ(engine.pause(), 0);
  ASSERT_EQ(engine.restart(), 1);
  EXPECT_EQ(engine.state(), sonavel::kPlaying);
  EXPECT_TRUE(h.step());
  EXPECT_EQ(engine.stop(), 1);
  EXPECT_EQ(engine.state(), sonavel::kStopped);
  EXPECT_FALSE(h.out->isOpen());
  EXPECT_EQ(engine.stop(), 1);  // harmless twice
  EXPECT_EQ(engine.state(), sonavel::kStopped);
}

TEST_F(PlaybackEngineTest, StopHandsEveryBufferBackWithoutRefilling) {
  ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.run(5);
  uint32_t sourceBefore = engine.source()->position(1);
  engine.stop();
  EXPECT_EQ(h.out->queued(), 0u);
  // The device held 5, 6, 7, 0 .. 4 in that order: the last back is header 4.
  uint32_t lastCarried = engine.header(4).user;
  EXPECT_EQ(engine.dispatch(), 8u);  // the reset's notifications
  // They set the position from their user words and queue nothing.
  EXPECT_EQ(engine.position(1), lastCarried);
  EXPECT_EQ(h.out->queued(), 0u);
  EXPECT_EQ(engine.source()->position(1), sourceBefore);  // the source is not rewound
}

TEST_F(PlaybackEngineTest, PlayStartsWhereTheSourceStands) {
  // Stop then Play at once, before the stop's notifications are handled:
  // they belong to the old device and never reach the new one's buffers.
  auto data = ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.run(4);
  engine.stop();
  uint32_t resumeAt = engine.source()->position(1);
  h.heard.clear();
  ASSERT_EQ(engine.play(), 1);
  EXPECT_EQ(h.devicesMade, 2);
  EXPECT_EQ(engine.dispatch(), 0u);
  EXPECT_EQ(h.out->queued(), 8u);
  h.run(3);
  EXPECT_TRUE(continuesFrom(h.heard, 0, data, resumeAt, 1000));
}

TEST_F(PlaybackEngineTest, SeekWhileStoppedThenPlay) {
  auto data = ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.setPosition(22050, 1), 1);
  EXPECT_EQ(engine.position(1), 22050u);
  ASSERT_EQ(engine.play(), 1);
  EXPECT_FALSE(engine.seekInProgress());
  EXPECT_EQ(engine.position(1), 0u);  // until the first buffer has played
  ASSERT_TRUE(h.step());
  EXPECT_EQ(engine.position(1), 22050u);
  EXPECT_TRUE(continuesFrom(h.heard, 0, data, 22050, 4410));
}

TEST_F(PlaybackEngineTest, SeekWhilePlayingReportsAtOnceAndResumesThere) {
  auto data = ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.run(6);
  ASSERT_EQ(engine.setPosition(2000, 0), 1);  // milliseconds
  EXPECT_EQ(engine.position(1), 88200u);
  EXPECT_EQ(engine.position(0), 2000u);
  EXPECT_TRUE(engine.seekInProgress());
  EXPECT_EQ(h.out->queued(), 0u);
  EXPECT_EQ(engine.dispatch(), 8u);  // all eight back: refilled from the new place
  EXPECT_FALSE(engine.seekInProgress());
  EXPECT_EQ(h.out->queued(), 8u);
  EXPECT_EQ(engine.position(1), 88200u);
  size_t mark = h.heard.size() / 4;
  ASSERT_TRUE(h.step());
  EXPECT_EQ(engine.position(1), 88200u);
  EXPECT_TRUE(continuesFrom(h.heard, mark, data, 88200, 4410));
}

TEST_F(PlaybackEngineTest, ASecondSeekWhileBuffersComeBackStillResumes) {
  auto data = ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.run(3);
  ASSERT_EQ(engine.setPosition(1000, 0), 1);
  EXPECT_EQ(engine.dispatch(3), 3u);  // the host runs other events between notifications
  ASSERT_EQ(engine.setPosition(22050 * 3, 1), 1);
  EXPECT_EQ(engine.dispatch(), 5u);
  EXPECT_FALSE(engine.seekInProgress());
  ASSERT_EQ(h.out->queued(), 8u);
  size_t mark = h.heard.size() / 4;
  ASSERT_TRUE(h.step());
  EXPECT_TRUE(continuesFrom(h.heard, mark, data, 66150, 4410));
}

TEST_F(PlaybackEngineTest, SeekWhilePausedStaysPaused) {
  auto data = ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.run(2);
  ASSERT_EQ(engine.pause(), 1);
  ASSERT_EQ(engine.setPosition(44100, 1), 1);
  engine.dispatch();
  EXPECT_EQ(h.out->queued(), 8u);
  EXPECT_TRUE(h.out->paused());
  EXPECT_EQ(engine.state(), sonavel::kPaused);
  ASSERT_EQ(engine.restart(), 1);
  size_t mark = h.heard.size() / 4;
  ASSERT_TRUE(h.step());
  EXPECT_TRUE(continuesFrom(h.heard, mark, data, 44100, 4410));
}

TEST_F(PlaybackEngineTest, RangesLimitPositioning) {
  ramp("r.wav", stereo, 44100 * 3);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  EXPECT_EQ(engine.rangeStart(), 0u);
  EXPECT_EQ(engine.rangeEnd(), 3000u);
  EXPECT_EQ(engine.setPosition(3001, 0), 0);      // beyond the file's total time
  EXPECT_EQ(engine.setPosition(3000, 0), 1);      // ends included
  EXPECT_EQ(engine.setRange(44100, 88200, 1), 2000);  // frames, stored as milliseconds
  EXPECT_EQ(engine.rangeStart(), 1000u);
  EXPECT_EQ(engine.rangeEnd(), 2000u);
  EXPECT_EQ(engine.setPosition(44099, 1), 0);
  EXPECT_EQ(engine.position(1), 132300u);  // unchanged by the refused seek
  EXPECT_EQ(engine.setPosition(88200, 1), 1);
  EXPECT_EQ(engine.position(0), 2000u);
  EXPECT_EQ(engine.position(1), 88200u);
  EXPECT_EQ(engine.setRange(500, 2500, 0), 0);  // other units: milliseconds, result the unit
  EXPECT_EQ(engine.setRange(100, 200, 7), 7);
  EXPECT_EQ(engine.rangeEnd(), 200u);
  EXPECT_EQ(engine.enableLoop(1), 1);
  EXPECT_EQ(engine.loopFlag(), 1);
  EXPECT_EQ(engine.resetRange(), 0);
  EXPECT_EQ(engine.loopFlag(), 0);
  EXPECT_EQ(engine.rangeEnd(), 3000u);
}

TEST_F(PlaybackEngineTest, RateRules) {
  ramp("r.wav", stereo, 44100);
  // Before a file only the rate is stored; Play applies it.
  EXPECT_EQ(engine.setRate(2.0), 2.0);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  EXPECT_EQ(engine.modifier().advance(), 2648);
  ASSERT_EQ(engine.play(), 1);
  EXPECT_EQ(engine.modifier().advance(), 5296);
  engine.stop();
  struct Case {
    double rate;
    double result;
    int advance;
  } cases[] = {
      {2.5, 2.0, 5296},  // out of range: the previous rate, nothing changes
      {2.0, 2.0, 5296},  {1.0, 1.0, 3972}, {-2.0, -2.0, 1324}, {0.0, 0.0, 2648},
      {-2.0001, 0.0, 2648}, {NAN, 0.0, 2648}, {0.5, 0.5, 3308}, {-1.0, -1.0, 1764},
  };
  engine.setRate(2.0);
  for (const auto &c : cases) {
    EXPECT_EQ(engine.setRate(c.rate), c.result) << c.rate;
    EXPECT_EQ(engine.rate(), c.result) << c.rate;
    EXPECT_EQ(engine.modifier().advance(), c.advance) << c.rate;
  }
}

TEST_F(PlaybackEngineTest, SpeedChangesHowMuchIsHeard) {
  Pcm mono{1, 22050, 16};
  auto data = sinePcm(mono, 22050 * 3, 440);
  writeWav(dir / "s.wav", mono, data);
  for (auto [rate, speed] : {std::pair{2.0, 2.0}, {0.0, 1.0}, {-2.0, 0.5}, {1.0, 1.5}}) {
    ASSERT_EQ(engine.openFile(path("s.wav").c_str()), 1);
    engine.setRate(rate);
    h.heard.clear();
    ASSERT_EQ(engine.play(), 1);
    h.runToEnd();
    EXPECT_EQ(engine.position(1), 66150u);  // the end of the file
    EXPECT_EQ(engine.state(), sonavel::kPlaying);
    double expected = double(data.size()) / speed;
    EXPECT_NEAR(double(h.heard.size()), expected, expected * 0.08) << rate;
    engine.stop();
  }
}

TEST_F(PlaybackEngineTest, EndOfDataKeepsPlayingWithEmptyBuffers) {
  // 1.05 s: ten whole buffers and a half; the half is not played.
  auto data = ramp("r.wav", stereo, 46305);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  h.runToEnd();
  EXPECT_EQ(engine.state(), sonavel::kPlaying);
  EXPECT_EQ(engine.position(1), 46305u);
  EXPECT_LE(h.heard.size(), 10u * 17640);
  EXPECT_TRUE(continuesFrom(h.heard, 0, data, 0, h.heard.size() / 4));
  size_t heard = h.heard.size();
  h.run(20);
  EXPECT_EQ(h.heard.size(), heard);
  EXPECT_EQ(engine.position(1), 46305u);
  EXPECT_EQ(engine.stop(), 1);
}

TEST_F(PlaybackEngineTest, CloseReleasesTheFileButKeepsTheName) {
  ramp("r.wav", stereo, 44100);
  ASSERT_EQ(engine.openFile(path("r.wav").c_str()), 1);
  engine.close();
  EXPECT_TRUE(engine.isLoaded());
  EXPECT_STREQ(engine.fileName(), path("r.wav").c_str());
  ASSERT_EQ(engine.play(), 1);  // plays nothing, harmlessly
  h.run(20);
  EXPECT_TRUE(h.heard.empty());
  engine.stop();
}

TEST_F(PlaybackEngineTest, AnEightBitMonoFilePlays) {
  Pcm mono8{1, 8000, 8};
  auto data = rampPcm(mono8, 8000 * 2);
  writeWav(dir / "m.wav", mono8, data);
  ASSERT_EQ(engine.openFile(path("m.wav").c_str()), 1);
  EXPECT_EQ(engine.totalTime(), 1950u);
  ASSERT_EQ(engine.play(), 1);
  h.runToEnd();
  EXPECT_EQ(engine.position(1), 16000u);
  ASSERT_GT(h.heard.size(), 8000u);
  for (size_t k = 0; k < 8000; ++k) ASSERT_LE(std::abs(int(h.heard[k]) - int(data[k])), 1) << k;
}

TEST_F(PlaybackEngineTest, WideAndFloatFilesPlayAs16Bit) {
  const auto ramp = rampPcm(stereo, 44100);
  for (auto [bits, isFloat] : {std::pair<uint16_t, bool>{24, false}, {32, false}, {32, true}, {64, true}}) {
    SCOPED_TRACE(testing::Message() << bits << (isFloat ? " float" : " bit"));
    Pcm stored{2, 44100, bits};
    WavLayout layout;
    layout.formatTag = isFloat ? 3 : 1;
    writeWav(dir / "w.wav", stored, wideRampPcm(stored, 44100, isFloat), layout);
    ASSERT_EQ(engine.openFile(path("w.wav").c_str()), 1);
    EXPECT_EQ(engine.format().bitsPerSample, 16);
    EXPECT_EQ(engine.bufferSize(), 17640u);
    EXPECT_EQ(engine.totalTime(), 1000u);
    h.heard.clear();
    ASSERT_EQ(engine.play(), 1);
    EXPECT_EQ(h.out->format().bitsPerSample, 16);
    h.runToEnd();
    EXPECT_EQ(engine.position(1), 44100u);
    ASSERT_GT(h.heard.size(), 8u * 17640);
    EXPECT_TRUE(continuesFrom(h.heard, 0, ramp, 0, h.heard.size() / 4));
    engine.stop();
  }
}

TEST_F(PlaybackEngineTest, AChangeOfTheSharedModifierWhilePlayingNeverOutrunsTheRing) {
  // The modifier is also reachable through DllMS_SetRate and DllMS_Init. A
  // very slow factor or another format mid-play must not make a refill
  // produce more than the ring takes, nor read on through the file: each
  // refill fills its buffer from at most two buffers of the source (two when
  // the modifier starts afresh and first fills its analysis window).
  using M = sonavel::TimeScaleModifier;
  struct Case {
    const char *what;
    Pcm file;
    std::function<void(M &)> change;
  } cases[] = {
      {"DllMS_SetRate(0.2)", stereo, [](M &m) { m.setMode(0.2, M::kFaster); }},
      {"DllMS_SetRate(0.3)", stereo, [](M &m) { m.setMode(0.3, M::kFaster); }},
      {"DllMS_SetRate(0.05)", {1, 8000, 8}, [](M &m) { m.setMode(0.05, M::kFaster); }},
      {"DllMS_Init with a larger format", {1, 8000, 8}, [](M &m) { m.init({1, 2, 96000, 384000, 4, 16, 0}); }},
      {"DllMS_Init with a refused format", stereo, [](M &m) { m.init({1, 2, 44100, 88200, 2, 16, 0}); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const uint32_t frames = c.file.rate * 10;
    ramp("long.wav", c.file, frames);
    ASSERT_EQ(engine.openFile(path("long.wav").c_str()), 1);
    const uint32_t bufferFrames = engine.bufferSize() / c.file.align();
    ASSERT_EQ(engine.play(), 1);
    h.run(3);
    c.change(engine.modifier());
    for (int k = 0; k < 12; ++k) {
      uint32_t before = engine.source()->position(1);
      uint64_t heard = h.out->bytesPlayed();
      ASSERT_TRUE(h.step()) << k;
      EXPECT_LE(engine.source()->position(1) - before, 2 * bufferFrames) << k;
      EXPECT_EQ(h.out->bytesPlayed() - heard, engine.bufferSize()) << k;  // no buffer runs short
    }
    EXPECT_LT(engine.source()->position(1), frames / 2);
    EXPECT_EQ(engine.state(), sonavel::kPlaying);
    engine.stop();
  }
}
