// The conversion job over a selection: which files convert, the totals,
// the messages, the temporary WAV of the format step, Overwrite, cancel and
// files that fail.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "components/ScriptedJobUi.h"
#include "components/wavefile/WaveFile.h"
#include "testsupport/Tools.h"
#include "voice/BatchConversion.h"
#include "voice/FormatStep.h"
#include "voice/VoiceHeader.h"

namespace {

using namespace fixtures;
using components::ScriptedJobUi;
using voice::BatchConversion;
using voice::BatchFile;
using Outcome = BatchFile::Outcome;
namespace fs = std::filesystem;

// The size of the voice file that encoding `pcmBytes` of 8000 Hz samples makes.
uint64_t voiceSizeFor(uint64_t pcmBytes) {
  return 256 + pcmBytes / 8000 * 500 + pcmBytes % 8000 / 16;
}

// Limits the size of the files this process writes, as a full disk would.
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

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

struct Batch : ::testing::Test {
  TempDir dir;
  ScriptedJobUi ui;
  BatchConversion job{ui};
  std::vector<std::string> named;  // prefix + key of every named message
  voice::BatchOptions options;

  Batch() {
    fs::create_directories(dir / "src");
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "temp");
    options.outputFolder = (dir / "out").string();
    options.tempFolder = (dir / "temp").string();
    job.namedMessage = [this](std::string_view, const std::string &prefix, std::string_view key,
                              components::MsgKind, int) {
      named.push_back(prefix + std::string(key));
      return components::kResultOk;
    };
  }
  std::string src(const std::string &name) { return (dir / "src" / name).string(); }
  std::string out(const std::string &name) { return (dir / "out" / name).string(); }
  // A 16-bit PCM WAV of `frames` frames.
  std::string wav(const std::string &name, size_t frames, uint16_t channels = 1, uint32_t rate = 8000) {
    Bytes data(frames * channels * 2);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    writeFile(src(name), pcmWav(data, channels, rate));
    return src(name);
  }
  voice::BatchResult run(const std::vector<std::string> &files) { return job.StartG729Conversion(files, options); }
};

TEST_F(Batch, OnlyMp3FilesAreRefusedOneMessageEach) {
  writeFile(src("song.mp3"), Bytes(1000, 0xFF));
  const auto result = run({src("song.mp3")});
  ASSERT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.files[0].outcome, Outcome::Refused);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].textKey, "FM_text_system_errmsg7");
  EXPECT_EQ(ui.messages[0].captionKey, "FM_kind_errormsg0");
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  EXPECT_FALSE(ui.progressShown);
  EXPECT_EQ(result.done, 1000u);
}

TEST_F(Batch, OnlyEmptyFilesDivideNothingByZero) {
  writeFile(src("empty.wav"), pcmWav({}));
  writeFile(src("nothing.dvg"), {});
  const auto result = run({src("empty.wav"), src("nothing.dvg")});
  EXPECT_EQ(result.total, 0u);
  EXPECT_EQ(result.files[0].outcome, Outcome::Converted);
  EXPECT_EQ(fs::file_size(out("empty.DVG")), 256u);
  EXPECT_EQ(result.files[1].outcome, Outcome::Failed);
  EXPECT_TRUE(ui.showed("FM_text_system_errmsg11"));
  EXPECT_EQ(ui.lastTotal, 0);
  EXPECT_EQ(ui.events.back(), "close");
}

