// The wave-file component: finding the chunks of odd and damaged WAV files,
// reading sample bytes, and writing PCM files with their chunk sizes.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <string>

#include "Fixtures.h"
#include "components/wavefile/WaveFile.h"

namespace {

using namespace fixtures;
using components::WaveFile;
using components::WaveFileError;
using components::WaveFormat;

Bytes sampleBytes(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 37 + 1);
  return b;
}

TEST(WaveFileOpen, FindsChunksWhereverTheyStand) {
  const Bytes data = sampleBytes(101);
  Bytes fmt18 = pcmFormat(1, 8000, 16);
  fmt18.insert(fmt18.end(), {0, 0});  // cbSize
  Bytes extensible = pcmFormat(2, 44100, 24, 0xFFFE);
  putLe16(extensible, 22);            // cbSize
  putLe16(extensible, 24);            // valid bits
  putLe32(extensible, 3);             // channel mask
  putLe16(extensible, 1);             // sub-format GUID: PCM ...
  extensible.insert(extensible.end(), {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
  Bytes gsm = pcmFormat(1, 8000, 0, 49);
  gsm.insert(gsm.end(), {2, 0, 0x40, 0x01});

  struct Case {
    const char *name;
    Bytes file;
    WaveFormat format;
  } cases[] = {
      {"canonical", pcmWav(data), WaveFormat::pcm(1, 8000, 16)},
      {"LIST and an odd chunk first", riff({chunk("LIST", sampleBytes(9)), chunk("fmt ", pcmFormat(1, 8000, 16)),
                                            chunk("junk", sampleBytes(3)), chunk("data", data)}),
       WaveFormat::pcm(1, 8000, 16)},
      {"data before fmt", riff({chunk("data", data), chunk("fmt ", pcmFormat(2, 22050, 8))}),
       WaveFormat::pcm(2, 22050, 8)},
      {"18-byte format block", riff({chunk("fmt ", fmt18), chunk("data", data)}), WaveFormat::pcm(1, 8000, 16)},
      {"wrong RIFF size", [&] {
         Bytes f = pcmWav(data);
         f[4] = f[5] = f[6] = f[7] = 0xFF;
         return f;
       }(),
       WaveFormat::pcm(1, 8000, 16)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir / "a.wav", c.file);
    WaveFile wave;
    std::string error;
    ASSERT_TRUE(wave.open((dir / "a.wav").string(), &error)) << error;
    EXPECT_EQ(wave.format(), c.format);
    EXPECT_TRUE(wave.format().isPcm());
    ASSERT_EQ(wave.dataSize(), data.size());
    Bytes got(data.size() + 10);
    EXPECT_EQ(wave.read(got.data(), 60), 60u);
    EXPECT_EQ(wave.read(got.data() + 60, 100), 41u);
    EXPECT_EQ(wave.read(got.data(), 100), 0u);
    got.resize(data.size());
    EXPECT_EQ(got, data);
  }

  // Formats other than PCM open and keep their raw tag.
  TempDir dir;
  writeFile(dir / "x.wav", riff({chunk("fmt ", extensible), chunk("data", data)}));
  WaveFile wave;
  ASSERT_TRUE(wave.open((dir / "x.wav").string()));
  EXPECT_EQ(wave.format().formatTag, 0xFFFE);
  EXPECT_TRUE(wave.format().isPcm(24, 2, 44100));
  writeFile(dir / "g.wav", riff({chunk("fmt ", gsm), chunk("fact", {0, 1, 0, 0}), chunk("data", data)}));
  ASSERT_TRUE(wave.open((dir / "g.wav").string()));
  EXPECT_EQ(wave.format().formatTag, components::kWaveFormatGsm610);
  EXPECT_FALSE(wave.format().isPcm());
  EXPECT_EQ(wave.dataSize(), data.size());
}

TEST(WaveFileOpen, RefusesDamagedFilesWithAReason) {
  const Bytes good = pcmWav(sampleBytes(64));
  struct Case {
    const char *name;
    Bytes file;
    const char *reason;
  } cases[] = {
      {"empty", {}, "empty"},
      {"ten bytes", Bytes(good.begin(), good.begin() + 10), "too short"},
      {"chunk header cut", Bytes(good.begin(), good.begin() + 16), "truncated"},
      {"format chunk cut", Bytes(good.begin(), good.begin() + 30), "cut off"},
      {"no data chunk", Bytes(good.begin(), good.begin() + 36), "no data chunk"},
      {"data longer than the file", Bytes(good.begin(), good.end() - 1), "longer than the file"},
      {"format block too short", riff({chunk("fmt ", Bytes(14, 1)), chunk("data", sampleBytes(4))}), "too short"},
      {"no channels", riff({chunk("fmt ", pcmFormat(0, 8000, 16)), chunk("data", sampleBytes(4))}), "no channels"},
      {"junk runs past the end", riff({chunk("junk", sampleBytes(4), 5000)}), "truncated"},
      {"only data", riff({chunk("data", sampleBytes(4))}), "no format chunk"},
      {"not RIFF", Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not a RIFF WAVE"},
      {"RIFF but not WAVE", [] {
         Bytes f = pcmWav(sampleBytes(4));
         f[8] = 'A';
         return f;
       }(),
       "not a RIFF WAVE"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir / "bad.wav", c.file);
    WaveFile wave;
    std::string error;
    EXPECT_FALSE(wave.open((dir / "bad.wav").string(), &error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_FALSE(wave.isOpen());
  }
  WaveFile wave;
  std::string error;
  EXPECT_FALSE(wave.open("/nonexistent/a.wav", &error));
  EXPECT_FALSE(error.empty());
  TempDir dir;
  EXPECT_FALSE(wave.open((dir / "").string(), &error));  // a folder
}

TEST(WaveFileRead, AFileCutShortAfterOpeningThrows) {
  TempDir dir;
  writeFile(dir / "a.wav", pcmWav(sampleBytes(100000)));
  WaveFile wave;
  ASSERT_TRUE(wave.open((dir / "a.wav").string()));
  ASSERT_EQ(truncate((dir / "a.wav").string().c_str(), 44 + 50000), 0);
  Bytes buffer(8000);
  EXPECT_THROW(
      {
        while (wave.read(buffer.data(), buffer.size()) > 0) {
        }
      },
      WaveFileError);
  EXPECT_LT(wave.dataRead(), 100000u);
}

TEST(WaveFileWrite, WritesTheCanonicalFileWithItsSizes) {
  TempDir dir;
  const Bytes data = sampleBytes(3000);
  WaveFile wave;
  std::string error;
  ASSERT_TRUE(wave.create((dir / "o.wav").string(), WaveFormat::pcm(1, 8000, 16), &error)) << error;
  // Pieces that split sample frames are joined.
  size_t pos = 0;
  for (size_t piece : {3u, 5u, 1000u, 1u, 1991u}) {
    wave.append(data.data() + pos, piece);
    pos += piece;
  }
  ASSERT_EQ(pos, data.size());
  EXPECT_EQ(wave.dataWritten(), data.size());
  wave.close();
  EXPECT_EQ(readFile(dir / "o.wav"), pcmWav(data));

  // libsndfile reads it the same way.
  SF_INFO info{};
  SNDFILE *sf = sf_open((dir / "o.wav").string().c_str(), SFM_READ, &info);
  ASSERT_NE(sf, nullptr);
  EXPECT_EQ(info.frames, 1500);
  EXPECT_EQ(info.samplerate, 8000);
  sf_close(sf);
}

TEST(WaveFileWrite, OddDataGetsItsPadByteAndReadsBack) {
  TempDir dir;
  const Bytes data = sampleBytes(11);
  WaveFile wave;
  ASSERT_TRUE(wave.create((dir / "o.wav").string(), WaveFormat::pcm(1, 11025, 8)));
  wave.append(data.data(), data.size());
  wave.close();
  Bytes file = readFile(dir / "o.wav");
  EXPECT_EQ(file.size(), 44u + 12u);
  ASSERT_TRUE(wave.open((dir / "o.wav").string()));
  EXPECT_EQ(wave.format(), WaveFormat::pcm(1, 11025, 8));
  Bytes back(11);
  EXPECT_EQ(wave.read(back.data(), 20), 11u);
  EXPECT_EQ(back, data);
}

TEST(WaveFileWrite, RefusesWhatItCannotWrite) {
  TempDir dir;
  WaveFile wave;
  std::string error;
  WaveFormat gsm = WaveFormat::pcm(1, 8000, 16);
  gsm.formatTag = components::kWaveFormatGsm610;
  EXPECT_FALSE(wave.create((dir / "a.wav").string(), gsm, &error));
  EXPECT_FALSE(wave.create((dir / "b.wav").string(), WaveFormat::pcm(1, 8000, 12), &error));
  EXPECT_FALSE(wave.create((dir / "missing/c.wav").string(), WaveFormat::pcm(1, 8000, 16), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(wave.isOpen());
  EXPECT_THROW(wave.append("ab", 2), WaveFileError);
}

TEST(WaveFileWrite, ClosingByDestructionStillWritesTheSizes) {
  TempDir dir;
  const Bytes data = sampleBytes(160);
  {
    WaveFile wave;
    ASSERT_TRUE(wave.create((dir / "o.wav").string(), WaveFormat::pcm(1, 8000, 16)));
    wave.append(data.data(), data.size());
  }
  EXPECT_EQ(readFile(dir / "o.wav"), pcmWav(data));
}

}  // namespace
