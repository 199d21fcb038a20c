// q417 play and q417 record as programs, with ALSA's default device as
// files in their environment: a recording played from a chip image and
// files played from the PC reach the playback file sample for sample, three
// seconds of speech are recorded and saved, Ctrl-C ends a recording and
// saves it, and every refusal exits non-zero with its reason.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>

#include "HostRig.h"
#include "Rig.h"
#include "testsupport/AlsaFileDevice.h"
#include "testsupport/Process.h"
#include "testsupport/Tools.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace e2etest {
namespace {

namespace fs = std::filesystem;
using testsupport::AlsaFileDevice;
using testsupport::ErrorOutput;
using testsupport::ProcessResult;

const AlsaFileDevice &alsa = AlsaFileDevice::install();

// A path in single quotes for the shell.
std::string shq(const fs::path &p) { return "'" + p.string() + "'"; }

class ToolSound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testsupport::TempDir;
    said_ = new std::vector<int16_t>(speech(dir_->path(), 8));
    // A machine without sound: a card that is not there.
    noSound_ = dir_->write("nosound.conf", "pcm.!default { type hw card 99 }\n");
  }
  static void TearDownTestSuite() {
    delete said_;
    delete dir_;
  }

  // q417 in the test's folder with ALSA's configuration and a temporary
  // folder of the test's own in its environment; standard error apart.
  ProcessResult q417(const std::string &args, const std::string &alsaConfig = "") {
    const std::string config = alsaConfig.empty() ? std::getenv("ALSA_CONFIG_PATH") : alsaConfig;
    return testsupport::runCommand("cd " + shq(pc.path()) + " && ALSA_CONFIG_PATH=" + shq(config) +
                                       " TMPDIR=" + shq(tmp()) + " '" Q417_TOOL "' " + args + " </dev/null",
                                   ErrorOutput::Apart);
  }
  fs::path tmp() {
    fs::create_directories(pc / "tmp");
    return pc / "tmp";
  }
  std::string image() {
    const fs::path img = pc / "chip.img";
    if (!fs::exists(img)) {
      EXPECT_EQ(q417("mkimage " + shq(img) + " --blocks 1024").status, 0);
      EXPECT_EQ(q417("--image " + shq(img) + " format --yes").status, 0);
    }
    return "--image " + shq(img) + " ";
  }

  static testsupport::TempDir *dir_;
  static std::vector<int16_t> *said_;
  static fs::path noSound_;
  testsupport::TempDir pc;
};

testsupport::TempDir *ToolSound::dir_ = nullptr;
std::vector<int16_t> *ToolSound::said_ = nullptr;
fs::path ToolSound::noSound_;

TEST_F(ToolSound, VoiceFilesPlayFromTheRecorderAndFromThePc) {
  const std::vector<int16_t> said(said_->begin(), said_->begin() + 4 * voice::kSampleRate);
  const Bytes coded = encode(said);
  const fs::path file = writeVoiceFile(pc / "memo.dvg", coded);
  ASSERT_EQ(q417(image() + "put 1 " + shq(file)).status, 0);
  const std::vector<int16_t> want = sounding(pcmSamples(decodeReference(coded)));
  for (const std::string &args : {image() + "play 1 1", image() + "play A 1", std::string("play memo.dvg")}) {
    SCOPED_TRACE(args);
    alsa.clearPlayed();
    ProcessResult r = q417(args);
    EXPECT_EQ(r.status, 0) << r.errors;
    // Standard error is no terminal: one final line.
    EXPECT_EQ(r.errors, "0:00:04 / 0:00:04\n");
    EXPECT_TRUE(sounding(pcmSamples(alsa.played())) == want);
  }
}

TEST_F(ToolSound, WavAndMp3FilesPlayAsTheirDecodersGiveThem) {
  testsupport::requireTool("mpg123");
  const std::vector<int16_t> said(said_->begin(), said_->begin() + 4 * voice::kSampleRate);
  testsupport::writeFile(pc / "said.raw", pcmBytes(said));
  ASSERT_TRUE(testsupport::runCommand("cd " + shq(pc.path()) +
                                      " && sox -t raw -r 8000 -e signed-integer -b 16 -c 1 said.raw said.wav")
                  .ok());
  ASSERT_FALSE(jobtest::makeMp3(pc / "tone.mp3", 3.0).empty());
  // libmpg123 decodes for both; the player keeps the encoder's padding.
  ASSERT_TRUE(testsupport::runCommand("cd " + shq(pc.path()) + " && mpg123 -q --no-gapless -s tone.mp3 > tone.raw").ok());
  struct Case {
    const char *file;
    std::vector<int16_t> want;
  } cases[] = {
      {"said.wav", sounding(said)},
      {"tone.mp3", sounding(pcmSamples(testsupport::readFile(pc / "tone.raw")))},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    alsa.clearPlayed();
    ProcessResult r = q417(std::string("play ") + c.file);
    EXPECT_EQ(r.status, 0) << r.errors;
    ASSERT_GT(c.want.size(), 8000u);
    EXPECT_TRUE(sounding(pcmSamples(alsa.played())) == c.want);
    // Played to the end: the time shown is the total.
    ASSERT_EQ(r.errors.size(), 18u) << r.errors;
    EXPECT_EQ(r.errors.substr(0, 7), r.errors.substr(10, 7));
  }
}

