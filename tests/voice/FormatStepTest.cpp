// The format step: whole frames repeated or dropped at the ratio of the two
// rates, whatever the chunks, with the exact length; sources of every
// encoding the wave components decode; cancel and broken sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "components/ScriptedJobUi.h"
#include "components/wavefile/WaveDecoder.h"
#include "components/wavefile/WaveFile.h"
#include "testsupport/Tools.h"
#include "voice/FormatStep.h"

namespace {

using namespace fixtures;
using components::ScriptedJobUi;
using voice::FrameConverter;
using voice::PcmTarget;

struct RateCase {
  uint32_t from, to;
};
void PrintTo(const RateCase &c, std::ostream *os) { *os << c.from << "->" << c.to; }

class FrameStepping : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameStepping, ChunksOfAnySizeGiveTheWholeStreamsFramesAndLength) {
  const auto [from, to] = GetParam();
  const size_t frames = 20011;
  std::vector<int16_t> mono(frames);
  std::iota(mono.begin(), mono.end(), int16_t{0});

  FrameConverter whole(1, from, PcmTarget{1, 16, to});
  std::vector<uint8_t> expected;
  whole.convert(mono.data(), frames, expected);
  ASSERT_EQ(expected.size() / 2, FrameConverter::targetFrames(frames, from, to));
  // Frame k is source frame floor(k x from / to): repeated or dropped, never mixed.
  for (size_t k = 0; k < expected.size() / 2; ++k)
    ASSERT_EQ(expected[2 * k] | expected[2 * k + 1] << 8, static_cast<int>(uint64_t{k} * from / to) & 0xFFFF) << k;

  std::mt19937 random(from + to);
  FrameConverter chunked(1, from, PcmTarget{1, 16, to});
  std::vector<uint8_t> pieces;
  for (size_t at = 0; at < frames;) {
    size_t n = std::min<size_t>(frames - at, random() % 7 == 0 ? 1 : random() % 3000 + 1);
    chunked.convert(mono.data() + at, n, pieces);
    at += n;
  }
  EXPECT_EQ(pieces, expected);
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameStepping,
                         ::testing::Values(RateCase{44100, 8000}, RateCase{48000, 8000}, RateCase{11025, 8000},
                                           RateCase{8000, 8000}, RateCase{6000, 8000}, RateCase{8000, 44100}));

TEST(FrameConverter, ChannelsAndWidths) {
  const std::vector<int16_t> frame{1000, -3000};  // one stereo frame
  struct Case {
    PcmTarget target;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {{1, 16, 8000}, {0x18, 0xFC}},                          // (1000 - 3000) / 2 = -1000
      {{2, 16, 8000}, {0xE8, 0x03, 0x48, 0xF4}},              // both kept
      {{1, 8, 8000}, {static_cast<uint8_t>((-1000 >> 8) + 128)}},
      {{1, 24, 8000}, {0x00, 0x18, 0xFC}},
      {{1, 32, 8000}, {0x00, 0x00, 0x18, 0xFC}},
  };
  for (const Case &c : cases) {
    FrameConverter converter(2, 8000, c.target);
    std::vector<uint8_t> out;
    converter.convert(frame.data(), 1, out);
    EXPECT_EQ(out, c.bytes) << c.target.channels << " channel(s), " << c.target.bits << " bits";
  }
  // A mono source goes to every target channel.
  FrameConverter spread(1, 8000, PcmTarget{2, 16, 8000});
  std::vector<uint8_t> out;
  const int16_t one = 0x1234;
  spread.convert(&one, 1, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{0x34, 0x12, 0x34, 0x12}));
}

struct StepFixture : ::testing::Test {
  TempDir dir;
  ScriptedJobUi ui;
  const voice::ProgressShown shown{"Converting", "/music", "song.wav"};

  std::string path(const std::string &name) { return (dir / name).string(); }

  // Sample data of a converted WAV, which must be 16-bit mono 8000 Hz PCM.
  Bytes convertedData(const std::string &file) {
    components::WaveFile wave;
    if (!wave.open(file)) return {};
    EXPECT_TRUE(wave.format().isPcm(16, 1, 8000));
    Bytes data(wave.dataSize());
    wave.read(data.data(), data.size());
    return data;
  }
};

