// Encoding WAV files into voice files and back, with a stand-in codec whose
// output shows where every byte came from, and with the real codec where
// its state matters.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
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

// Something at an output path that a finished file must not replace.
enum class Occupant { Nothing, Folder, Fifo, ReadOnlyFile };

// Puts it in place. A FIFO gets a reader, so that a writer never blocks on
// it; the descriptor returned is to be closed afterwards (-1: none).
int occupy(const std::string &path, Occupant occupant) {
  switch (occupant) {
    case Occupant::Nothing: return -1;
    case Occupant::Folder: std::filesystem::create_directory(path); return -1;
    case Occupant::Fifo: mkfifo(path.c_str(), 0600); return ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    case Occupant::ReadOnlyFile: writeFile(path, {'o', 'l', 'd'}); chmod(path.c_str(), 0444); return -1;
  }
  return -1;
}

bool stillThere(const std::string &path, Occupant occupant) {
  std::error_code ec;
  switch (occupant) {
    case Occupant::Nothing: return !exists(path);
    case Occupant::Folder: return std::filesystem::is_directory(path, ec);
    case Occupant::Fifo: return std::filesystem::is_fifo(path, ec);
    case Occupant::ReadOnlyFile: return readFile(path) == Bytes{'o', 'l', 'd'};
  }
  return false;
}

// Limits the size of the files this process writes, as a full disk would;
// a write past the limit fails instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit &) = delete;
  FileSizeLimit &operator=(const FileSizeLimit &) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

struct Fixture : ::testing::Test {
  TempDir dir;
  ScriptedJobUi ui;
  WaveFile wave;
  GroupCodec codec;
  G729Conversion conversion{ui, wave, lend(codec)};

  void openSource(const Bytes &wavFile) {
    writeFile(dir / "in.wav", wavFile);
    ASSERT_TRUE(wave.open((dir / "in.wav").string()));
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
    ASSERT_TRUE(conversion.EncodeWaveToG729((dir / "out.dvg").string(), 16, 8000, 1));
    EXPECT_TRUE(wave.reading());  // the caller closes the source

    Bytes file = readFile(dir / "out.dvg");
    ASSERT_EQ(file.size(), 256 + bytes / 16);
    int bits = 0, channels = 0, rate = 0, kind = 0;
    EXPECT_TRUE(voice::CheckG729File(file.data(), bits, channels, rate, kind));
    EXPECT_EQ(voice::DirectoryFieldText(file.data() + 112, 128), "out");
    EXPECT_EQ(voice::DirectoryFieldText(file.data() + 240, 16), "dvg");
    for (size_t k = 0; k < bytes / 16; ++k) ASSERT_EQ(file[256 + k], data[16 * k]) << k;
    EXPECT_EQ(codec.encodes, bytes == 0 ? 1 : static_cast<int>((bytes + 7999) / 8000));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"in.wav", "out.dvg"}));
  }
}

TEST_F(Encode, CodesTheWholeSourceWhateverWasReadBefore) {
  const Bytes data = groupedSamples(9000);
  openSource(pcmWav(data));
  Bytes skipped(9000);
  wave.read(skipped.data(), skipped.size());
  ASSERT_TRUE(conversion.EncodeWaveToG729((dir / "out.dvg").string(), 16, 8000, 1));
  Bytes file = readFile(dir / "out.dvg");
  ASSERT_EQ(file.size(), 256u + 9000 / 16);
  EXPECT_EQ(file[256], data[0]);
}

TEST_F(Encode, ReportsEachBlockAndPumpsAfterIt) {
  openSource(pcmWav(groupedSamples(16031)));
  ASSERT_TRUE(conversion.EncodeWaveToG729((dir / "out.dvg").string(), 16, 8000, 1));
  std::vector<std::string> expected = {
      "lines:" + dir.path().string() + "|in.wav",
      "current:49:7.81 / 15.66 Kbyte(s)",
      "current:99:15.63 / 15.66 Kbyte(s)",
      "current:100:15.66 / 15.66 Kbyte(s)",
  };
  EXPECT_EQ(ui.events, expected);
  EXPECT_EQ(ui.pumps, 3);

  ui.events.clear();
  openSource(pcmWav({}));
  ASSERT_TRUE(conversion.EncodeWaveToG729((dir / "empty.dvg").string(), 16, 8000, 1));
  EXPECT_EQ(ui.events.back(), "current:100:0.00 / 0.00 Kbyte(s)");
  EXPECT_EQ(readFile(dir / "empty.dvg").size(), 256u);
}

