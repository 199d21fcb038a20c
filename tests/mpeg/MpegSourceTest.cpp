#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Mp3Fixture.h"
#include "components/mpeg/MpegInfo.h"
#include "components/mpeg/MpegOutput.h"
#include "components/mpeg/MpegSource.h"
#include "components/wave/VirtualOutput.h"
#include "testsupport/Files.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
using components::MpegSource;
using mp3test::makeMp3;
using mp3test::Tone;
using testsupport::TempDir;

namespace {

std::vector<uint8_t> readAll(MpegSource &source) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> chunk(10000);  // not a whole number of frames on purpose
  while (size_t n = source.read(chunk.data(), chunk.size())) out.insert(out.end(), chunk.begin(), chunk.begin() + n);
  return out;
}

struct FiguresCase {
  const char *name;
  Tone tone;
  const char *lame;
  long frames;  // -1: what lame's delay and padding give, checked against the decoded length
  int bitrate;
  int channelMode;
  int channels;
  uint64_t durationMs;  // rounded up to whole seconds; 0: not checked
};

void PrintTo(const FiguresCase &c, std::ostream *os) { *os << c.name; }

class MpegFigures : public ::testing::TestWithParam<FiguresCase> {};

TEST_P(MpegFigures, LoadGivesTheFileFigures) {
  const FiguresCase &c = GetParam();
  TempDir dir;
  fs::path mp3 = makeMp3(dir, c.name, c.tone, c.lame);
  ASSERT_FALSE(mp3.empty()) << "sox or lame failed";

  MpegSource source;
  ASSERT_TRUE(source.load(mp3.string()));
  ASSERT_TRUE(source.isLoaded());
  const int spf = source.samplesPerFrame();
  ASSERT_EQ(spf, 1152);
  EXPECT_EQ(source.sampleRate(), long(c.tone.rate));
  EXPECT_DOUBLE_EQ(source.msPerFrame(), spf * 1000.0 / c.tone.rate);
  EXPECT_EQ(source.bitrateKbps(), c.bitrate);
  EXPECT_EQ(source.channelMode(), c.channelMode);
  EXPECT_EQ(source.channels(), c.channels);
  if (c.frames >= 0) {
    EXPECT_EQ(source.frames(), c.frames);
  } else {
    // lame adds its delay and pads to whole frames: at most two frames more.
    long least = long((c.tone.samples + spf - 1) / spf);
    EXPECT_GE(source.frames(), least);
    EXPECT_LE(source.frames(), least + 2);
  }
  if (c.durationMs) {
    EXPECT_EQ(source.info().durationMsRoundedUp(), c.durationMs);
  }

  // Every frame decodes whole: frames x samples per frame x channels x 2 bytes.
  EXPECT_EQ(readAll(source).size(), size_t(source.frames()) * source.frameBytes());
  EXPECT_EQ(source.currentFrame(), source.frames());

  // One description of a file: what the recorder path reads is the same.
  auto info = components::scanMpegFile(mp3.string());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->frames, source.frames());
  EXPECT_EQ(info->bitrateKbps, source.bitrateKbps());
  EXPECT_EQ(info->channelMode, source.channelMode());
  EXPECT_EQ(info->msPerFrame, source.msPerFrame());
}