// A mixed selection: the totals count WAV sources by their sample data and
// other files by size; an 8000 Hz source is encoded directly, a 44.1 kHz
// stereo one through a temporary WAV that is gone afterwards.
TEST_F(Batch, MixedSelectionConvertsEachWayWithTotals) {
  const std::string direct = wav("direct.wav", 12345);
  const std::string stereo = wav("stereo.wav", 44100 + 7, 2, 44100);
  writeFile(src("memo.dvg"), {});
  {  // a real voice file to decode
    components::WaveFile w;
    ASSERT_TRUE(w.open(direct));
    BatchConversion first(ui);
    voice::BatchOptions o = options;
    o.outputFolder = (dir / "src").string();
    ASSERT_TRUE(first.StartG729Conversion({direct}, o).allConverted());
    fs::rename(src("direct.DVG"), src("memo.dvg"));
    ui.messages.clear();
    ui.events.clear();
  }
  const uint64_t memoSize = fs::file_size(src("memo.dvg"));
  const auto result = run({direct, stereo, src("memo.dvg")});
  ASSERT_TRUE(result.allConverted()) << ui.events.size();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(result.total, 12345u * 2 + (44100u + 7) * 4 + memoSize);
  EXPECT_EQ(result.done, result.total);
  EXPECT_EQ(ui.lastTotal, 100);

  EXPECT_EQ(fs::file_size(out("direct.DVG")), voiceSizeFor(12345 * 2));
  const uint64_t frames = voice::FrameConverter::targetFrames(44100 + 7, 44100, 8000);
  EXPECT_EQ(fs::file_size(out("stereo.DVG")), voiceSizeFor(frames * 2));
  components::WaveFile back;
  ASSERT_TRUE(back.open(out("memo.WAV")));
  EXPECT_EQ(back.dataSize(), (memoSize - 256) * 16);
  // Only the sources are left in their folder.
  EXPECT_EQ(entries(dir / "src"), (std::vector<std::string>{"direct.wav", "memo.dvg", "stereo.wav"}));
  EXPECT_TRUE(fs::is_empty(dir / "temp"));
  // The format step ran inside the job with the file counter of its file.
  bool stepShown = false;
  for (const std::string &e : ui.events) stepShown |= e == "title:[FE_wav_msg6]";
  EXPECT_TRUE(stepShown);
  EXPECT_NE(std::find(ui.events.begin(), ui.events.end(),
                      "total:" + std::to_string(components::percentOf(12345.0 * 2, result.total)) +
                          ":2 of 3 file(s):" + components::totalKbytesLabel(12345.0 * 2, result.total)),
            ui.events.end());
}

TEST_F(Batch, ExistingOutputsAndOverwrite) {
  const std::string a = wav("a.wav", 8000);
  writeFile(out("a.DVG"), {'o', 'l', 'd'});
  auto result = run({a});
  EXPECT_EQ(result.files[0].outcome, Outcome::Exists);
  EXPECT_EQ(readFile(out("a.DVG")), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(named, (std::vector<std::string>{"[a.DVG]FM_text_system_errmsg10"}));

  options.overwrite = true;
  result = run({a});
  EXPECT_EQ(result.files[0].outcome, Outcome::Converted);
  EXPECT_EQ(fs::file_size(out("a.DVG")), voiceSizeFor(16000));
  EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"a.DVG"}));
}

// X.DVG and X.WAV both selected, written into their own folder with
// Overwrite: neither source is destroyed.
TEST_F(Batch, OverwriteNeverReplacesASourceOfTheSameJob) {
  const std::string x = wav("X.WAV", 8000);
  options.outputFolder = (dir / "src").string();
  ASSERT_TRUE(run({x}).allConverted());
  const Bytes wavBytes = readFile(x), dvgBytes = readFile(src("X.DVG"));
  named.clear();

  options.overwrite = true;
  const auto result = run({src("X.DVG"), x});
  EXPECT_EQ(result.files[0].outcome, Outcome::Exists);
  EXPECT_EQ(result.files[1].outcome, Outcome::Exists);
  EXPECT_EQ(readFile(x), wavBytes);
  EXPECT_EQ(readFile(src("X.DVG")), dvgBytes);
  EXPECT_EQ(named, (std::vector<std::string>{"[X.WAV] FM_text_system_errmsg10", "[X.DVG]FM_text_system_errmsg10"}));
}

// A write that fails half-way (a full disk) leaves the old output as it
// was and the job goes on with the next file.
TEST_F(Batch, AFailedWriteKeepsTheOldOutputAndGoesOn) {
  const std::string big = wav("big.wav", 8000 * 20), small = wav("small.wav", 100);
  writeFile(out("big.DVG"), {'o', 'l', 'd'});
  options.overwrite = true;
  voice::BatchResult result;
  {
    FileSizeLimit limit(2000);
    result = run({big, small});
  }
  EXPECT_EQ(result.files[0].outcome, Outcome::Failed);
  EXPECT_FALSE(result.files[0].reason.empty());
  EXPECT_EQ(readFile(out("big.DVG")), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(result.files[1].outcome, Outcome::Converted);
  EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"big.DVG", "small.DVG"}));
}

// Cancel during the format step gives up that file only: the next files,
// one of them through the format step too, still convert.
TEST_F(Batch, CancelInTheFormatStepSkipsThatFileOnly) {
  const std::string first = wav("first.wav", 44100 * 3, 2, 44100);
  const std::string second = wav("second.wav", 8000);
  const std::string third = wav("third.wav", 22050, 1, 22050);
  ui.cancelAtPump = 4;
  const auto result = run({first, second, third});
  EXPECT_EQ(result.files[0].outcome, Outcome::Cancelled);
  EXPECT_EQ(result.files[1].outcome, Outcome::Converted);
  EXPECT_EQ(result.files[2].outcome, Outcome::Converted);
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"second.DVG", "third.DVG"}));
  EXPECT_EQ(entries(dir / "src"), (std::vector<std::string>{"first.wav", "second.wav", "third.wav"}));
  EXPECT_EQ(result.done, result.total - (44100u * 3 * 4));
}

