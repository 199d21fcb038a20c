#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Mp3Source.h"
#include "support/EngineHarness.h"
#include "support/Fixtures.h"

using namespace fixtures;
using sonavel::Mp3Source;

namespace {

struct Wav {
  bool valid = false;
  SonavelWaveFormat format{};
  std::vector<uint8_t> data;
};

// Checks the engine's WAV layout: RIFF, an 18-byte "fmt ", then "data", sizes matching the file.
Wav readEngineWav(const fs::path &path) {
  Wav w;
  auto b = readFile(path);
  if (b.size() < 46) return w;
  if (std::string(b.begin(), b.begin() + 4) != "RIFF" || le32(b, 4) != b.size() - 8) return w;
  if (std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " || le32(b, 16) != 18) return w;
  std::memcpy(&w.format, &b[20], 18);
  if (std::string(b.begin() + 38, b.begin() + 42) != "data" || le32(b, 42) != b.size() - 46) return w;
  w.data.assign(b.begin() + 46, b.end());
  w.valid = true;
  return w;
}

// What mpg123 itself decodes from every frame, as 16-bit stereo.
std::vector<uint8_t> mpg123Decode(const TempDir &dir, const fs::path &mp3) {
  fs::path mpg123 = requireTool("mpg123");
  fs::path out = dir / "mpg123.raw";
  std::string command =
      mpg123.string() + " -q --no-gapless --stereo -e s16 --outfile '" + out.string() + "' '" + mp3.string() + "'";
  if (!runCommand(command).ok()) return {};
  return readFile(out);
}

class ConversionTest : public testing::Test {
 protected:
  TempDir dir;
  fs::path tone(const std::string &name, const Pcm &f, double seconds, const std::string &options) {
    return makeMp3(dir, name, f, sinePcm(f, uint32_t(f.rate * seconds), 440), options);
  }
};

}  // namespace

TEST_F(ConversionTest, PcmFileHoldsEveryFrameAsMpg123DecodesIt) {
  requireTool("lame");
  requireTool("mpg123");
  struct Case {
    Pcm input;
    const char *options;
    uint32_t bytesPerFrame;
  } cases[] = {{{2, 44100, 16}, "-b 128 -t", 4608}, {{1, 22050, 16}, "-b 32 -t", 2304}, {{1, 8000, 16}, "-b 16 -t", 2304}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.input.rate);
    fs::path mp3 = tone("memo.mp3", c.input, 1.5, c.options);
    EngineHarness h;
    ASSERT_EQ(h.engine.openFile(mp3.c_str()), 1);
    ASSERT_EQ(h.engine.convertToPcm(), 1);
    auto pcm = readFile(dir / "memo.PCM");
    EXPECT_EQ(pcm.size() % c.bytesPerFrame, 0u);
    EXPECT_EQ(pcm, mpg123Decode(dir, mp3));
    // The source is left at the end; a seek puts it back for playing.
    uint8_t b[16];
    EXPECT_EQ(h.engine.source()->read(b, 16), 0);
    h.engine.setPosition(0, 0);
    EXPECT_EQ(h.engine.source()->read(b, 16), 16);
  }
}

TEST_F(ConversionTest, PcmConversionOfAWavFileWritesNothing) {
  writeWav(dir / "x.wav", {2, 44100, 16}, std::vector<uint8_t>(17640));
  EngineHarness h;
  ASSERT_EQ(h.engine.openFile((dir / "x.wav").c_str()), 1);
  EXPECT_EQ(h.engine.convertToPcm(), 1);
  EXPECT_FALSE(fs::exists(dir / "x.PCM"));
}

TEST_F(ConversionTest, PcmFileThatCannotBeCreatedGivesZero) {
  requireTool("lame");
  fs::path mp3 = tone("blocked.mp3", {2, 44100, 16}, 0.5, "-b 128");
  fs::create_directory(dir / "blocked.PCM");  // the name is taken by a folder
  EngineHarness h;
  ASSERT_EQ(h.engine.openFile(mp3.c_str()), 1);
  EXPECT_EQ(h.engine.convertToPcm(), 0);
}