INSTANTIATE_TEST_SUITE_P(
    Files, MpegFigures,
    ::testing::Values(
        // 2878848 samples come out of lame as exactly 2500 frames of 24 ms.
        FiguresCase{"exactMinute48k", {48000, 2, 2878848}, "-m j -b 128", 2500, 128, 1, 2, 60000},
        FiguresCase{"minutePlus48k", {48000, 2, 2880000}, "-m j -b 128", 2501, 128, 1, 2, 61000},
        FiguresCase{"stereo", {44100, 2, 44100}, "-m s -b 128", -1, 128, 0, 2, 0},
        FiguresCase{"dualChannel", {44100, 2, 44100}, "-m d -b 192", -1, 192, 2, 2, 0},
        FiguresCase{"mono", {44100, 1, 30000}, "-m m -b 64", -1, 64, 3, 1, 0},
        FiguresCase{"vbrTagged", {44100, 2, 441000}, "-V 2", -1, 0, 1, 2, 0},
        // No Xing header: only the frames' own rates tell that it varies.
        FiguresCase{"vbrUntagged", {44100, 2, 441000}, "-t -V 2", -1, 0, 1, 2, 0},
        FiguresCase{"abr", {44100, 2, 441000}, "--abr 128", -1, 0, 1, 2, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MpegSource, AnExactMinuteIsFramesTimesMsPerFrame) {
  TempDir dir;
  fs::path mp3 = makeMp3(dir, "minute", {48000, 1, 2878848}, "-m m -b 64");
  ASSERT_FALSE(mp3.empty());
  MpegSource source;
  ASSERT_TRUE(source.load(mp3.string()));
  EXPECT_EQ(source.frames() * source.msPerFrame(), 60000.0);
  uint8_t rate = 0, hours = 9, minutes = 9, seconds = 9;
  ASSERT_TRUE(components::SetDownMpegFileParams(mp3.string(), rate, hours, minutes, seconds));
  EXPECT_EQ(hours, 0);
  EXPECT_EQ(minutes, 1);
  EXPECT_EQ(seconds, 0);
  EXPECT_EQ(rate, 40);  // 8000 bytes per second in units of 200
}

// Files that are not MPEG audio with at least one frame: refused, nothing
// loaded, nothing to divide by.
testsupport::Bytes firstBytesOf(const TempDir &dir, const Tone &tone, const std::string &lame, size_t count) {
  fs::path mp3 = makeMp3(dir, "whole", tone, lame);
  testsupport::Bytes bytes = testsupport::readFile(mp3);
  bytes.resize(std::min(bytes.size(), count));
  return bytes;
}

struct RefusedCase {
  const char *name;
  // Writes the file and returns its path.
  fs::path (*make)(const TempDir &dir);
};

void PrintTo(const RefusedCase &c, std::ostream *os) { *os << c.name; }

class MpegRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(MpegRefused, NothingLoads) {
  TempDir dir;
  const fs::path path = GetParam().make(dir);

  // A source that held a file loses it when the next load fails.
  fs::path good = makeMp3(dir, "good", {44100, 1, 5000}, "-b 64");
  ASSERT_FALSE(good.empty());
  MpegSource source;
  ASSERT_TRUE(source.load(good.string()));
  const uint64_t loadedId = source.loadId();

  EXPECT_FALSE(source.load(path.string()));
  EXPECT_FALSE(source.isLoaded());
  EXPECT_NE(source.loadId(), loadedId);
  EXPECT_EQ(source.frames(), 0);
  EXPECT_EQ(source.msPerFrame(), 0.0);
  EXPECT_EQ(source.currentFrame(), 0);
  EXPECT_FALSE(source.seekFrame(0));
  uint8_t chunk[4608];
  EXPECT_EQ(source.read(chunk, sizeof chunk), 0u);

  EXPECT_FALSE(components::scanMpegFile(path.string()));
  uint8_t rate = 7, hours = 7, minutes = 7, seconds = 7;
  EXPECT_FALSE(components::SetDownMpegFileParams(path.string(), rate, hours, minutes, seconds));
  EXPECT_EQ(rate + hours + minutes + seconds, 28);

  // An output over the empty source refuses to start and asks for no device.
  components::wave::DoneQueue queue;
  bool asked = false;
  components::MpegOutput out(source, queue, [&](auto &, auto &) {
    asked = true;
    return std::unique_ptr<components::wave::OutputDevice>();
  });
  EXPECT_FALSE(out.start());
  EXPECT_FALSE(out.isOpen());
  EXPECT_FALSE(asked);
}

fs::path written(const TempDir &dir, const char *name, const testsupport::Bytes &bytes) {
  fs::path p = dir / name;
  testsupport::writeFile(p, bytes);
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Files, MpegRefused,
    ::testing::Values(
        RefusedCase{"empty", [](const TempDir &d) { return written(d, "empty.mp3", {}); }},
        RefusedCase{"text", [](const TempDir &d) { return written(d, "text.mp3", testsupport::Bytes(5000, 'a')); }},
        RefusedCase{"id3TagOnly",
                    [](const TempDir &d) {
                      return written(d, "id3.mp3", {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10, '0', '1', '2', '3', '4',
                                                    '5', '6', '7', '8', '9'});
                    }},
        // At 48 kHz and 128 kbit/s a frame is 384 bytes; lame's first frame
        // is its Info tag, which holds no audio.
        RefusedCase{"infoFrameOnly",
                    [](const TempDir &d) {
                      return written(d, "info.mp3", firstBytesOf(d, {48000, 2, 48000}, "-b 128", 384));
                    }},
        RefusedCase{"cutFirstFrame",
                    [](const TempDir &d) {
                      return written(d, "cut.mp3", firstBytesOf(d, {48000, 2, 48000}, "-t -b 128", 200));
                    }},
        RefusedCase{"waveFile",
                    [](const TempDir &d) {
                      testsupport::Bytes riff = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E'};
                      for (int k = 0; k < 4000; ++k) riff.push_back(uint8_t(k * 7));
                      return written(d, "riff.mp3", riff);
                    }},
        RefusedCase{"missing", [](const TempDir &) { return fs::path("/nonexistent/file.mp3"); }},
        RefusedCase{"folder", [](const TempDir &d) { return d.path(); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MpegSource, SeekFrameMovesToTheFrameAndDecodesTheRest) {
  TempDir dir;
  fs::path mp3 = makeMp3(dir, "seek", {44100, 2, 44100}, "-b 128");
  ASSERT_FALSE(mp3.empty());
  MpegSource source;
  ASSERT_TRUE(source.load(mp3.string()));
  const long frames = source.frames();
  const std::vector<uint8_t> whole = readAll(source);
  ASSERT_EQ(whole.size(), size_t(frames) * source.frameBytes());

  struct Case {
    long asked, lands;
  };
  for (Case c : {Case{0, 0}, Case{1, 1}, Case{frames / 2, frames / 2}, Case{frames - 1, frames - 1},
                 Case{frames, frames}, Case{-3, 0}, Case{frames + 7, frames}, Case{5, 5}}) {
    SCOPED_TRACE(c.asked);
    ASSERT_TRUE(source.seekFrame(c.asked));
    EXPECT_EQ(source.currentFrame(), c.lands);
    std::vector<uint8_t> rest = readAll(source);
    ASSERT_EQ(rest.size(), size_t(frames - c.lands) * source.frameBytes());
    // The frames decode as they do from the start.
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.end() - std::ptrdiff_t(rest.size())));
    EXPECT_EQ(source.currentFrame(), frames);
  }
}

TEST(MpegSource, CurrentFrameFollowsTheReads) {
  TempDir dir;
  fs::path mp3 = makeMp3(dir, "frames", {22050, 1, 22050}, "-b 32");
  ASSERT_FALSE(mp3.empty());
  MpegSource source;
  ASSERT_TRUE(source.load(mp3.string()));
  std::vector<uint8_t> frame(source.frameBytes());
  for (long k = 0; k < 5; ++k) {
    EXPECT_EQ(source.currentFrame(), k);
    ASSERT_EQ(source.read(frame.data(), frame.size()), frame.size());
  }
  // Half a frame further is still the same frame; an odd byte count reads
  // whole samples only.
  EXPECT_EQ(source.read(frame.data(), frame.size() / 2 + 1), frame.size() / 2);
  EXPECT_EQ(source.currentFrame(), 5);
  source.unload();
  EXPECT_FALSE(source.isLoaded());
  EXPECT_EQ(source.read(frame.data(), frame.size()), 0u);
}

}  // namespace
