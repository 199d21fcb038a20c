#include <gtest/gtest.h>

#include <vector>

#include "WavSource.h"
#include "support/Fixtures.h"

using namespace fixtures;
using sonavel::WavSource;

namespace {

// A file of `dataBytes` zero bytes behind a canonical 44-byte header.
void writeCanonical(const fs::path &path, const Pcm &f, uint32_t dataBytes) {
  writeWav(path, f, std::vector<uint8_t>(dataBytes, f.bits == 8 ? 128 : 0));
}

}  // namespace

TEST(WavSource, OpenFillsTheFormatAndTotalTime) {
  TempDir dir;
  struct Case {
    Pcm format;
    uint32_t dataBytes;
    uint32_t totalMs;
  } cases[] = {
      {{2, 44100, 16}, 1764000, 10000},
      {{1, 8000, 8}, 80000, 9950},  // 8-bit files report 50 ms less
      {{1, 22050, 16}, 44100, 1000},
      {{1, 8000, 8}, 200, 0},  // 25 ms less 50 would go below zero
  };
  for (const auto &c : cases) {
    fs::path path = dir / "case.wav";
    writeCanonical(path, c.format, c.dataBytes);
    WavSource source;
    SonavelWaveFormat format{};
    ASSERT_EQ(source.open(path.c_str(), format), 1);
    EXPECT_EQ(source.totalTime(), c.totalMs) << c.format.rate << " Hz " << c.format.bits << " bit";
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, c.format.channels);
    EXPECT_EQ(format.samplesPerSec, c.format.rate);
    EXPECT_EQ(format.bitsPerSample, c.format.bits);
    EXPECT_EQ(format.blockAlign, c.format.align());
    EXPECT_EQ(format.avgBytesPerSec, c.format.align() * c.format.rate);
    EXPECT_EQ(format.extraSize, 0);
    EXPECT_EQ(source.sampleRate(), c.format.rate);
  }
}

TEST(WavSource, ReadsFromTheDataChunkWhateverTheHeaderLength) {
  // An 18-byte "fmt " chunk (the engine's own WAV files) and a LIST chunk
  // before the data move the data away from byte 44; a chunk after the data
  // is not audio.
  TempDir dir;
  Pcm f{2, 44100, 16};
  auto data = rampPcm(f, 1000);
  struct Case {
    const char *name;
    WavLayout layout;
    uint64_t dataStart;
  } cases[] = {
      {"canonical", {}, 44},
      {"fmt18", {18, {}, {}}, 46},
      {"list", {16, {{"LIST", std::vector<uint8_t>(27, 'x')}}, {{"id3 ", std::vector<uint8_t>(64, 0xFF)}}}, 44 + 8 + 28},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    fs::path path = dir / (std::string(c.name) + ".wav");
    writeWav(path, f, data, c.layout);
    WavSource source;
    SonavelWaveFormat format{};
    ASSERT_EQ(source.open(path.c_str(), format), 1);
    EXPECT_EQ(source.dataStart(), c.dataStart);
    EXPECT_EQ(source.dataSize(), data.size());
    std::vector<uint8_t> got(data.size() + 500);
    EXPECT_EQ(source.read(got.data(), int32_t(got.size())), int32_t(data.size()));
    got.resize(data.size());
    EXPECT_EQ(got, data);
    EXPECT_EQ(source.read(got.data(), 10), 0);
    EXPECT_EQ(source.position(1), 1000u);
  }
}

TEST(WavSource, AFileThatIsNotRiffIsReadFromByte44) {
  TempDir dir;
  // Header fields at their canonical offsets, no RIFF signature.
  std::vector<uint8_t> file(44, 0);
  file[22] = 1;                    // channels
  file[24] = 0x40, file[25] = 0x1F; // 8000 Hz
  file[34] = 8;                    // bits
  for (int k = 0; k < 8000; ++k) file.push_back(uint8_t(k));
  writeFile(dir / "raw.wav", file);
  WavSource source;
  SonavelWaveFormat format{};
  ASSERT_EQ(source.open((dir / "raw.wav").c_str(), format), 1);
  EXPECT_EQ(format.samplesPerSec, 8000u);
  EXPECT_EQ(source.totalTime(), 950u);
  uint8_t first[4];
  ASSERT_EQ(source.read(first, 4), 4);
  EXPECT_EQ(first[3], 3);
}

TEST(WavSource, SeekAndPositionInBothUnits) {
  TempDir dir;
  Pcm f{2, 44100, 16};
  fs::path path = dir / "ten.wav";
  writeCanonical(path, f, 1764000);
  WavSource source;
  SonavelWaveFormat format{};
  ASSERT_EQ(source.open(path.c_str(), format), 1);
  struct Case {
    uint32_t value;
    int32_t unit;
    uint64_t fileOffset;
  } cases[] = {
      {500, 0, 88244},          // 500 ms
      {22050, 1, 88244},        // the same in sample frames
      {1, 0, 44 + 176},         // 176.4 bytes, down to a whole frame
      {10001, 0, 44 + 1764000}, // past the end: at the end
      {0, 0, 44},
  };
  for (const auto &c : cases) {
    source.seek(c.value, c.unit);
    uint64_t p = c.fileOffset - 44;
    EXPECT_EQ(source.position(1), p / 4) << c.value << " unit " << c.unit;
    EXPECT_EQ(source.position(0), p * 1000 / 176400) << c.value << " unit " << c.unit;
  }
}

TEST(WavSource, RefusesWhatItCannotPlay) {
  TempDir dir;
  std::vector<uint8_t> riffNoData = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
  writeFile(dir / "nodata.wav", riffNoData);
  writeFile(dir / "short.wav", {1, 2, 3});
  std::vector<uint8_t> zeros(100, 0);  // not RIFF: channels and rate 0
  writeFile(dir / "zeros.wav", zeros);
  // A compressed format tag.
  std::vector<uint8_t> adpcm;
  writeWav(dir / "adpcm.wav", {1, 8000, 16}, std::vector<uint8_t>(100));
  adpcm = readFile(dir / "adpcm.wav");
  adpcm[20] = 2;
  writeFile(dir / "adpcm.wav", adpcm);
  for (const char *name : {"missing.wav", "nodata.wav", "short.wav", "zeros.wav", "adpcm.wav"}) {
    WavSource source;
    SonavelWaveFormat format{};
    format.samplesPerSec = 1234;
    EXPECT_EQ(source.open((dir / name).c_str(), format), 0) << name;
    EXPECT_EQ(format.samplesPerSec, 1234u) << name;  // untouched
    uint8_t b[4];
    EXPECT_EQ(source.read(b, 4), 0);
  }
}

TEST(WavSource, ADataChunkLongerThanTheFileEndsAtTheFileEnd) {
  TempDir dir;
  Pcm f{1, 8000, 16};
  writeWav(dir / "cut.wav", f, rampPcm(f, 100));
  auto bytes = readFile(dir / "cut.wav");
  bytes[40] = 0xFF, bytes[41] = 0xFF, bytes[42] = 0xFF, bytes[43] = 0xFF;  // a writer that never closed the file
  writeFile(dir / "cut.wav", bytes);
  WavSource source;
  SonavelWaveFormat format{};
  ASSERT_EQ(source.open((dir / "cut.wav").c_str(), format), 1);
  EXPECT_EQ(source.dataSize(), 200u);
  std::vector<uint8_t> got(1000);
  EXPECT_EQ(source.read(got.data(), 1000), 200);
}