TEST_F(Encode, RefusesSourcesItCannotCodeAndOutputsItCannotCreate) {
  const Bytes usable = pcmWav(groupedSamples(64));
  struct Case {
    const char *name;
    Bytes source;  // empty: nothing open
    std::string output;
    Occupant occupant;
    const char *key;
  } cases[] = {
      {"nothing open", {}, "out.dvg", Occupant::Nothing, "FM_text_system_errmsg6"},
      {"stereo", pcmWav(groupedSamples(64), 2), "out.dvg", Occupant::Nothing, "FM_text_system_errmsg6"},
      {"8 bits", pcmWav(groupedSamples(64), 1, 8000, 8), "out.dvg", Occupant::Nothing, "FM_text_system_errmsg6"},
      {"44100 Hz", pcmWav(groupedSamples(64), 1, 44100), "out.dvg", Occupant::Nothing, "FM_text_system_errmsg6"},
      {"GSM 6.10", riff({chunk("fmt ", pcmFormat(1, 8000, 16, 49)), chunk("data", Bytes(65))}), "out.dvg",
       Occupant::Nothing, "FM_text_system_errmsg6"},
      {"missing folder", usable, "missing/out.dvg", Occupant::Nothing, "FM_text_system_errmsg2"},
      {"output is the source", usable, "in.wav", Occupant::Nothing, "FM_text_system_errmsg2"},
      // A rename would put a file in the place of these, not write them.
      {"output is a folder", usable, "taken", Occupant::Folder, "FM_text_system_errmsg2"},
      {"output is a FIFO", usable, "taken", Occupant::Fifo, "FM_text_system_errmsg2"},
      {"output is read-only", usable, "taken", Occupant::ReadOnlyFile, "FM_text_system_errmsg2"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.occupant == Occupant::ReadOnlyFile && geteuid() == 0) continue;  // root may write it
    ScriptedJobUi fresh;
    G729Conversion job(fresh, wave, lend(codec));
    wave.close();
    if (!c.source.empty()) openSource(c.source);
    const int reader = occupy((dir / c.output).string(), c.occupant);
    const std::vector<std::string> before = entries(dir.path());
    EXPECT_FALSE(job.EncodeWaveToG729((dir / c.output).string(), 16, 8000, 1));
    if (reader >= 0) ::close(reader);
    ASSERT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(fresh.messages[0].textKey, c.key);
    EXPECT_EQ(fresh.messages[0].captionKey, "FM_kind_errormsg0");
    EXPECT_EQ(fresh.pumps, 0);
    EXPECT_EQ(entries(dir.path()), before);
    if (c.output == "in.wav") EXPECT_EQ(readFile(dir / "in.wav"), c.source);
    else EXPECT_TRUE(stillThere((dir / c.output).string(), c.occupant));
    std::filesystem::remove_all((dir / "taken").string());
  }
}

TEST_F(Decode, WritesSixteenPcmBytesPerCodedByte) {
  for (size_t coded : {1000u, 500u, 507u, 1u, 1234u}) {
    SCOPED_TRACE(coded);
    const Bytes stream = codedStream(coded);
    writeFile(dir / "in.dvg", voiceFile(stream));
    ASSERT_TRUE(conversion.DecodeG729ToWave((dir / "in.dvg").string(), (dir / "out.wav").string()));
    EXPECT_FALSE(wave.isOpen());
    Bytes data = wavData((dir / "out.wav").string());
    ASSERT_EQ(data.size(), coded * 16);
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(data[i], stream[i / 16]) << i;
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"in.dvg", "out.wav"}));
  }
}

TEST_F(Decode, ReportsEachBlockAgainstTheFileSize) {
  writeFile(dir / "in.dvg", voiceFile(codedStream(1000)));
  wave.create((dir / "other.wav").string(), components::WaveFormat::pcm(1, 8000, 16));  // closed by the job
  ASSERT_TRUE(conversion.DecodeG729ToWave((dir / "in.dvg").string(), (dir / "out.wav").string()));
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
    if (c.present) writeFile(here / "in.dvg", c.file);
    ScriptedJobUi fresh;
    G729Conversion job(fresh, wave, lend(codec));
    EXPECT_FALSE(job.DecodeG729ToWave((here / "in.dvg").string(), (here / "out.wav").string()));
    ASSERT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(fresh.messages[0].captionKey, c.caption);
    EXPECT_EQ(fresh.messages[0].textKey, c.key);
    EXPECT_FALSE(exists((here / "out.wav").string()));
    EXPECT_FALSE(wave.isOpen());
    EXPECT_EQ(fresh.events, std::vector<std::string>{"message:" + std::string(c.key)});
  }
}

