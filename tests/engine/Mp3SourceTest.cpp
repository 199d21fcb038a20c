#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Mp3Frames.h"
#include "Mp3Source.h"
#include "support/Fixtures.h"

using namespace fixtures;
using sonavel::FrameHeader;
using sonavel::Mp3Source;

namespace {

struct Opened {
  Mp3Source source;
  SonavelWaveFormat format{};
};

std::vector<uint8_t> readAll(Mp3Source &source, int32_t chunk = 17640) {
  std::vector<uint8_t> out, buf(static_cast<size_t>(chunk));
  for (;;) {
    int32_t got = source.read(buf.data(), chunk);
    out.insert(out.end(), buf.begin(), buf.begin() + got);
    if (got < chunk) break;
  }
  return out;
}


}  // namespace

TEST(Mp3Frames, HeaderAcceptanceAndLengths) {
  struct Case {
    uint32_t word;
    bool accepted;
    int version, layer;
    uint32_t rate, bitrate, length, samples;
  } cases[] = {
      {0xFFFB9064, true, 3, 3, 44100, 128, 417, 1152},  // MPEG-1 Layer III
      {0xFFFB9264, true, 3, 3, 44100, 128, 418, 1152},  // padded
      {0xFFFB9464, true, 3, 3, 48000, 128, 384, 1152},
      {0xFFF39064, true, 2, 3, 22050, 80, 261, 576},    // MPEG-2
      {0xFFE31064, true, 0, 3, 11025, 8, 52, 576},      // MPEG-2.5
      {0xFFE31864, true, 0, 3, 8000, 8, 72, 576},
      {0xFFFF9064, false, 0, 0, 0, 0, 0, 0},  // top 16 bits all set
      {0xFFF99064, false, 0, 0, 0, 0, 0, 0},  // layer 0
      {0xFFFBF064, false, 0, 0, 0, 0, 0, 0},  // bit-rate index 15
      {0xFFFB9C64, false, 0, 0, 0, 0, 0, 0},  // sampling-rate index 3
      {0xFFDB9064, false, 0, 0, 0, 0, 0, 0},  // not synchronised
      {0xFFEB9064, false, 0, 0, 0, 0, 0, 0},  // reserved version
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.word);
    EXPECT_EQ(sonavel::isFrameHeader(c.word), c.accepted);
    if (!c.accepted) continue;
    FrameHeader h = sonavel::parseFrameHeader(c.word);
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.sampleRate, c.rate);
    EXPECT_EQ(h.bitrate, c.bitrate);
    EXPECT_EQ(h.length(), c.length);
    EXPECT_EQ(h.samples(), c.samples);
  }
}

TEST(Mp3Frames, TimingAndEstimates) {
  EXPECT_FLOAT_EQ(Mp3Source::timePerFrame(44100, 1152), 26.12244987487793f);
  EXPECT_EQ(double(Mp3Source::timePerFrame(44100, 1152)), 26.12244987487793);
  EXPECT_EQ(double(Mp3Source::timePerFrame(22050, 576)), 26.12244987487793);
  EXPECT_EQ(Mp3Source::timePerFrame(48000, 1152), 24.0f);
  EXPECT_EQ(Mp3Source::timePerFrame(24000, 576), 24.0f);
  EXPECT_EQ(Mp3Source::timePerFrame(32000, 1152), 36.0f);
  EXPECT_EQ(Mp3Source::timePerFrame(16000, 576), 36.0f);
  EXPECT_EQ(Mp3Source::timePerFrame(8000, 576), 72.0f);  // MPEG-2.5
  EXPECT_EQ(Mp3Source::estimateFrames(4180000, sonavel::parseFrameHeader(0xFFFB9064)), 10000u);
  // Conversion progress: count × 100 ÷ total.
  struct Case {
    uint64_t count;
    uint32_t total;
    int32_t progress;
  } cases[] = {{100, 10000, 1}, {5000, 10000, 50}, {99, 10000, 0}, {10000, 10000, 100}, {10150, 10000, 101}, {3, 0, 300}};
  for (const auto &c : cases) EXPECT_EQ(Mp3Source::progressOf(c.count, c.total), c.progress) << c.count;
}

class Mp3SourceTest : public testing::Test {
 protected:
  TempDir dir;
  const Pcm stereo{2, 44100, 16};
  fs::path tone(const std::string &name, const Pcm &f, double seconds, const std::string &options) {
    return makeMp3(dir, name, f, sinePcm(f, uint32_t(f.rate * seconds), 440), options);
  }
};

