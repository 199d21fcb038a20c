// Preparing files for the engine: canonical copies of WAV files it cannot
// read as they stand, and conversions whose target appears only complete.
#include <gtest/gtest.h>

#include "SpeedFakes.h"
#include "components/ScriptedJobUi.h"
#include "speed/FilePreparation.h"
#include "speed/PlayableWave.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using speed::PlayableWave;

fixtures::WavLayout fmt18() {
  fixtures::WavLayout layout;
  layout.fmtSize = 18;
  return layout;
}
fixtures::WavLayout extensible() {
  fixtures::WavLayout layout;
  layout.fmtSize = 40;
  layout.formatTag = 0xFFFE;
  return layout;
}
// A chunk before or after the data.
fixtures::WavLayout withChunk(bool before) {
  fixtures::WavLayout layout;
  (before ? layout.chunksBeforeData : layout.chunksAfterData).push_back({before ? "LIST" : "id3 ", std::vector<uint8_t>(9, 'i')});
  return layout;
}

std::vector<uint8_t> tail(const fs::path &file, size_t from) {
  auto bytes = fixtures::readFile(file);
  return {bytes.begin() + std::ptrdiff_t(std::min(from, bytes.size())), bytes.end()};
}

TEST(PlayableWave, ChoosesTheFileOrACanonicalCopy) {
  fixtures::TempDir dir;
  fixtures::Pcm mono{1, 8000, 16};
  const auto pcm = fixtures::rampPcm(mono, 4000);
  struct Case {
    const char *name;
    fixtures::WavLayout layout;
    fixtures::Pcm format;
    bool copied;
  } cases[] = {{"plain.wav", {}, mono, false},
               {"eight.wav", {}, {2, 22050, 8}, false},
               {"fmt18.wav", fmt18(), mono, true},
               {"list.wav", withChunk(true), mono, true},
               {"trailer.wav", withChunk(false), mono, true},
               {"extensible.wav", extensible(), mono, true}};
  components::ScriptedJobUi ui;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const auto data = fixtures::rampPcm(c.format, 4000);
    fixtures::writeWav(dir / c.name, c.format, data, c.layout);
    PlayableWave playable(ui, dir / "temp");
    ASSERT_EQ(playable.prepare(dir / c.name), PlayableWave::Outcome::Ready);
    EXPECT_EQ(playable.isCopy(), c.copied);
    auto layout = speed::inspectWave(playable.path());
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->canonical());
    EXPECT_EQ(layout->channels, c.format.channels);
    EXPECT_EQ(layout->sampleRate, c.format.rate);
    EXPECT_EQ(tail(playable.path(), 44), data);
  }
  (void)pcm;
}

TEST(PlayableWave, DataShorterThanItsHeaderSaysPlaysWhatIsThere) {
  fixtures::TempDir dir;
  fixtures::Pcm stereo{2, 8000, 16};
  const auto data = fixtures::rampPcm(stereo, 1000);
  fixtures::writeWav(dir / "cut.wav", stereo, data);
  auto bytes = fixtures::readFile(dir / "cut.wav");
  bytes.resize(bytes.size() - 1002);  // cut mid-frame
  fixtures::writeFile(dir / "cut.wav", bytes);
  components::ScriptedJobUi ui;
  PlayableWave playable(ui, dir / "temp");
  ASSERT_EQ(playable.prepare(dir / "cut.wav"), PlayableWave::Outcome::Ready);
  ASSERT_TRUE(playable.isCopy());
  auto copy = tail(playable.path(), 44);
  ASSERT_EQ(copy.size(), 4000u - 1004u);  // whole frames only
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), data.begin()));
  EXPECT_TRUE(speed::inspectWave(playable.path())->canonical());
}

TEST(PlayableWave, OtherEncodingsBecomeSixteenBitPcm) {
  fixtures::TempDir dir;
  fixtures::Pcm f32{2, 8000, 32};
  fixtures::WavLayout layout;
  layout.formatTag = 3;  // float
  fixtures::writeWav(dir / "float.wav", f32, fixtures::wideRampPcm(f32, 2000, true), layout);
  components::ScriptedJobUi ui;
  PlayableWave playable(ui, dir / "temp");
  ASSERT_EQ(playable.prepare(dir / "float.wav"), PlayableWave::Outcome::Ready);
  auto out = speed::inspectWave(playable.path());
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->canonical());
  EXPECT_EQ(out->bitsPerSample, 16);
  EXPECT_EQ(out->declaredSize, 2000u * 4);
  auto expected = fixtures::rampPcm({2, 8000, 16}, 2000);
  auto copy = tail(playable.path(), 44);
  ASSERT_EQ(copy.size(), expected.size());
  int off = 0;
  for (size_t i = 0; i + 1 < copy.size(); i += 2) {
    int a = int16_t(copy[i] | copy[i + 1] << 8), b = int16_t(expected[i] | expected[i + 1] << 8);
    off = std::max(off, std::abs(a - b));
  }
  EXPECT_LE(off, 1);
}