TEST_F(ConversionTest, WaveFileHoldsTheSameFramesWithAnEighteenByteFormat) {
  requireTool("lame");
  requireTool("mpg123");
  struct Case {
    Pcm input;
    const char *options;
    uint32_t rate, bytesPerFrame;
  } cases[] = {{{2, 44100, 16}, "-b 128", 44100, 4608}, {{1, 22050, 16}, "-b 32", 22050, 2304}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.rate);
    fs::path mp3 = tone("in.mp3", c.input, 1.5, c.options);
    Mp3Source job;
    job.prepareConversion(mp3.c_str(), (dir / "out.wav").c_str());
    EXPECT_EQ(job.progress(), 0);
    uint32_t frames = 0;
    job.runWaveConversion([&](uint32_t n) { frames = n; });
    EXPECT_EQ(job.progress(), 100);
    Wav w = readEngineWav(dir / "out.wav");
    ASSERT_TRUE(w.valid);
    SonavelWaveFormat expected{1, 2, c.rate, 4 * c.rate, 4, 16, 0};
    EXPECT_EQ(std::memcmp(&w.format, &expected, 18), 0);
    EXPECT_EQ(w.data.size(), size_t(frames) * c.bytesPerFrame);
    // Every frame from the first, the info frame included (as silence).
    auto reference = mpg123Decode(dir, mp3);
    ASSERT_GE(w.data.size(), reference.size());
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), w.data.end() - ptrdiff_t(reference.size())));
  }
}

TEST_F(ConversionTest, ProgressFollowsTheEstimateAndEndsAt100) {
  requireTool("lame");
  // A 320 kbit/s stream followed by a 32 kbit/s one: the estimate (from the
  // first header) is far below the real frame count, so progress passes 100.
  Pcm f{2, 44100, 16};
  auto high = readFile(tone("high.mp3", f, 0.5, "-b 320 -t"));
  auto low = readFile(tone("low.mp3", f, 2.0, "-b 32 -t --resample 44.1"));
  high.insert(high.end(), low.begin(), low.end());
  writeFile(dir / "mixed.mp3", high);
  Mp3Source job;
  job.prepareConversion((dir / "mixed.mp3").c_str(), (dir / "mixed.wav").c_str());
  std::vector<int32_t> seen;
  job.runWaveConversion([&](uint32_t) { seen.push_back(job.progress()); });
  uint32_t total = uint32_t(high.size() / (1044 + 1));
  ASSERT_FALSE(seen.empty());
  for (size_t k = 0; k < seen.size(); ++k) ASSERT_EQ(seen[k], Mp3Source::progressOf(k + 1, total)) << k;
  EXPECT_GT(seen.back(), 100);
  EXPECT_EQ(job.progress(), 100);
}

TEST_F(ConversionTest, AStoppedConversionLeavesAValidShortFile) {
  requireTool("lame");
  fs::path mp3 = tone("long.mp3", {2, 44100, 16}, 3.0, "-b 128");
  Mp3Source job;
  job.prepareConversion(mp3.c_str(), (dir / "short.wav").c_str());
  job.runWaveConversion([&](uint32_t n) {
    if (n == 10) job.requestStop();
  });
  EXPECT_EQ(job.progress(), 100);
  Wav w = readEngineWav(dir / "short.wav");
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.data.size(), 10u * 4608);
}

TEST_F(ConversionTest, FailuresEndInAnOrderlyWay) {
  requireTool("lame");
  fs::path mp3 = tone("ok.mp3", {2, 44100, 16}, 0.5, "-b 128");
  {
    // A source that is not an MP3 stream: no file, and the job is over.
    writeFile(dir / "bad.mp3", std::vector<uint8_t>(3000, 'z'));
    Mp3Source job;
    job.prepareConversion((dir / "bad.mp3").c_str(), (dir / "bad.wav").c_str());
    job.runWaveConversion();
    EXPECT_EQ(job.progress(), 100);
    EXPECT_FALSE(fs::exists(dir / "bad.wav"));
  }
  {
    // A destination that cannot be created: no file, progress stays 0.
    Mp3Source job;
    job.prepareConversion(mp3.c_str(), (dir / "no-such-folder" / "x.wav").c_str());
    job.runWaveConversion();
    EXPECT_EQ(job.progress(), 0);
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
  }
}

TEST_F(ConversionTest, EngineRunsWaveConversionOnItsOwnThread) {
  requireTool("lame");
  fs::path mp3 = tone("t.mp3", {2, 44100, 16}, 1.0, "-b 128");
  EngineHarness h;
  EXPECT_EQ(h.engine.convertToWave(mp3.c_str(), (dir / "a.wav").c_str()), 1);
  // A second conversion stops and replaces the first.
  EXPECT_EQ(h.engine.convertToWave(mp3.c_str(), (dir / "b.wav").c_str()), 1);
  h.engine.joinConversion();
  EXPECT_EQ(h.engine.progress(), 100);
  EXPECT_TRUE(readEngineWav(dir / "b.wav").valid);
  if (fs::exists(dir / "a.wav")) {
    EXPECT_TRUE(readEngineWav(dir / "a.wav").valid);
  }
}
