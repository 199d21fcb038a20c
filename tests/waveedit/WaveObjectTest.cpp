// The wave object: opening, cut-skipping reads and rendering.
#include <gtest/gtest.h>

#include <filesystem>

#include "WaveFixtures.h"
#include "components/waveedit/FormatNames.h"
#include "components/waveedit/ListEdits.h"
#include "components/waveedit/WaveObject.h"
#include "components/waveedit/WaveWriter.h"
#include "components/wavefile/WaveFile.h"

using namespace components;
using namespace waveedit_test;
namespace fs = std::filesystem;

namespace {

// The samples and format of a WAV file, read back through the wave-file component.
std::vector<int16_t> samplesOf(const fs::path &path, WaveFormat *format = nullptr) {
  WaveFile file;
  std::string why;
  EXPECT_TRUE(file.open(path.string(), &why)) << why;
  if (format) *format = file.format();
  std::vector<int16_t> out(file.dataSize() / 2);
  std::vector<uint8_t> bytes(file.dataSize());
  file.read(bytes.data(), bytes.size());
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return out;
}

// Every sample of [start, end) outside the cut regions, as playback and rendering take them.
std::vector<int16_t> expectedPlay(const std::vector<int16_t> &all, const CutList &cuts, int64_t start, int64_t end) {
  std::vector<int16_t> out;
  for (int64_t i = start; i < end; ++i)
    if (skipCuts(cuts, i) == i) out.push_back(all[static_cast<size_t>(i)]);
  return out;
}

class WaveObjectTest : public ::testing::Test {
 protected:
  fs::path wav(const std::string &name, const WavSpec &spec, const std::vector<int16_t> &samples) {
    fs::path p = dir / name;
    writeFile(p, wavBytes(spec, samples));
    return p;
  }
  ScratchDir dir;
};

TEST_F(WaveObjectTest, OpenTellsWhatKindOfFileItIs) {
  struct Case {
    const char *name;
    std::string bytes;
    WaveOpen result;
    int64_t samples;
    const char *formatName;
  };
  WavSpec mono;
  WavSpec list = mono;
  list.listBeforeData = true;
  WavSpec longHeader = mono;
  longHeader.dataSizeDelta = 1000;
  WavSpec stereo{1, 2, 22050, 16};
  WavSpec eightBit{1, 1, 8000, 8};
  WavSpec gsm{49, 1, 8000, 0, 65};
  WavSpec cd{1, 1, 44100, 16};
  WavSpec extensible{0xFFFE, 1, 11025, 16, 0, 1};
  WavSpec extensibleAlaw{0xFFFE, 1, 8000, 8, 0, 6};
  std::string good = wavBytes(mono, ramp(20));
  Case cases[] = {
      {"mono", good, WaveOpen::Ok, 20, "[8K/16Bit]"},
      {"list", wavBytes(list, ramp(20)), WaveOpen::Ok, 20, "[8K/16Bit]"},
      {"extensible", wavBytes(extensible, ramp(20)), WaveOpen::Ok, 20, "[11K/16Bit]"},
      {"empty data", wavBytes(mono, {}), WaveOpen::NoAudio, 0, "[8K/16Bit]"},
      {"stereo", wavBytes(stereo, ramp(20)), WaveOpen::Unsupported, 20, "[STEREO/22K/16Bit]"},
      {"8 bit", wavBytes(eightBit, ramp(20)), WaveOpen::Unsupported, 20, "[8K/8Bit]"},
      {"gsm", wavBytes(gsm, ramp(65)), WaveOpen::Unsupported, 65, "GSM610"},
      {"44.1 kHz", wavBytes(cd, ramp(20)), WaveOpen::Unsupported, 20, "[44K/16Bit]"},
      {"extensible a-law", wavBytes(extensibleAlaw, ramp(20)), WaveOpen::Unsupported, 20, "ALAW"},
      {"header longer than the file", wavBytes(longHeader, ramp(20)), WaveOpen::CannotRead, 0, ""},
      {"cut in the header", good.substr(0, 30), WaveOpen::CannotRead, 0, ""},
      {"not RIFF", "RIFX" + good.substr(4), WaveOpen::CannotRead, 0, ""},
      {"empty file", "", WaveOpen::CannotRead, 0, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fs::path p = dir / "case.wav";
    writeFile(p, c.bytes);
    WaveObject wave;
    std::string why;
    EXPECT_EQ(wave.open(p, FormatRule::Editor, &why), c.result);
    EXPECT_EQ(wave.isOpen(), c.result == WaveOpen::Ok);
    if (c.result == WaveOpen::CannotRead) {
      EXPECT_FALSE(why.empty());
      continue;
    }
    EXPECT_EQ(wave.dataSamples(), c.samples);
    EXPECT_EQ(wave.fileSize(), c.bytes.size());
    EXPECT_EQ(get_format(wave.format()), c.formatName);
  }
  WaveObject wave;
  EXPECT_EQ(wave.open(dir / "missing.wav"), WaveOpen::CannotRead);
  EXPECT_EQ(wave.open(dir.path()), WaveOpen::CannotRead);  // a folder
  EXPECT_EQ(wave.open(wav("cd.wav", cd, ramp(20)), FormatRule::AnyRate), WaveOpen::Ok);
  EXPECT_EQ(wave.format().avgBytesPerSec, 88200u);
}

TEST_F(WaveObjectTest, ReadsSkipCutRegionsAndStopAtTheEnd) {
  std::vector<int16_t> all = ramp(20, 100);
  WaveObject wave;
  WavSpec list;
  list.listBeforeData = true;  // the data does not follow the format block
  ASSERT_EQ(wave.open(wav("a.wav", list, all)), WaveOpen::Ok);
  CutList cuts{{3, 2, 0}, {5, 1, 0}, {10, 4, 0}};
  wave.attachCuts(&cuts);
  wave.setRange(1, 18);
  EXPECT_EQ(wave.firstPlayable(), 1);
  EXPECT_EQ(wave.playableLength(), 10);
  std::vector<int16_t> got, block(4);
  size_t n;
  while ((n = wave.read(block.data(), block.size())) > 0) got.insert(got.end(), block.begin(), block.begin() + n);
  EXPECT_EQ(got, (std::vector<int16_t>{100, 200, 600, 700, 800, 900, 1400, 1500, 1600, 1700}));
  EXPECT_FALSE(wave.failed());
  EXPECT_EQ(wave.position(), 17);  // counted from start

  struct Map {
    int64_t position, playable;
  } maps[] = {{0, 1}, {1, 1}, {3, 6}, {5, 6}, {7, 7}, {11, 14}, {17, 17}, {18, 1}, {-4, 1}};
  for (auto m : maps) EXPECT_EQ(wave.playablePosition(m.position), m.playable) << m.position;
  EXPECT_EQ(wave.positionAfter(1, 2), 6);
  EXPECT_EQ(wave.positionAfter(1, 6), 14);
  EXPECT_EQ(wave.positionAfter(1, 500), 18);
  EXPECT_EQ(wave.playedBetween(1, 14), 6);
  EXPECT_EQ(wave.playedBetween(-10, 100), 10);

  wave.setPosition(2);  // inside the first region: reading goes on after it
  ASSERT_EQ(wave.read(block.data(), 1), 1u);
  EXPECT_EQ(block[0], 600);

  wave.setRange(-5, 500);
  EXPECT_EQ(wave.start(), 0);
  EXPECT_EQ(wave.end(), 20);
  wave.setRange(15, 10);
  EXPECT_EQ(wave.end(), 15);
}

TEST_F(WaveObjectTest, ReadsAcrossIoBufferBlocks) {
  std::vector<int16_t> all = ramp(130001, 7);
  WaveObject wave;
  ASSERT_EQ(wave.open(wav("big.wav", {}, all)), WaveOpen::Ok);
  CutList cuts{{49990, 20, 0}, {100000, 1, 0}, {129000, 1001, 0}};
  wave.attachCuts(&cuts);
  std::vector<int16_t> got(all.size());
  size_t n = wave.read(got.data(), got.size());
  got.resize(n);
  EXPECT_EQ(got, expectedPlay(all, cuts, 0, 130001));

  // A file that shrinks after opening gives a read error, not silence.
  fs::resize_file(wave.fileName(), 1000);
  wave.setPosition(0);
  EXPECT_EQ(wave.read(got.data(), got.size()), 0u);
  EXPECT_TRUE(wave.failed());
}

// 20 samples; cut 4..6; envelope 0 at 0, unity from 8 to 12, twice unity at 20;
// range 2..18. Each output sample worked out by hand.
TEST_F(WaveObjectTest, RenderLeavesCutsOutAndAppliesTheEnvelope) {
  std::vector<int16_t> in(20, 1000);
  in[2] = -3;      // x 0.25 = -0.75, rounds to -1
  in[3] = 3;       // x 0.375 = 1.125, rounds to 1
  in[16] = 30000;  // x 1.5 saturates
  in[17] = -30000;
  WaveObject wave;
  ASSERT_EQ(wave.open(wav("src.wav", {}, in)), WaveOpen::Ok);
  CutList cuts{{4, 3, 0}};
  VolumeEnvelope env{{0, 0}, {8, kUnityVolume}, {12, kUnityVolume}, {20, 2 * kUnityVolume}};
  MarkerList markers{Marker{}};
  wave.attachCuts(&cuts);
  wave.attachEnvelope(&env);
  wave.attachMarkers(&markers);
  wave.setRange(2, 18);
  std::vector<std::pair<uint64_t, uint64_t>> reports;
  RenderOptions options;
  options.progress = [&](uint64_t done, uint64_t total) {
    reports.emplace_back(done, total);
    return true;
  };
  std::string why;
  ASSERT_EQ(wave.render(dir / "out.wav", options, &why), RenderResult::Ok) << why;
  WaveFormat format;
  EXPECT_EQ(samplesOf(dir / "out.wav", &format),
            (std::vector<int16_t>{-1, 1, 875, 1000, 1000, 1000, 1000, 1000, 1125, 1250, 1375, 32767, -32768}));
  EXPECT_EQ(format, WaveFormat::pcm(1, 8000, 16));
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front(), std::make_pair(uint64_t{0}, uint64_t{26}));
  EXPECT_EQ(reports.back(), std::make_pair(uint64_t{26}, uint64_t{26}));

  // Without cuts and envelope: the range as it stands.
  options.skipCuts = false;
  options.applyEnvelope = false;
  ASSERT_EQ(wave.render(dir / "plain.wav", options), RenderResult::Ok);
  EXPECT_EQ(samplesOf(dir / "plain.wav"), std::vector<int16_t>(in.begin() + 2, in.begin() + 18));
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"out.wav", "plain.wav", "src.wav"}));
}

