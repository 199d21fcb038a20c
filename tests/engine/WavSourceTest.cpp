#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
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

// Little-endian bytes of stored samples.
template <class T>
void put(std::vector<uint8_t> &out, T v, int bytes = sizeof(T)) {
  uint8_t raw[sizeof(T)];
  std::memcpy(raw, &v, sizeof(T));
  out.insert(out.end(), raw, raw + bytes);
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

TEST(WavSource, WideAndFloatSamplesAreDeliveredAs16Bit) {
  // Integers keep their top 16 bits; floats are clipped to -1 .. 1, scaled
  // by 32767 and rounded, and NaN is silence.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> floats = {1.0f, -1.0f, 0.25f, -0.25f, 2.0f, -3.0f, nan, 1e-6f, 0.7f / 32767};
  const std::vector<int16_t> fromFloats = {32767, -32767, 8192, -8192, 32767, -32767, 0, 0, 1};
  std::vector<uint8_t> i24, i32, f32, f64;
  for (int32_t v : {0x7FFFFF, -0x800000, 0x000100, 0x0000FF, -1, 0x123456, -0x123456}) put(i24, v, 3);
  for (int32_t v : {0x7FFFFFFF, std::numeric_limits<int32_t>::min(), 0x10000, 0xFFFF, -1, 0x12345678, -0x12345678})
    put(i32, v);
  for (float v : floats) put(f32, v), put(f64, double(v));
  const std::vector<int16_t> fromIntegers = {32767, -32768, 1, 0, -1, 0x1234, -0x1235};
  struct Case {
    const char *what;
    uint16_t bits, tag, subFormat;
    const std::vector<uint8_t> &stored;
    const std::vector<int16_t> &expected;
  } cases[] = {
      {"24-bit", 24, 1, 0, i24, fromIntegers},
      {"32-bit", 32, 1, 0, i32, fromIntegers},
      {"32-bit float", 32, 3, 0, f32, fromFloats},
      {"64-bit float", 64, 3, 0, f64, fromFloats},
      {"extensible 24-bit", 24, 0xFFFE, 1, i24, fromIntegers},
      {"extensible 32-bit float", 32, 0xFFFE, 3, f32, fromFloats},
  };
  TempDir dir;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    fs::path path = dir / "wide.wav";
    WavLayout layout;
    layout.formatTag = c.tag;
    layout.subFormat = c.subFormat;
    writeWav(path, {1, 8000, c.bits}, c.stored, layout);
    WavSource source;
    SonavelWaveFormat format{};
    ASSERT_EQ(source.open(path.c_str(), format), 1);
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.samplesPerSec, 8000u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.blockAlign, 2);
    EXPECT_EQ(format.avgBytesPerSec, 16000u);
    std::vector<uint8_t> got(100);
    ASSERT_EQ(source.read(got.data(), 100), int32_t(c.expected.size() * 2));
    for (size_t k = 0; k < c.expected.size(); ++k) EXPECT_EQ(sample16(got, 2 * k), c.expected[k]) << k;
    EXPECT_EQ(source.position(1), c.expected.size());
    EXPECT_EQ(source.read(got.data(), 100), 0);
  }
}

TEST(WavSource, WideFilesSeekAndCountInTheirOwnFrames) {
  TempDir dir;
  for (auto [bits, isFloat] : {std::pair<uint16_t, bool>{24, false}, {32, false}, {32, true}, {64, true}}) {
    SCOPED_TRACE(testing::Message() << bits << (isFloat ? " float" : " bit"));
    Pcm stored{2, 44100, bits};
    fs::path path = dir / "ramp.wav";
    writeWav(path, stored, wideRampPcm(stored, 44100, isFloat), {16, {}, {}, uint16_t(isFloat ? 3 : 1), 0});
    WavSource source;
    SonavelWaveFormat format{};
    ASSERT_EQ(source.open(path.c_str(), format), 1);
    EXPECT_EQ(format.avgBytesPerSec, 176400u);
    EXPECT_EQ(source.totalTime(), 1000u);
    EXPECT_EQ(source.dataSize(), 44100u * stored.align());
    source.seek(500, 0);
    EXPECT_EQ(source.position(1), 22050u);
    EXPECT_EQ(source.position(0), 500u);
    std::vector<uint8_t> got(4 * 1000 + 3);  // whole frames only
    ASSERT_EQ(source.read(got.data(), int32_t(got.size())), 4000);
    got.resize(4000);
    auto ramp = rampPcm({2, 44100, 16}, 23050);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), ramp.begin() + 22050 * 4));
    EXPECT_EQ(source.position(1), 23050u);
    source.seek(44000, 1);
    EXPECT_EQ(source.read(got.data(), 4000), 400);  // the last 100 frames
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
  // Formats the engine cannot play and does not convert.
  writeWav(dir / "three.wav", {3, 8000, 16}, std::vector<uint8_t>(600));
  writeWav(dir / "twelve.wav", {1, 8000, 12}, std::vector<uint8_t>(100));
  writeWav(dir / "float16.wav", {1, 8000, 16}, std::vector<uint8_t>(100), {16, {}, {}, 3, 0});
  writeWav(dir / "float8.wav", {1, 8000, 8}, std::vector<uint8_t>(100), {16, {}, {}, 3, 0});
  writeWav(dir / "xadpcm.wav", {1, 8000, 16}, std::vector<uint8_t>(100), {16, {}, {}, 0xFFFE, 2});
  writeWav(dir / "xfloat24.wav", {1, 8000, 24}, std::vector<uint8_t>(99), {16, {}, {}, 0xFFFE, 3});
  for (const char *name : {"missing.wav", "nodata.wav", "short.wav", "zeros.wav", "adpcm.wav", "three.wav",
                           "twelve.wav", "float16.wav", "float8.wav", "xadpcm.wav", "xfloat24.wav"}) {
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