// Cancel while a file is encoded ends the job after that file.
TEST_F(Batch, CancelDuringEncodingEndsTheJob) {
  const std::string first = wav("first.wav", 8000 * 10), second = wav("second.wav", 8000);
  ui.cancelAtPump = 3;
  const auto result = run({first, second});
  EXPECT_EQ(result.files[0].outcome, Outcome::Cancelled);
  EXPECT_EQ(result.files[1].outcome, Outcome::NotReached);
  EXPECT_TRUE(result.cancelled);
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  EXPECT_EQ(ui.events.back(), "close");
}

TEST_F(Batch, AnOutputFolderThatCannotBeWrittenIsReportedOnce) {
  const std::string a = wav("a.wav", 800), b = wav("b.wav", 800);
  options.outputFolder = (dir / "missing").string();
  const auto result = run({a, b});
  EXPECT_EQ(result.files[0].outcome, Outcome::Failed);
  EXPECT_EQ(result.files[1].outcome, Outcome::Failed);
  EXPECT_EQ(named.size(), 1u);
  EXPECT_FALSE(fs::exists(dir / "missing"));
  EXPECT_EQ(ui.events.back(), "close");
}

// A WAV cut short, one that is no WAV and one whose encoding cannot be
// decoded are reported; the job goes on and ends.
TEST_F(Batch, BrokenSourcesAreReportedAndTheJobGoesOn) {
  Bytes truncated = pcmWav(Bytes(80000, 1));
  truncated.resize(3000);
  writeFile(src("cut.wav"), truncated);
  writeFile(src("text.wav"), Bytes{'h', 'e', 'l', 'l', 'o'});
  writeFile(src("odd.wav"), riff({chunk("fmt ", pcmFormat(1, 8000, 16, 0x55)), chunk("data", Bytes(4000, 3))}));
  const std::string good = wav("good.wav", 800);
  const auto result = run({src("cut.wav"), src("text.wav"), src("odd.wav"), good});
  EXPECT_EQ(result.files[0].outcome, Outcome::Failed);
  EXPECT_EQ(result.files[1].outcome, Outcome::Failed);
  EXPECT_EQ(result.files[2].outcome, Outcome::Failed);
  EXPECT_EQ(result.files[3].outcome, Outcome::Converted);
  EXPECT_EQ(ui.messages.size(), 3u);
  for (const auto &m : ui.messages) EXPECT_EQ(m.textKey, "FM_text_system_errmsg6");
  EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"good.DVG"}));
  EXPECT_EQ(entries(dir / "src"), (std::vector<std::string>{"cut.wav", "good.wav", "odd.wav", "text.wav"}));
}

// A user's own song.wav.tmp is neither used nor replaced.
TEST_F(Batch, TheTemporaryWaveNeverTakesAUsersFile) {
  const std::string song = wav("song.wav", 11025, 1, 11025);
  writeFile(src("song.wav.tmp"), {'m', 'i', 'n', 'e'});
  ASSERT_TRUE(run({song}).allConverted());
  EXPECT_EQ(readFile(src("song.wav.tmp")), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(entries(dir / "src"), (std::vector<std::string>{"song.wav", "song.wav.tmp"}));
}

// The same input always gives the same output: every conversion codes with
// fresh codec states.
TEST_F(Batch, EveryConversionStartsItsOwnCodecState) {
  makeSpeechWav(src("one.wav"));
  fs::copy_file(src("one.wav"), src("two.wav"));
  ASSERT_TRUE(run({src("one.wav"), src("two.wav")}).allConverted());
  EXPECT_EQ(readFile(out("one.DVG")).size(), readFile(out("two.DVG")).size());
  Bytes one = readFile(out("one.DVG")), two = readFile(out("two.DVG"));
  // The headers differ in the name; the coded speech is the same.
  EXPECT_TRUE(std::equal(one.begin() + 256, one.end(), two.begin() + 256));
}

TEST(MakeAutoFileName, ReplacesTheExtension) {
  EXPECT_EQ(voice::MakeAutoFileName("song.wav"), "song.DVG");
  EXPECT_EQ(voice::MakeAutoFileName("Memo.Dvg"), "Memo.WAV");
  EXPECT_EQ(voice::MakeAutoFileName("a.b.WAV"), "a.b.DVG");
  EXPECT_EQ(voice::MakeAutoFileName("song.mp3"), "");
  EXPECT_EQ(voice::MakeAutoFileName("wav"), "");
}

}  // namespace