TEST_F(WaveObjectTest, RenderOfManyBlocksMatchesTheReads) {
  std::vector<int16_t> all = ramp(160000, 3);
  WaveObject wave;
  ASSERT_EQ(wave.open(wav("src.wav", {}, all)), WaveOpen::Ok);
  CutList cuts{{10, 49995, 0}, {50005, 10, 0}, {99990, 20, 0}, {150000, 5, 0}};
  VolumeEnvelope env = unityEnvelope(160000);
  wave.attachCuts(&cuts);
  wave.attachEnvelope(&env);
  int calls = 0;
  RenderOptions options;
  options.progress = [&](uint64_t, uint64_t) { return ++calls > 0; };
  ASSERT_EQ(wave.render(dir / "out.wav", options), RenderResult::Ok);
  EXPECT_EQ(samplesOf(dir / "out.wav"), expectedPlay(all, cuts, 0, 160000));
  EXPECT_GE(calls, 4);
}

TEST_F(WaveObjectTest, CancelOrFailureLeavesTheOldTargetAndNoTemporaryFile) {
  WaveObject wave;
  ASSERT_EQ(wave.open(wav("src.wav", {}, ramp(120000))), WaveOpen::Ok);
  fs::path target = dir / "target.wav";
  writeFile(target, "old contents");

  RenderOptions cancel;
  int calls = 0;
  cancel.progress = [&](uint64_t, uint64_t) { return ++calls < 2; };  // cancels after the first block
  EXPECT_EQ(wave.render(target, cancel), RenderResult::Cancelled);

  RenderOptions full;
  full.freeSpace = [](const fs::path &) { return std::optional<uint64_t>(150000); };
  std::string why;
  EXPECT_EQ(wave.render(target, full, &why), RenderResult::Failed);
  EXPECT_NE(why.find("space"), std::string::npos) << why;

  fs::resize_file(dir / "src.wav", 5000);  // the source shrinks after opening
  EXPECT_EQ(wave.render(target), RenderResult::Failed);

  EXPECT_EQ(readFile(target), "old contents");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"src.wav", "target.wav"}));
  EXPECT_EQ(wave.render(dir / "no folder" / "x.wav"), RenderResult::Failed);
}

