// Encoding WAV files into voice files and back, with a stand-in codec whose
// output shows where every byte came from, and with the real codec where
// its state matters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>

#include "Fixtures.h"
#include "components/ScriptedJobUi.h"
#include "voice/G729Conversion.h"
#include "voice/VoiceHeader.h"

namespace {

using namespace fixtures;
using components::ScriptedJobUi;
using components::WaveFile;
using voice::G729Conversion;

// Encoding keeps the first byte of each 16-byte group; decoding repeats each
// coded byte 16 times. Grouped samples therefore survive a round trip whole.
class GroupCodec : public voice::Codec {
 public:
  int encodes = 0, decodes = 0;
  const uint8_t *encode(const uint8_t *pcm) override {
    ++encodes;
    for (size_t i = 0; i < voice::kCodedBlockBytes; ++i) coded_[i] = pcm[16 * i];
    return coded_;
  }
  const uint8_t *decode(const uint8_t *coded) override {
    ++decodes;
    for (size_t i = 0; i < voice::kPcmBlockBytes; ++i) pcm_[i] = coded[i / 16];
    return pcm_;
  }

 private:
  uint8_t coded_[voice::kCodedBlockBytes];
  uint8_t pcm_[voice::kPcmBlockBytes];
};

// Lends one codec to every conversion, so that a test can count its calls.
class LentCodec : public voice::Codec {
 public:
  explicit LentCodec(voice::Codec &codec) : codec_(codec) {}
  const uint8_t *encode(const uint8_t *pcm) override { return codec_.encode(pcm); }
  const uint8_t *decode(const uint8_t *coded) override { return codec_.decode(coded); }

 private:
  voice::Codec &codec_;
};

voice::CodecFactory lend(voice::Codec &codec) {
  return [&codec] { return std::make_unique<LentCodec>(codec); };
}

// A job UI that runs an action at a given pump, to change files mid-job.
class HookedJobUi : public ScriptedJobUi {
 public:
  int hookAt = 0;
  std::function<void()> hook;
  void pump() override {
    ScriptedJobUi::pump();
    if (pumps == hookAt && hook) hook();
  }
};

Bytes codedStream(size_t n) {
  Bytes c(n);
  for (size_t i = 0; i < n; ++i) c[i] = static_cast<uint8_t>(i * 5 + 1);
  return c;
}

Bytes voiceFile(const Bytes &coded, uint8_t kind = 0xAA, uint8_t version = 1) {
  Bytes file(256);
  voice::MakeG729FileHeader(file.data(), 16, 8000, 1, "v.dvg", true, voice::HeaderTime{});
  file[32] = kind;
  file[4] = version;
  file.insert(file.end(), coded.begin(), coded.end());
  return file;
}

Bytes wavData(const std::string &path) {
  WaveFile wave;
  if (!wave.open(path)) return {};
  EXPECT_TRUE(wave.format().isPcm(16, 1, 8000));
  Bytes data(wave.dataSize());
  wave.read(data.data(), data.size());
  return data;
}

struct Fixture : ::testing::Test {
  TempDir dir;
  ScriptedJobUi ui;
  WaveFile wave;
  GroupCodec codec;
  G729Conversion conversion{ui, wave, lend(codec)};