TEST_F(Mp3SourceTest, OpensAsStereoWithTheStreamsRate) {
  requireTool("lame");
  struct Case {
    Pcm input;
    const char *options;
    uint32_t rate;
    uint32_t samples;
  } cases[] = {
      {{2, 44100, 16}, "-b 128", 44100, 1152},
      {{1, 44100, 16}, "-b 64 -m m", 44100, 1152},  // mono stream, two channels out
      {{1, 22050, 16}, "-b 32 --resample 22.05", 22050, 576},  // MPEG-2
      {{1, 24000, 16}, "-b 32 --resample 24", 24000, 576},
      {{1, 11025, 16}, "-b 16 --resample 11.025", 11025, 576},  // MPEG-2.5
      {{1, 12000, 16}, "-b 16 --resample 12", 12000, 576},
      {{1, 8000, 16}, "-b 16 --resample 8", 8000, 576},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " " << c.options);
    fs::path mp3 = tone("t.mp3", c.input, 1.0, c.options);
    ASSERT_FALSE(mp3.empty());
    Mp3Source source;
    SonavelWaveFormat format{};
    ASSERT_EQ(source.open(mp3.c_str(), format), 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSec, c.rate);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.blockAlign, 4);
    EXPECT_EQ(format.avgBytesPerSec, 4 * c.rate);
    EXPECT_EQ(source.samplesPerFrame(), c.samples);
    auto pcm = readAll(source);
    EXPECT_NEAR(frequencyOf(pcm, c.rate), 440, 4);
    if (c.input.channels == 1) {
      for (size_t at = 0; at < pcm.size(); at += 4) ASSERT_EQ(sample16(pcm, at), sample16(pcm, at + 2));
    }
  }
}

TEST_F(Mp3SourceTest, EstimatedFrameCountSetsTotalTimeAndEndOfData) {
  requireTool("lame");
  // A 128 kbit/s 44.1 kHz stream of 4 180 000 bytes: L = 417, 10 000 frames.
  fs::path mp3 = tone("long.mp3", stereo, 1.0, "-b 128 -t");
  ASSERT_FALSE(mp3.empty());
  auto bytes = readFile(mp3);
  size_t realFrames = 0;
  {
    Mp3Source probe;  // counts every frame, unlimited by its estimate
    SonavelWaveFormat f{};
    ASSERT_EQ(probe.open(mp3.c_str(), f), 1);
    ASSERT_EQ(probe.convertToPcm(), 1);
    realFrames = probe.decodedFrames();
    ASSERT_GT(realFrames, probe.estimatedFrames());
  }
  bytes.resize(4180000, 0);  // zeros: no header within reach, the data ends
  writeFile(mp3, bytes);
  Mp3Source source;
  SonavelWaveFormat format{};
  ASSERT_EQ(source.open(mp3.c_str(), format), 1);
  EXPECT_EQ(source.estimatedFrames(), 10000u);
  EXPECT_EQ(source.totalTime(), 261224u);
  auto pcm = readAll(source);
  EXPECT_EQ(source.decodedFrames(), realFrames);
  EXPECT_LE(pcm.size(), realFrames * 4608);
}

TEST_F(Mp3SourceTest, DecodingStopsAtTheEstimate) {
  requireTool("lame");
  // A CBR file's frames average 417.96 bytes, so size ÷ 418 falls short of
  // the real count: the estimate ends the data.
  fs::path mp3 = tone("cbr.mp3", stereo, 2.0, "-b 128 -t");
  Mp3Source source;
  SonavelWaveFormat format{};
  ASSERT_EQ(source.open(mp3.c_str(), format), 1);
  uint32_t estimate = source.estimatedFrames();
  EXPECT_EQ(estimate, uint32_t(fs::file_size(mp3) / 418));
  std::vector<uint8_t> buf(17640);
  std::vector<int32_t> returns;
  uint64_t total = 0;
  do {
    returns.push_back(source.read(buf.data(), 17640));
    total += uint32_t(returns.back());
  } while (returns.back() > 0);
  // Full reads, perhaps one short one, then nothing.
  for (size_t k = 0; k + 2 < returns.size(); ++k) ASSERT_EQ(returns[k], 17640);
  EXPECT_EQ(source.decodedFrames(), estimate);
  EXPECT_LE(total, uint64_t(estimate) * 4608);
  EXPECT_GT(total + 17640, uint64_t(estimate) * 4608);

  // One frame before the end: a short read, then nothing.
  source.seek((estimate - 2) * 1152 + 10, 1);
  ASSERT_EQ(source.decodedFrames(), estimate - 1);
  EXPECT_EQ(source.read(buf.data(), 17640), 4608);
  EXPECT_EQ(source.read(buf.data(), 17640), 0);
}