TEST_F(WaveObjectTest, RenderRefusesItsOwnFileByAnyPath) {
  fs::path src = wav("src.wav", {}, ramp(20));
  std::string before = readFile(src);
  fs::create_directory(dir / "sub");
  fs::create_symlink(src, dir / "link.wav");
  WaveObject wave;
  ASSERT_EQ(wave.open(src), WaveOpen::Ok);
  for (const fs::path &target : {src, dir / "link.wav", dir / "sub" / ".." / "src.wav"}) {
    std::string why;
    EXPECT_EQ(wave.render(target, {}, &why), RenderResult::RefusedSource) << target;
    EXPECT_FALSE(why.empty());
  }
  EXPECT_EQ(readFile(src), before);
  EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"link.wav", "src.wav", "sub"}));
}

TEST_F(WaveObjectTest, RenderThroughALinkWritesTheFileItNames) {
  WaveObject wave;
  ASSERT_EQ(wave.open(wav("src.wav", {}, ramp(20))), WaveOpen::Ok);
  writeFile(dir / "real.wav", "old");
  fs::create_symlink(dir / "real.wav", dir / "link.wav");
  ASSERT_EQ(wave.render(dir / "link.wav"), RenderResult::Ok);
  EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
  EXPECT_EQ(samplesOf(dir / "real.wav"), ramp(20));
}