TEST_F(ToolSound, ThreeSecondsOfSpeechAreRecordedAndSaved) {
  alsa.setCaptureSamples(pcmBytes(*said_));
  // An older memo.DVG is replaced, as asked.
  testsupport::writeFile(pc / "memo.DVG", Bytes(100, 1));
  ProcessResult r = q417("record memo --seconds 3 --yes");
  ASSERT_EQ(r.status, 0) << r.errors;
  const fs::path saved = pc / "memo.DVG";
  ASSERT_TRUE(fs::exists(saved));
  const Bytes coded = voiceData(saved);
  const size_t blocks = coded.size() / voice::kCodedBlockBytes;
  EXPECT_EQ(coded.size() % voice::kCodedBlockBytes, 0u);
  // Three seconds at least; the file device may fill the input's other
  // buffers before the stop.
  EXPECT_GE(blocks, 6u);
  EXPECT_LE(blocks, 10u);
  char line[256];
  std::snprintf(line, sizeof line, "%s: %.1f s of speech\n", saved.c_str(), blocks / 2.0);
  EXPECT_EQ(r.output, line);
  EXPECT_TRUE(r.errors == "0:00:03\n" || r.errors == "0:00:04\n" || r.errors == "0:00:05\n") << r.errors;
  // What was said, behind by the codec's delay (the first two seconds are
  // one stretch of the input for certain).
  std::vector<int16_t> heard = pcmSamples(decodeReference(coded));
  heard.resize(2 * voice::kSampleRate);
  Match m = bestCorrelation(*said_, heard, 400);
  EXPECT_EQ(m.lag, size_t(voice::kCodecDelaySamples));
  EXPECT_GT(m.correlation, 0.7);
  // No temporary recording is left behind.
  EXPECT_TRUE(testsupport::entries(tmp()).empty());
}

TEST_F(ToolSound, CtrlCEndsARecordingAndSavesIt) {
  alsa.setCaptureSamples(pcmBytes(*said_));
  const std::string config = std::getenv("ALSA_CONFIG_PATH");
  testsupport::Process p({Q417_TOOL, "record", (pc / "stopped.dvg").string()},
                         {"ALSA_CONFIG_PATH=" + config, "TMPDIR=" + tmp().string()});
  ASSERT_TRUE(p.started());
  // Until the temporary recording holds a buffer.
  const fs::path saved = pc / "stopped.dvg";
  auto recorded = [&] {
    std::error_code ec;
    for (const auto &e : fs::recursive_directory_iterator(tmp(), ec))
      if (e.path().filename() == "TempRecording.dvg" && fs::file_size(e.path(), ec) > voice::header::kSize) return true;
    return false;
  };
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!recorded() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(recorded());
  p.signal(SIGINT);
  EXPECT_EQ(p.wait(), 0);
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_GT(fs::file_size(saved), voice::header::kSize);
  EXPECT_EQ((fs::file_size(saved) - voice::header::kSize) % voice::kCodedBlockBytes, 0u);
  EXPECT_TRUE(testsupport::entries(tmp()).empty());
}

TEST_F(ToolSound, RefusalsExitNonZeroWithTheReason) {
  testsupport::writeFile(pc / "notes.txt", Bytes(1000, 'x'));
  testsupport::writeFile(pc / "short.dvg", Bytes(100, 0));
  writeVoiceFile(pc / "good.dvg", encode(std::vector<int16_t>(8000, 100)));
  writeVoiceFile(pc / "good.DVG", encode(std::vector<int16_t>(8000, 100)));
  testsupport::writeFile(pc / "data.bin", Bytes(3000, 7));
  const std::string img = image();
  ASSERT_EQ(q417(img + "put 2 data.bin").status, 0);
  struct Case {
    std::string args;
    bool noSound;
    int status;
    std::string says;  // part of standard error
  } cases[] = {
      {"play", false, 2, "usage: q417 play"},
      {"play notes.txt", false, 1, "notes.txt: unknown file kind"},
      {"play missing.dvg", false, 1, "missing.dvg: no such file"},
      {"play short.dvg", false, 1, "The file is not a voice file that can be played or converted."},
      {img + "play 1 9", false, 1, "there is no number 9"},
      {img + "play 2 1", false, 1, "B 1 (data.BIN) is not a voice recording"},
      {img + "play 9 1", false, 2, "usage: q417 play"},
      {"play good.dvg", true, 1, "good.dvg: there is no sound output device"},
      {"record new.dvg --seconds 1", true, 1, "there is no sound input device"},
      {"record nofolder/new.dvg", false, 1, "the folder does not exist"},
      {"record new.dvg --seconds soon", false, 2, "usage: q417 record"},
      {"record new.dvg --seconds 0", false, 2, "usage: q417 record"},
      {"record good.dvg --seconds 1", false, 1, "good.dvg exists (replace it with --yes)"},
      {"record good --seconds 1", false, 1, "good.DVG exists (replace it with --yes)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    ProcessResult r = q417(c.args, c.noSound ? noSound_.string() : "");
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.errors.find(c.says), std::string::npos) << r.errors;
  }
  EXPECT_FALSE(fs::exists(pc / "new.dvg") || fs::exists(pc / "new.DVG"));
  EXPECT_EQ(fs::file_size(pc / "good.dvg"), voice::header::kSize + 2 * voice::kCodedBlockBytes);
  EXPECT_TRUE(testsupport::entries(tmp()).empty());
}

}  // namespace
}  // namespace e2etest
