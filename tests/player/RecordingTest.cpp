// Recording into the temporary voice file and saving it: the file's size
// and bytes, pause and resume, the partly filled last buffer, the save path
// with its mends, and the temporary file that cannot be made or goes away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "PlayerFixture.h"
#include "testsupport/Files.h"
#include "voice/VoiceHeader.h"

namespace playertest {
namespace {

namespace fs = std::filesystem;
using player::ButtonState;
namespace vh = voice::header;

// A tone the virtual input hears, sample by sample from the start.
struct Tone {
  uint64_t sample = 0;
  void operator()(uint8_t *data, size_t size) {
    for (size_t i = 0; i + 1 < size; i += 2, ++sample) {
      auto v = int16_t(std::lround(8000 * std::sin(2 * M_PI * 440 * double(sample) / 8000)));
      data[i] = uint8_t(v & 0xFF);
      data[i + 1] = uint8_t((v >> 8) & 0xFF);
    }
  }
};

// What a fresh encoder makes of the tone's first `blocks` half seconds.
std::vector<uint8_t> encodedTone(int blocks) {
  Tone tone;
  voice::EncoderStream encoder;
  std::vector<uint8_t> out;
  std::vector<uint8_t> pcm(voice::kPcmBlockBytes);
  for (int b = 0; b < blocks; ++b) {
    tone(pcm.data(), pcm.size());
    const uint8_t *coded = encoder.encode(pcm.data());
    out.insert(out.end(), coded, coded + voice::kCodedBlockBytes);
  }
  return out;
}

class PlayerRecording : public ::testing::Test {
 protected:
  void SetUp() override { rig.in->setSource(Tone{}); }
  void recordBuffers(int n) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(rig.recordOne());
  }
  fs::path temp() { return rig.p().tempRecording(); }
  PlayerRig rig;
};

TEST_F(PlayerRecording, SixBuffersSavedAsMemo) {
  rig.p().OnBtnSPRecordClick();
  EXPECT_TRUE(rig.p().state().recording);
  EXPECT_TRUE(rig.p().busy());
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Recording);
  EXPECT_EQ(std::tie(rig.buttons.record, rig.buttons.play), std::make_tuple(false, false));
  EXPECT_TRUE(rig.events.displayTimer);
  EXPECT_EQ(rig.display.kind, "DVG");
  EXPECT_EQ(rig.display.bitRate, (std::pair<int64_t, int64_t>{8, 0}));
  EXPECT_EQ(rig.display.stereo, false);
  EXPECT_EQ(temp(), rig.temp / "TempRecording.dvg");
  EXPECT_EQ(fs::file_size(temp()), 256u);

  recordBuffers(6);
  EXPECT_EQ(fs::file_size(temp()), 3256u);
  rig.p().OnTimPlayDisplayTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 3}));
  EXPECT_GT(rig.display.levels.left, 0.2f);

  // Play does nothing while recording.
  rig.pcVoiceFile("a.dvg", testsupport::pattern(1000, 1));
  rig.playPc("a.dvg");
  EXPECT_FALSE(rig.p().voiceOutput().active());

  rig.lists.saveAnswers.push_back(rig.temp / "memo.dvg");
  rig.p().OnBtnStopClick();
  EXPECT_EQ(rig.lists.askedIn, std::vector<fs::path>{rig.temp.path()});
  EXPECT_FALSE(rig.p().state().recording);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_FALSE(fs::exists(temp()));
  EXPECT_EQ(rig.lists.refreshes, 1);
  EXPECT_TRUE(rig.ui().messages.empty());

  auto bytes = testsupport::readFile(rig.temp / "memo.dvg");
  ASSERT_EQ(bytes.size(), 3256u);
  std::vector<uint8_t> name(bytes.begin() + vh::kName, bytes.begin() + vh::kName + vh::kNameSize);
  std::vector<uint8_t> want(vh::kNameSize, 0xFF);
  std::memcpy(want.data(), "memo", 4);
  EXPECT_EQ(name, want);
  EXPECT_EQ(std::string(bytes.begin() + vh::kExtension, bytes.begin() + vh::kExtension + 3), "DVG");
  int bits = 0, channels = 0, rate = 0, kind = 0;
  EXPECT_TRUE(voice::CheckG729File(bytes.data(), bits, channels, rate, kind));
  EXPECT_EQ(std::tie(bits, channels, rate), std::make_tuple(16, 1, 8000));
  // Each recording encodes with a fresh encoder.
  EXPECT_TRUE(sameBytes(std::vector<uint8_t>(bytes.begin() + 256, bytes.end()), encodedTone(6)));
}

TEST_F(PlayerRecording, PauseAndResume) {
  rig.p().OnBtnSPRecordClick();
  recordBuffers(2);
  rig.p().OnBtnPauseClick();
  EXPECT_EQ(rig.p().state().buttons, ButtonState::RecordingPaused);
  EXPECT_EQ(std::tie(rig.buttons.record, rig.buttons.play), std::make_tuple(true, false));
  EXPECT_FALSE(rig.in->recordNext());
  rig.p().OnBtnSPRecordClick();
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Recording);
  recordBuffers(1);
  EXPECT_EQ(fs::file_size(temp()), 256u + 3 * 500);
}