// Sources made by sox in the encodings the wave components decode; the
// output holds exactly as many frames as stepping through the decoded
// source gives.
TEST_F(StepFixture, EveryDecodedEncodingGivesTheExactLength) {
  testsupport::requireTool("sox");
  const std::vector<std::string> encodings = {
      "-r 44100 -c 2 -b 16 -e signed-integer", "-r 22050 -c 1 -b 24 -e signed-integer",
      "-r 48000 -c 2 -b 32 -e floating-point", "-r 8000 -c 1 -b 8 -e unsigned-integer",
      "-r 8000 -c 1 -e u-law",                 "-r 11025 -c 1 -e a-law",
      "-r 8000 -c 1 -e ima-adpcm",             "-r 22050 -c 2 -e ms-adpcm",
      "-r 8000 -c 1 -e gsm-full-rate"};
  int n = 0;
  for (const std::string &encoding : encodings) {
    const std::string source = path("in" + std::to_string(++n) + ".wav"), target = path("out.wav");
    ASSERT_TRUE(runCommand("sox -n " + encoding + " '" + source + "' synth 1.37 sine 300").ok()) << encoding;
    components::WaveDecoder decoder;
    ASSERT_TRUE(decoder.open(source)) << encoding;
    const uint64_t expected = FrameConverter::targetFrames(decoder.frames(), decoder.sampleRate(), 8000);
    decoder.close();

    std::string error;
    ASSERT_TRUE(voice::ConvertWaveToWave(ui, source, target, PcmTarget{}, shown, &error)) << encoding << ": " << error;
    EXPECT_EQ(convertedData(target).size(), expected * 2) << encoding;
  }
}

// 6145 frames at 44100 Hz: chunks of 2048 frames leave a last chunk of one
// frame that yields no frame at 8000 Hz, which is no failure.
TEST_F(StepFixture, ALastChunkThatYieldsNoFrameIsNoFailure) {
  const size_t frames = 3 * 2048 + 1;
  Bytes data(frames * 2);
  for (size_t i = 0; i < frames; ++i) data[2 * i] = static_cast<uint8_t>(i);
  writeFile(path("in.wav"), pcmWav(data, 1, 44100));
  ASSERT_EQ(FrameConverter::targetFrames(frames, 44100, 8000), 1115u);
  std::string error;
  ASSERT_TRUE(voice::ConvertWaveToWave(ui, path("in.wav"), path("out.wav"), PcmTarget{}, shown, &error)) << error;
  EXPECT_EQ(convertedData(path("out.wav")).size(), 1115u * 2);
}

TEST_F(StepFixture, ShowsItsOwnTitleAndLinesAndPutsTheOldOnesBack) {
  writeFile(path("in.wav"), pcmWav(Bytes(44100 * 2), 1, 44100));
  ASSERT_TRUE(voice::ConvertWaveToWave(ui, path("in.wav"), path("in.wav.tmp"), PcmTarget{}, shown));
  auto at = [&](const std::string &event) {
    return std::find(ui.events.begin(), ui.events.end(), event) - ui.events.begin();
  };
  const auto stepTitle = at("title:[FE_wav_msg6]"), stepLines = at("lines:" + dir.path().string() + "|in.wav -> in.wav.tmp");
  const auto oldTitle = at("title:Converting"), oldLines = at("lines:/music|song.wav");
  ASSERT_LT(stepTitle, static_cast<long>(ui.events.size())) << testing::PrintToString(ui.events);
  EXPECT_LT(stepLines, oldTitle);
  EXPECT_LT(stepTitle, oldTitle);
  EXPECT_EQ(oldLines, static_cast<long>(ui.events.size()) - 1);
  EXPECT_EQ(ui.lastCurrent, 100);
}

TEST_F(StepFixture, CancelAndBrokenSourcesRemoveTheTarget) {
  writeFile(path("long.wav"), pcmWav(Bytes(44100 * 2 * 4), 2, 44100));
  ui.cancelAtPump = 3;
  std::string error = "untouched";
  EXPECT_FALSE(voice::ConvertWaveToWave(ui, path("long.wav"), path("out.wav"), PcmTarget{}, shown, &error));
  EXPECT_TRUE(ui.cancelRequested());
  EXPECT_EQ(error, "untouched");  // a cancel is no failure
  EXPECT_FALSE(exists(path("out.wav")));

  ui.clearCancel();
  ui.cancelAtPump = 0;
  writeFile(path("notwave.wav"), Bytes{'n', 'o', 'p', 'e'});
  error.clear();
  EXPECT_FALSE(voice::ConvertWaveToWave(ui, path("notwave.wav"), path("out.wav"), PcmTarget{}, shown, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(exists(path("out.wav")));
  EXPECT_FALSE(voice::ConvertWaveToWave(ui, path("long.wav"), path("no/such/folder/out.wav"), PcmTarget{}, shown));
}

}  // namespace