TEST_F(Mp3SourceTest, SeekLandsOnWholeFrames) {
  requireTool("lame");
  fs::path mp3 = tone("seek.mp3", stereo, 3.0, "-b 128");
  Mp3Source source;
  SonavelWaveFormat format{};
  ASSERT_EQ(source.open(mp3.c_str(), format), 1);
  // 1000 ms is frame 38; it only fills the reservoir and frame 39 comes next.
  source.seek(1000, 0);
  EXPECT_EQ(source.decodedFrames(), 39u);
  EXPECT_EQ(source.position(0), 1018u);
  EXPECT_EQ(source.position(1), 44928u);
  source.seek(44100, 1);  // one second in sample frames: the same frame
  EXPECT_EQ(source.position(0), 1018u);
  // After a seek the decoder continues with the tone, not with silence or noise.
  std::vector<uint8_t> pcm(17640 * 4);
  ASSERT_EQ(source.read(pcm.data(), int32_t(pcm.size())), int32_t(pcm.size()));
  EXPECT_NEAR(frequencyOf(pcm, 44100), 440, 6);
  EXPECT_EQ(source.decodedFrames(), 39u + (pcm.size() + 4607) / 4608);

  // Beyond the estimated frame count nothing changes.
  uint32_t before = source.decodedFrames();
  source.seek(source.totalTime() + 100, 0);
  EXPECT_EQ(source.decodedFrames(), before);
  source.seek(0, 0);
  EXPECT_EQ(source.decodedFrames(), 1u);
  EXPECT_EQ(source.position(0), 26u);
}

TEST_F(Mp3SourceTest, SkipsId3AndJunkWithinTheResyncLimit) {
  requireTool("lame");
  fs::path mp3 = tone("plain.mp3", stereo, 1.0, "-b 128 -t");
  auto plain = readFile(mp3);
  Mp3Source reference;
  SonavelWaveFormat f{};
  ASSERT_EQ(reference.open(mp3.c_str(), f), 1);
  auto expected = readAll(reference);

  std::vector<uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x07, 0x68};  // 1000-byte body
  id3.resize(10 + 1000, 'x');
  struct Case {
    const char *name;
    size_t junk;
    bool opens;
  } cases[] = {{"id3", 0, true}, {"junk", 5000, true}, {"limit", sonavel::kResyncLimit, true},
               {"beyond", sonavel::kResyncLimit + 1, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = id3;
    file.insert(file.end(), c.junk, 0);
    file.insert(file.end(), plain.begin(), plain.end());
    writeFile(dir / "tagged.mp3", file);
    Mp3Source source;
    SonavelWaveFormat format{};
    ASSERT_EQ(source.open((dir / "tagged.mp3").c_str(), format), c.opens ? 1 : 0);
    if (!c.opens) continue;
    // The estimate counts the tag and junk as frames: compare what both decode.
    auto pcm = readAll(source);
    size_t n = std::min(pcm.size(), expected.size());
    EXPECT_GE(n, expected.size() - 4608);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + ptrdiff_t(n), expected.begin()));
  }
}

TEST_F(Mp3SourceTest, RefusesWhatIsNotALayerThreeStream) {
  auto frames = [](uint32_t word, int count, size_t length) {
    std::vector<uint8_t> out;
    for (int k = 0; k < count; ++k) {
      for (int b = 3; b >= 0; --b) out.push_back(uint8_t(word >> (8 * b)));
      out.resize(out.size() + length - 4, 0x55);
    }
    return out;
  };
  writeFile(dir / "layer2.mp3", frames(0xFFFD9004, 20, 417));  // MPEG-1 Layer II
  writeFile(dir / "free.mp3", frames(0xFFFB0004, 20, 417));    // free format
  writeFile(dir / "text.mp3", std::vector<uint8_t>(5000, 'a'));
  writeFile(dir / "empty.mp3", {});
  for (const char *name : {"layer2.mp3", "free.mp3", "text.mp3", "empty.mp3", "missing.mp3"}) {
    Mp3Source source;
    SonavelWaveFormat format{};
    EXPECT_EQ(source.open((dir / name).c_str(), format), 0) << name;
    EXPECT_EQ(format.samplesPerSec, 0u) << name;
  }
}

TEST_F(Mp3SourceTest, ACutLastFrameIsPaddedAndStillCounts) {
  requireTool("lame");
  fs::path mp3 = tone("cut.mp3", stereo, 1.0, "-b 128 -t");
  Mp3Source whole;
  SonavelWaveFormat f{};
  ASSERT_EQ(whole.open(mp3.c_str(), f), 1);
  ASSERT_EQ(whole.convertToPcm(), 1);
  uint64_t wholeBytes = fs::file_size(dir / "cut.PCM");
  auto bytes = readFile(mp3);
  bytes.resize(bytes.size() - 200);  // into the last frame
  writeFile(mp3, bytes);
  Mp3Source cut;
  ASSERT_EQ(cut.open(mp3.c_str(), f), 1);
  ASSERT_EQ(cut.convertToPcm(), 1);
  EXPECT_EQ(fs::file_size(dir / "cut.PCM"), wholeBytes);
  EXPECT_EQ(wholeBytes % 4608, 0u);
}