TEST(PlayableWave, CancelAndNonsenseKeepThePreviousFile) {
  fixtures::TempDir dir;
  fixtures::Pcm mono{1, 8000, 16};
  fixtures::writeWav(dir / "a.wav", mono, fixtures::rampPcm(mono, 100), fmt18());
  fixtures::writeWav(dir / "big.wav", mono, fixtures::rampPcm(mono, 800000), fmt18());
  fixtures::writeFile(dir / "junk.wav", testsupport::pattern(500, 3));
  components::ScriptedJobUi ui;
  PlayableWave playable(ui, dir / "temp");
  ASSERT_EQ(playable.prepare(dir / "a.wav"), PlayableWave::Outcome::Ready);
  const fs::path first = playable.path();
  EXPECT_EQ(playable.prepare(dir / "junk.wav"), PlayableWave::Outcome::Failed);
  ui.cancelAtPump = 2;
  EXPECT_EQ(playable.prepare(dir / "big.wav"), PlayableWave::Outcome::Cancelled);
  EXPECT_EQ(playable.path(), first);
  EXPECT_TRUE(fs::exists(first));
  EXPECT_EQ(testsupport::entries(dir / "temp"), std::vector<std::string>{first.filename().string()});
  EXPECT_FALSE(ui.progressShown);  // closed again
}

class Mp3Conversion : public ::testing::Test {
 protected:
  Mp3Conversion() {
    fixtures::writeFile(dir / "song.mp3", testsupport::pattern(20000, 1));
    fixtures::writeFile(dir / "song.wav", {'o', 'l', 'd'});
    preparation.stallMilliseconds = 300;
    preparation.pollMilliseconds = 1;
  }
  // The engine's thread, played out at once: a WAV of `frames` frames, or nothing.
  void engineWrites(uint32_t frames, int progressAfter) {
    engine.progressValue = 0;
    engine.onConvert = [this, frames, progressAfter](const std::string &, const std::string &out) {
      fixtures::Pcm stereo{2, 44100, 16};
      if (frames) fixtures::writeWav(out, stereo, fixtures::rampPcm(stereo, frames), fmt18());
      engine.progressValue = progressAfter;
    };
  }

  fixtures::TempDir dir;
  speedtest::FakeEngine engine;
  components::ScriptedJobUi ui;
  speed::EngineFilePreparation preparation{ui, engine};
};

TEST_F(Mp3Conversion, TheTargetAppearsOnlyWhenComplete) {
  engineWrites(1152, 100);
  ASSERT_TRUE(preparation.convertMp3((dir / "song.mp3").string(), (dir / "song.wav").string()));
  auto layout = speed::inspectWave(dir / "song.wav");
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->declaredSize, 1152u * 4);
  EXPECT_EQ(testsupport::entries(dir.path()), (std::vector<std::string>{"song.mp3", "song.wav"}));
  EXPECT_EQ(ui.events.front(), "open:[FM_Caption_title8]");
}

TEST_F(Mp3Conversion, CancelStallAndEmptyOutputLeaveTheOldTarget) {
  struct Case {
    const char *what;
    uint32_t frames;
    int progress;
    int cancelAtPump;
    bool message;
  } cases[] = {{"cancelled", 1152, 50, 1, false},
               {"never ends", 1152, 50, 0, true},
               {"no MP3 frames", 0, 100, 0, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    ui.cancelAtPump = c.cancelAtPump;
    ui.pumps = 0;
    engine.convertStopped = false;
    engineWrites(c.frames, c.progress);
    if (c.cancelAtPump) engine.onConvert = [&, inner = engine.onConvert](auto &s, auto &d) {
      inner(s, d);
      engine.progressValue = 50;
    };
    EXPECT_FALSE(preparation.convertMp3((dir / "song.mp3").string(), (dir / "song.wav").string()));
    EXPECT_EQ(fixtures::readFile(dir / "song.wav"), (testsupport::Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(testsupport::entries(dir.path()), (std::vector<std::string>{"song.mp3", "song.wav"}));
    EXPECT_EQ(!ui.messages.empty(), c.message);
    EXPECT_EQ(engine.convertStopped, c.progress < 100);
    EXPECT_FALSE(ui.progressShown);
  }
}

}  // namespace