  void openSource(const Bytes &wavFile) {
    writeFile(dir.path("in.wav"), wavFile);
    ASSERT_TRUE(wave.open(dir.path("in.wav")));
  }
};

using Encode = Fixture;
using Decode = Fixture;

TEST_F(Encode, KeepsOneCodedBytePerSixteenPcmBytesAndTruncatesTheTail) {
  for (size_t bytes : {0u, 15u, 17u, 8000u, 8001u, 16031u}) {
    SCOPED_TRACE(bytes);
    codec.encodes = 0;
    const Bytes data = groupedSamples(bytes);
    openSource(pcmWav(data));
    ASSERT_TRUE(conversion.EncodeWaveToG729(dir.path("out.dvg"), 16, 8000, 1));
    EXPECT_TRUE(wave.reading());  // the caller closes the source

    Bytes file = readFile(dir.path("out.dvg"));
    ASSERT_EQ(file.size(), 256 + bytes / 16);
    int bits = 0, channels = 0, rate = 0, kind = 0;
    EXPECT_TRUE(voice::CheckG729File(file.data(), bits, channels, rate, kind));
    EXPECT_EQ(voice::DirectoryFieldText(file.data() + 112, 128), "out");
    EXPECT_EQ(voice::DirectoryFieldText(file.data() + 240, 16), "dvg");
    for (size_t k = 0; k < bytes / 16; ++k) ASSERT_EQ(file[256 + k], data[16 * k]) << k;
    EXPECT_EQ(codec.encodes, bytes == 0 ? 1 : static_cast<int>((bytes + 7999) / 8000));
  }
}

TEST_F(Encode, CodesTheWholeSourceWhateverWasReadBefore) {
  const Bytes data = groupedSamples(9000);
  openSource(pcmWav(data));
  Bytes skipped(9000);
  wave.read(skipped.data(), skipped.size());
  ASSERT_TRUE(conversion.EncodeWaveToG729(dir.path("out.dvg"), 16, 8000, 1));
  Bytes file = readFile(dir.path("out.dvg"));
  ASSERT_EQ(file.size(), 256u + 9000 / 16);
  EXPECT_EQ(file[256], data[0]);
}

TEST_F(Encode, ReportsEachBlockAndPumpsAfterIt) {
  openSource(pcmWav(groupedSamples(16031)));
  ASSERT_TRUE(conversion.EncodeWaveToG729(dir.path("out.dvg"), 16, 8000, 1));
  std::vector<std::string> expected = {
      "lines:" + dir.root() + "|in.wav",
      "current:49:7.81 / 15.66 Kbyte(s)",
      "current:99:15.63 / 15.66 Kbyte(s)",
      "current:100:15.66 / 15.66 Kbyte(s)",
  };
  EXPECT_EQ(ui.events, expected);
  EXPECT_EQ(ui.pumps, 3);

  ui.events.clear();
  openSource(pcmWav({}));
  ASSERT_TRUE(conversion.EncodeWaveToG729(dir.path("empty.dvg"), 16, 8000, 1));
  EXPECT_EQ(ui.events.back(), "current:100:0.00 / 0.00 Kbyte(s)");
  EXPECT_EQ(readFile(dir.path("empty.dvg")).size(), 256u);
}

TEST_F(Encode, RefusesSourcesItCannotCodeAndOutputsItCannotCreate) {
  struct Case {
    const char *name;
    Bytes source;  // empty: nothing open
    std::string output;
    const char *key;
  } cases[] = {
      {"nothing open", {}, "out.dvg", "FM_text_system_errmsg6"},
      {"stereo", pcmWav(groupedSamples(64), 2), "out.dvg", "FM_text_system_errmsg6"},
      {"8 bits", pcmWav(groupedSamples(64), 1, 8000, 8), "out.dvg", "FM_text_system_errmsg6"},
      {"44100 Hz", pcmWav(groupedSamples(64), 1, 44100), "out.dvg", "FM_text_system_errmsg6"},
      {"GSM 6.10", riff({chunk("fmt ", pcmFormat(1, 8000, 16, 49)), chunk("data", Bytes(65))}), "out.dvg",
       "FM_text_system_errmsg6"},
      {"missing folder", pcmWav(groupedSamples(64)), "missing/out.dvg", "FM_text_system_errmsg2"},
      {"output is the source", pcmWav(groupedSamples(64)), "in.wav", "FM_text_system_errmsg2"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedJobUi fresh;
    G729Conversion job(fresh, wave, lend(codec));
    wave.close();
    if (!c.source.empty()) openSource(c.source);
    EXPECT_FALSE(job.EncodeWaveToG729(dir.path(c.output), 16, 8000, 1));
    ASSERT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(fresh.messages[0].textKey, c.key);
    EXPECT_EQ(fresh.messages[0].captionKey, "FM_kind_errormsg0");
    EXPECT_EQ(fresh.pumps, 0);
    if (c.output == "in.wav") EXPECT_EQ(readFile(dir.path("in.wav")), c.source);
    else EXPECT_FALSE(exists(dir.path(c.output)));
  }
}

TEST_F(Encode, CancelKeepsTheHeaderAndTheBlocksDone) {
  openSource(pcmWav(groupedSamples(40000)));
  ui.requestCancel();  // left over from an earlier job: cleared at the start
  ui.cancelAtPump = 2;
  EXPECT_FALSE(conversion.EncodeWaveToG729(dir.path("out.dvg"), 16, 8000, 1));
  // Set during the second pump, seen after the third block.
  EXPECT_EQ(readFile(dir.path("out.dvg")).size(), 256u + 3 * 500);
}

TEST_F(Encode, ReadAndWriteErrorsReachTheCaller) {
  // The source loses its end while the job runs.
  HookedJobUi hooked;
  G729Conversion job(hooked, wave, lend(codec));
  openSource(pcmWav(groupedSamples(40000)));
  hooked.hookAt = 1;
  hooked.hook = [&] { ASSERT_EQ(truncate(dir.path("in.wav").c_str(), 44 + 12000), 0); };
  EXPECT_THROW(job.EncodeWaveToG729(dir.path("out.dvg"), 16, 8000, 1), components::WaveFileError);
  EXPECT_EQ(readFile(dir.path("out.dvg")).size(), 256u + 500);

  if (access("/dev/full", W_OK) == 0) {
    openSource(pcmWav(groupedSamples(200000)));
    EXPECT_THROW(conversion.EncodeWaveToG729("/dev/full", 16, 8000, 1), voice::VoiceFileError);
  }
}

TEST_F(Decode, WritesSixteenPcmBytesPerCodedByte) {
  for (size_t coded : {1000u, 500u, 507u, 1u, 1234u}) {
    SCOPED_TRACE(coded);
    const Bytes stream = codedStream(coded);
    writeFile(dir.path("in.dvg"), voiceFile(stream));
    ASSERT_TRUE(conversion.DecodeG729ToWave(dir.path("in.dvg"), dir.path("out.wav")));
    EXPECT_FALSE(wave.isOpen());
    Bytes data = wavData(dir.path("out.wav"));
    ASSERT_EQ(data.size(), coded * 16);
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(data[i], stream[i / 16]) << i;
  }
}

TEST_F(Decode, ReportsEachBlockAgainstTheFileSize) {
  writeFile(dir.path("in.dvg"), voiceFile(codedStream(1000)));
  wave.create(dir.path("other.wav"), components::WaveFormat::pcm(1, 8000, 16));  // closed by the job
  ASSERT_TRUE(conversion.DecodeG729ToWave(dir.path("in.dvg"), dir.path("out.wav")));
  std::vector<std::string> tail(ui.events.end() - 2, ui.events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"current:60:0.74 / 1.23 Kbyte(s)", "current:100:1.23 / 1.23 Kbyte(s)"}));
  EXPECT_EQ(ui.pumps, 2);
}