TEST_F(PlayerRecording, APartlyFilledLastBufferIsEncodedWhole) {
  rig.p().OnBtnSPRecordClick();
  recordBuffers(1);
  EXPECT_EQ(rig.in->record(3000), 3000u);
  rig.lists.saveAnswers.push_back(rig.temp / "part.dvg");
  rig.p().OnBtnStopClick();
  EXPECT_EQ(fs::file_size(rig.temp / "part.dvg"), 256u + 2 * 500);
  // The buffers handed back at the stop are not taken twice.
  rig.dispatch();
  EXPECT_EQ(fs::file_size(rig.temp / "part.dvg"), 256u + 2 * 500);
}

TEST_F(PlayerRecording, SaveNeverLosesTheRecording) {
  struct Case {
    const char *what;
    std::function<std::optional<fs::path>(testsupport::TempDir &)> choose;
    const char *savedAs;   // empty: not saved
    std::string nameField;
    bool message;
  } cases[] = {
      {"memo", [](auto &t) { return t / "memo"; }, "memo.DVG", "memo", false},
      {"memo.wav", [](auto &t) { return t / "memo.wav"; }, "memo.wav.DVG", "memo.wav", false},
      {"upper case", [](auto &t) { return t / "Memo.DvG"; }, "Memo.DvG", "Memo", false},
      {"over an older file",
       [](auto &t) {
         t.write("old.dvg", "older recording");
         return t / "old.dvg";
       },
       "old.dvg", "old", false},
      {"a long name cut at a character",
       [](auto &t) { return t / (std::string(127, 'a') + "\xC3\xA9" + ".dvg"); },
       "", std::string(127, 'a'), false},
      {"a folder in the way",
       [](auto &t) {
         t.write("busy.DVG/inside", "x");
         return t / "busy";
       },
       "", "", true},
      {"no such folder", [](auto &t) { return t / "missing" / "memo.dvg"; }, "", "", true},
      {"cancelled", [](auto &) { return std::optional<fs::path>(); }, "", "", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    PlayerRig r;
    r.in->setSource(Tone{});
    r.p().OnBtnSPRecordClick();
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(r.recordOne());
    const auto recorded = testsupport::readFile(r.p().tempRecording());
    std::optional<fs::path> chosen = c.choose(r.temp);
    r.lists.saveAnswers.push_back(chosen);
    r.p().OnBtnStopClick();
    EXPECT_EQ(r.p().state().buttons, ButtonState::Idle);
    EXPECT_EQ(r.ui().messages.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(r.messageKeys()[0], "FM_text_system_errmsg3");
    }

    fs::path saved = *c.savedAs ? r.temp / c.savedAs : fs::path();
    if (!c.nameField.empty() && saved.empty()) saved = player::savedRecordingPath(*chosen);
    if (saved.empty()) {
      // Kept for another try, byte for byte.
      EXPECT_TRUE(sameBytes(testsupport::readFile(r.p().tempRecording()), recorded));
      EXPECT_EQ(r.lists.refreshes, 0);
      if (std::string(c.what) == "a folder in the way") {
        EXPECT_TRUE(fs::exists(r.temp / "busy.DVG" / "inside"));
      }
      continue;
    }
    EXPECT_FALSE(fs::exists(r.p().tempRecording()));
    auto bytes = testsupport::readFile(saved);
    ASSERT_EQ(bytes.size(), recorded.size());
    EXPECT_TRUE(std::equal(bytes.begin() + 256, bytes.end(), recorded.begin() + 256));
    EXPECT_EQ(voice::DirectoryFieldText(bytes.data() + vh::kName, vh::kNameSize), c.nameField);
    EXPECT_EQ(r.lists.refreshes, 1);
    // Nothing left behind beside the target.
    for (const auto &e : testsupport::entries(saved.parent_path())) EXPECT_EQ(e.find(".part-"), std::string::npos) << e;
  }
}

TEST_F(PlayerRecording, ACancelledSaveIsReplacedByTheNextRecording) {
  rig.p().OnBtnSPRecordClick();
  recordBuffers(3);
  rig.p().OnBtnStopClick();  // no answer: cancelled
  EXPECT_EQ(fs::file_size(temp()), 256u + 3 * 500);
  rig.p().OnBtnSPRecordClick();
  EXPECT_EQ(fs::file_size(temp()), 256u);
}

TEST_F(PlayerRecording, ATemporaryFileThatCannotBeMadeLeavesTheButtons) {
  // A folder of that name with something in it cannot be replaced by a file.
  rig.temp.write("TempRecording.dvg/keep", "x");
  const int calls = rig.buttons.calls;
  rig.p().OnBtnSPRecordClick();
  EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg2"});
  EXPECT_EQ(rig.ui().messages[0].captionKey, "FM_kind_errormsg0");
  EXPECT_EQ(rig.buttons.calls, calls);
  EXPECT_FALSE(rig.p().state().recording);
  EXPECT_FALSE(rig.events.displayTimer);
  EXPECT_FALSE(rig.in->isOpen());
}

TEST_F(PlayerRecording, ATemporaryFileThatGoesStopsTheInputUntilStop) {
  rig.p().OnBtnSPRecordClick();
  recordBuffers(2);
  fs::remove(temp());
  ASSERT_TRUE(rig.recordOne());
  EXPECT_FALSE(rig.in->isOpen());
  EXPECT_TRUE(rig.p().state().recording);
  EXPECT_FALSE(fs::exists(temp()));  // not made again without its header
  rig.lists.saveAnswers.push_back(rig.temp / "memo.dvg");
  rig.p().OnBtnStopClick();
  EXPECT_FALSE(rig.p().state().recording);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_FALSE(fs::exists(rig.temp / "memo.dvg"));
}

}  // namespace
}  // namespace playertest