TEST_F(WaveObjectTest, WriterMakesAnEmptyWaveAndAppendsToIt) {
  fs::path target = dir / "new.wav";
  {
    WaveWriter writer;
    ASSERT_TRUE(writer.create(target, WaveFormat::pcm(1, 11025, 16)));
    EXPECT_FALSE(fs::exists(target));  // not before it is complete
    ASSERT_TRUE(writer.commit());
  }
  WaveObject wave;
  EXPECT_EQ(wave.open(target), WaveOpen::NoAudio);
  EXPECT_EQ(wave.format(), WaveFormat::pcm(1, 11025, 16));

  {
    WaveWriter writer;
    ASSERT_TRUE(writer.create(target, WaveFormat::pcm(1, 8000, 16)));
    std::vector<int16_t> a = ramp(10), b{-1, -32768, 32767};
    ASSERT_TRUE(writer.appendSamples(a.data(), a.size()));
    ASSERT_TRUE(writer.appendSamples(b.data(), b.size()));
    EXPECT_EQ(writer.bytesWritten(), 26u);
    ASSERT_TRUE(writer.commit());
  }
  EXPECT_EQ(samplesOf(target), (std::vector<int16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1, -32768, 32767}));

  {
    WaveWriter writer;  // dropped uncommitted: nothing is left of it
    ASSERT_TRUE(writer.create(dir / "dropped.wav", WaveFormat::pcm(1, 8000, 16)));
    int16_t s = 5;
    ASSERT_TRUE(writer.appendSamples(&s, 1));
  }
  WaveWriter refused;
  EXPECT_FALSE(refused.create(dir / "gsm.wav", WaveFormat{49, 1, 8000, 1625, 65, 0, 0}));
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"new.wav"}));
}

}  // namespace