TEST_F(Decode, RefusesWhatIsNotAVoiceFileAndWritesNothing) {
  Bytes headerOnly = voiceFile({});
  struct Case {
    const char *name;
    Bytes file;  // empty name: no file at all
    bool present;
    const char *caption, *key;
  } cases[] = {
      {"missing", {}, false, "FM_kind_errormsg0", "FM_text_system_errmsg3"},
      {"empty", {}, true, "FM_kind_errormsg2", "FM_text_system_errmsg11"},
      {"100 bytes", Bytes(headerOnly.begin(), headerOnly.begin() + 100), true, "FM_kind_errormsg2",
       "FM_text_system_errmsg11"},
      {"header only", headerOnly, true, "FM_kind_errormsg2", "FM_text_system_errmsg11"},
      {"version 0", voiceFile(codedStream(500), 0xAA, 0), true, "FM_kind_errormsg2", "FM_text_system_errmsg11"},
      {"kind HQ", voiceFile(codedStream(500), 0xBB), true, "FM_kind_errormsg2", "FM_text_system_errmsg11"},
      {"a WAV file", pcmWav(groupedSamples(1000)), true, "FM_kind_errormsg2", "FM_text_system_errmsg11"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir here;
    if (c.present) writeFile(here.path("in.dvg"), c.file);
    ScriptedJobUi fresh;
    G729Conversion job(fresh, wave, lend(codec));
    EXPECT_FALSE(job.DecodeG729ToWave(here.path("in.dvg"), here.path("out.wav")));
    ASSERT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(fresh.messages[0].captionKey, c.caption);
    EXPECT_EQ(fresh.messages[0].textKey, c.key);
    EXPECT_FALSE(exists(here.path("out.wav")));
    EXPECT_FALSE(wave.isOpen());
    EXPECT_EQ(fresh.events, std::vector<std::string>{"message:" + std::string(c.key)});
  }
}

TEST_F(Decode, AnOutputThatCannotBeCreatedIsReported) {
  writeFile(dir.path("in.dvg"), voiceFile(codedStream(500)));
  EXPECT_FALSE(conversion.DecodeG729ToWave(dir.path("in.dvg"), dir.path("missing/out.wav")));
  EXPECT_TRUE(ui.showed("FM_text_system_errmsg2"));
  EXPECT_FALSE(conversion.DecodeG729ToWave(dir.path("in.dvg"), dir.path("in.dvg")));
  EXPECT_EQ(readFile(dir.path("in.dvg")), voiceFile(codedStream(500)));
}

TEST_F(Decode, AHeaderNamingAnotherFormatStillGivesTheDecodersFormat) {
  Bytes file = voiceFile(codedStream(100));
  file[33] = 0, file[34] = 0, file[35] = 0, file[36] = 2;  // no bits, no rate, two channels
  writeFile(dir.path("in.dvg"), file);
  ASSERT_TRUE(conversion.DecodeG729ToWave(dir.path("in.dvg"), dir.path("out.wav")));
  EXPECT_EQ(wavData(dir.path("out.wav")).size(), 1600u);
}

TEST_F(Decode, CancelLeavesACompleteShorterWav) {
  writeFile(dir.path("in.dvg"), voiceFile(codedStream(2500)));
  ui.cancelAtPump = 2;
  EXPECT_FALSE(conversion.DecodeG729ToWave(dir.path("in.dvg"), dir.path("out.wav")));
  EXPECT_FALSE(wave.isOpen());
  EXPECT_EQ(wavData(dir.path("out.wav")).size(), 3u * 8000);
}

TEST_F(Decode, AVoiceFileCutShortMidJobThrowsAndKeepsAValidWav) {
  HookedJobUi hooked;
  G729Conversion job(hooked, wave, lend(codec));
  writeFile(dir.path("in.dvg"), voiceFile(codedStream(50000)));
  hooked.hookAt = 2;
  hooked.hook = [&] { ASSERT_EQ(truncate(dir.path("in.dvg").c_str(), 256 + 1200), 0); };
  EXPECT_THROW(job.DecodeG729ToWave(dir.path("in.dvg"), dir.path("out.wav")), voice::VoiceFileError);
  EXPECT_FALSE(wave.isOpen());
  // Blocks already in the read buffer still decode; the WAV holds whole blocks.
  size_t written = wavData(dir.path("out.wav")).size();
  EXPECT_GE(written, 2u * 8000);
  EXPECT_LT(written, 50000u * 16);
  EXPECT_EQ(written % 8000, 0u);
}

// Every conversion codes with fresh states: the same file always gives the
// same result, whatever was converted before.
TEST(RealCodec, TheSameInputAlwaysGivesTheSameOutput) {
  TempDir dir;
  ScriptedJobUi ui;
  WaveFile wave;
  G729Conversion conversion(ui, wave);
  Bytes tone(16000), other(24000);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<uint8_t>((i * i) % 251);
  for (size_t i = 0; i < other.size(); ++i) other[i] = static_cast<uint8_t>((i * 7) % 253);
  writeFile(dir.path("tone.wav"), pcmWav(tone));
  writeFile(dir.path("other.wav"), pcmWav(other));
  for (const char *step : {"tone:a.dvg", "other:x.dvg", "tone:b.dvg"}) {
    std::string s = step;
    ASSERT_TRUE(wave.open(dir.path(s.substr(0, s.find(':')) + ".wav")));
    ASSERT_TRUE(conversion.EncodeWaveToG729(dir.path(s.substr(s.find(':') + 1)), 16, 8000, 1));
  }
  Bytes a = readFile(dir.path("a.dvg")), b = readFile(dir.path("b.dvg"));
  ASSERT_EQ(a.size(), 256u + 1000);
  ASSERT_EQ(b.size(), a.size());
  EXPECT_TRUE(std::equal(a.begin() + 256, a.end(), b.begin() + 256));

  ASSERT_TRUE(conversion.DecodeG729ToWave(dir.path("a.dvg"), dir.path("a.wav")));
  ASSERT_TRUE(conversion.DecodeG729ToWave(dir.path("x.dvg"), dir.path("x.wav")));
  ASSERT_TRUE(conversion.DecodeG729ToWave(dir.path("a.dvg"), dir.path("a2.wav")));
  EXPECT_EQ(wavData(dir.path("a.wav")).size(), 16000u);
  EXPECT_EQ(wavData(dir.path("a.wav")), wavData(dir.path("a2.wav")));
}

}  // namespace