TEST_F(Decode, AnOutputThatCannotBeCreatedIsReported) {
  const Bytes source = voiceFile(codedStream(500));
  struct Case {
    const char *name;
    std::string output;
    Occupant occupant;
  } cases[] = {
      {"missing folder", "missing/out.wav", Occupant::Nothing},
      {"output is the source", "in.dvg", Occupant::Nothing},
      {"output is a folder", "taken", Occupant::Folder},
      {"output is a FIFO", "taken", Occupant::Fifo},
      {"output is read-only", "taken", Occupant::ReadOnlyFile},
  };
  writeFile(dir / "in.dvg", source);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.occupant == Occupant::ReadOnlyFile && geteuid() == 0) continue;  // root may write it
    ScriptedJobUi fresh;
    G729Conversion job(fresh, wave, lend(codec));
    const int reader = occupy((dir / c.output).string(), c.occupant);
    const std::vector<std::string> before = entries(dir.path());
    EXPECT_FALSE(job.DecodeG729ToWave((dir / "in.dvg").string(), (dir / c.output).string()));
    if (reader >= 0) ::close(reader);
    EXPECT_EQ(fresh.messages.size(), 1u);
    EXPECT_TRUE(fresh.showed("FM_text_system_errmsg2"));
    EXPECT_FALSE(wave.isOpen());
    EXPECT_EQ(entries(dir.path()), before);
    EXPECT_EQ(readFile(dir / "in.dvg"), source);
    if (c.output != "in.dvg") {
      EXPECT_TRUE(stillThere((dir / c.output).string(), c.occupant));
    }
    std::filesystem::remove_all((dir / "taken").string());
  }
}

TEST_F(Decode, AHeaderNamingAnotherFormatStillGivesTheDecodersFormat) {
  Bytes file = voiceFile(codedStream(100));
  file[33] = 0, file[34] = 0, file[35] = 0, file[36] = 2;  // no bits, no rate, two channels
  writeFile(dir / "in.dvg", file);
  ASSERT_TRUE(conversion.DecodeG729ToWave((dir / "in.dvg").string(), (dir / "out.wav").string()));
  EXPECT_EQ(wavData((dir / "out.wav").string()).size(), 1600u);
}

// A cancelled or failed conversion leaves nothing under the output's name
// and no temporary file, and a file already there stays as it was.
TEST(Output, ACancelledOrFailedConversionLeavesNoPartialFile) {
  enum Fault { kCancel, kSourceCutShort, kDiskFull };
  struct Case {
    const char *name;
    bool encode;
    Fault fault;
    const char *outcome;
  } cases[] = {
      {"encode cancelled", true, kCancel, "cancelled"},
      {"encode source cut short", true, kSourceCutShort, "WaveFileError"},
      {"encode disk full", true, kDiskFull, "VoiceFileError"},
      {"decode cancelled", false, kCancel, "cancelled"},
      {"decode source cut short", false, kSourceCutShort, "VoiceFileError"},
      {"decode disk full", false, kDiskFull, "WaveFileError"},
  };
  for (const Case &c : cases) {
    for (bool existing : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (existing ? ", over an existing file" : ""));
      TempDir dir;
      HookedJobUi ui;
      WaveFile wave;
      GroupCodec codec;
      G729Conversion job(ui, wave, lend(codec));
      const std::string source = (dir / (c.encode ? "in.wav" : "in.dvg")).string();
      const std::string output = (dir / (c.encode ? "out.dvg" : "out.wav")).string();
      // 50 blocks to encode, 100 to decode.
      writeFile(source, c.encode ? pcmWav(groupedSamples(400000)) : voiceFile(codedStream(50000)));
      const Bytes old{'o', 'l', 'd'};
      if (existing) writeFile(output, old);
      const std::vector<std::string> before = entries(dir.path());

      ui.requestCancel();  // left over from an earlier job: cleared at the start
      if (c.fault == kCancel) ui.cancelAtPump = 2;
      if (c.fault == kSourceCutShort) {
        ui.hookAt = 1;
        ui.hook = [&] { ASSERT_EQ(truncate(source.c_str(), c.encode ? 44 + 12000 : 256 + 1200), 0); };
      }
      std::string outcome;
      {
        std::unique_ptr<FileSizeLimit> limit;
        if (c.fault == kDiskFull) limit = std::make_unique<FileSizeLimit>(10000);
        try {
          if (c.encode && !wave.open(source)) outcome = "source not opened";
          else if (c.encode) outcome = job.EncodeWaveToG729(output, 16, 8000, 1) ? "finished" : "cancelled";
          else outcome = job.DecodeG729ToWave(source, output) ? "finished" : "cancelled";
        } catch (const components::WaveFileError &) {
          outcome = "WaveFileError";
        } catch (const voice::VoiceFileError &) {
          outcome = "VoiceFileError";
        }
      }
      EXPECT_EQ(outcome, c.outcome);
      EXPECT_EQ(entries(dir.path()), before);
      if (existing) {
        EXPECT_EQ(readFile(output), old);
      }
      EXPECT_FALSE(wave.writing());
      // Set during the second pump, seen after the third block.
      if (c.fault == kCancel) {
        EXPECT_EQ(codec.encodes + codec.decodes, 3);
      }
    }
  }
}

// An output path that is a link keeps the link; the file it leads to gets
// the result, as when the output was written through the link.
TEST(Output, ALinkStaysALinkAndItsFileGetsTheResult) {
  for (bool encode : {true, false}) {
    SCOPED_TRACE(encode ? "encode" : "decode");
    TempDir dir;
    ScriptedJobUi ui;
    WaveFile wave;
    GroupCodec codec;
    G729Conversion job(ui, wave, lend(codec));
    std::filesystem::create_directory((dir / "real").string());
    writeFile(dir / "real/file", {'o', 'l', 'd'});
    std::filesystem::create_symlink("real/file", (dir / "link").string());
    if (encode) {
      writeFile(dir / "in.wav", pcmWav(groupedSamples(1600)));
      ASSERT_TRUE(wave.open((dir / "in.wav").string()));
      ASSERT_TRUE(job.EncodeWaveToG729((dir / "link").string(), 16, 8000, 1));
      EXPECT_EQ(readFile(dir / "real/file").size(), 256u + 100);
    } else {
      writeFile(dir / "in.dvg", voiceFile(codedStream(100)));
      ASSERT_TRUE(job.DecodeG729ToWave((dir / "in.dvg").string(), (dir / "link").string()));
      EXPECT_EQ(wavData((dir / "real/file").string()).size(), 1600u);
    }
    EXPECT_TRUE(std::filesystem::is_symlink((dir / "link").string()));
    EXPECT_EQ(entries(dir / "real"), std::vector<std::string>{"file"});
  }
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
  writeFile(dir / "tone.wav", pcmWav(tone));
  writeFile(dir / "other.wav", pcmWav(other));
  for (const char *step : {"tone:a.dvg", "other:x.dvg", "tone:b.dvg"}) {
    std::string s = step;
    ASSERT_TRUE(wave.open((dir / (s.substr(0, s.find(':')) + ".wav")).string()));
    ASSERT_TRUE(conversion.EncodeWaveToG729((dir / s.substr(s.find(':') + 1)).string(), 16, 8000, 1));
  }
  Bytes a = readFile(dir / "a.dvg"), b = readFile(dir / "b.dvg");
  ASSERT_EQ(a.size(), 256u + 1000);
  ASSERT_EQ(b.size(), a.size());
  EXPECT_TRUE(std::equal(a.begin() + 256, a.end(), b.begin() + 256));

  ASSERT_TRUE(conversion.DecodeG729ToWave((dir / "a.dvg").string(), (dir / "a.wav").string()));
  ASSERT_TRUE(conversion.DecodeG729ToWave((dir / "x.dvg").string(), (dir / "x.wav").string()));
  ASSERT_TRUE(conversion.DecodeG729ToWave((dir / "a.dvg").string(), (dir / "a2.wav").string()));
  EXPECT_EQ(wavData((dir / "a.wav").string()).size(), 16000u);
  EXPECT_EQ(wavData((dir / "a.wav").string()), wavData((dir / "a2.wav").string()));
}

}  // namespace
