// The attachments of a mail: the questions about voice files, the WAV files
// made for them, and what is attached when a WAV is there already, when the
// user says No and when the decode is cancelled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "components/ScriptedJobUi.h"
#include "components/wavefile/WaveFile.h"
#include "mail/MailJob.h"
#include "testsupport/Files.h"
#include "testsupport/TempDir.h"
#include "voice/VoiceHeader.h"

namespace {

namespace fs = std::filesystem;
using components::ScriptedJobUi;
using testsupport::TempDir;

struct Mail : ::testing::Test {
  TempDir dir;
  ScriptedJobUi ui;
  mail::MailJob job{ui};
  std::vector<std::string> asked;  // prefix + key of every named question

  Mail() {
    job.namedMessage = [this](std::string_view, const std::string &prefix, std::string_view key,
                              components::MsgKind, int buttons) {
      asked.push_back(prefix + std::string(key));
      return ui.messageBox("", key, components::MsgKind::Warning, buttons);
    };
  }
  // A voice file of `coded` bytes of G.729 data (two seconds for 2000).
  void voiceFile(const std::string &name, size_t coded = 2000) {
    std::vector<uint8_t> bytes(256);
    voice::MakeG729FileHeader(bytes.data(), 16, 8000, 1, name, true);
    for (size_t i = 0; i < coded; ++i) bytes.push_back(static_cast<uint8_t>(i * 13));
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  }
  std::string path(const std::string &name) { return (dir / name).string(); }
  std::vector<std::string> attach(const std::vector<std::string> &names) {
    return job.attachments(dir.path().string(), names);
  }
};

TEST_F(Mail, NoFileSelectedGivesNoAttachment) {
  EXPECT_TRUE(attach({}).empty());
  EXPECT_EQ(ui.events, (std::vector<std::string>{"open:[FM_Caption_title8]", "total:0:1 of 1:No message", "close"}));
}

// Two voice files ask twice, each with its own name; Yes decodes into
// NAME.WAV beside it, No attaches the voice file; other files go as they are.
TEST_F(Mail, EachVoiceFileIsAskedAbout) {
  voiceFile("one.dvg");
  voiceFile("Zwei Grüße.DVG");
  std::ofstream(dir / "notes.txt") << "notes";
  ui.answers = {components::kResultYes, components::kResultNo};
  const auto files = attach({"one.dvg", "notes.txt", "Zwei Grüße.DVG"});
  EXPECT_EQ(asked, (std::vector<std::string>{"one.dvg : FEM_mail_errmsg6", "Zwei Grüße.DVG : FEM_mail_errmsg6"}));
  EXPECT_EQ(files, (std::vector<std::string>{path("one.WAV"), path("notes.txt"), path("Zwei Grüße.DVG")}));
  components::WaveFile wave;
  ASSERT_TRUE(wave.open(path("one.WAV")));
  EXPECT_EQ(wave.dataSize(), 2000u * 16);
  EXPECT_FALSE(fs::exists(dir / "Zwei Grüße.WAV"));
}

// A WAV of the name already there, in either case, is kept: a warning, and
// the voice file goes.
TEST_F(Mail, AnExistingWaveIsKeptAndTheVoiceFileAttached) {
  for (const char *existing : {"x.wav", "x.WAV"}) {
    TempDir folder;
    mail::MailJob inFolder(ui);
    std::ofstream(folder / existing) << "mine";
    std::vector<uint8_t> header(256);
    voice::MakeG729FileHeader(header.data(), 16, 8000, 1, "x.dvg", true);
    std::ofstream(folder / "x.dvg", std::ios::binary).write(reinterpret_cast<const char *>(header.data()), 256) << "coded";
    ui.messages.clear();
    const auto files = inFolder.attachments(folder.path().string(), {"x.dvg"});
    EXPECT_EQ(files, (std::vector<std::string>{(folder / "x.dvg").string()})) << existing;
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].textKey, "FM_text_system_errmsg10");
    EXPECT_EQ(testsupport::readFile(folder / existing), (testsupport::Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(testsupport::entries(folder.path()).size(), 2u);
  }
}

// A cancelled or failed decode attaches the voice file and leaves no WAV.
TEST_F(Mail, ADecodeThatDoesNotFinishLeavesNoWave) {
  voiceFile("long.dvg", 500 * 40);
  std::ofstream(dir / "bad.dvg") << "not a voice file";
  ui.cancelAtPump = 3;
  const auto files = attach({"long.dvg", "bad.dvg"});
  EXPECT_EQ(files, (std::vector<std::string>{path("long.dvg"), path("bad.dvg")}));
  EXPECT_EQ(testsupport::entries(dir.path()), (std::vector<std::string>{"bad.dvg", "long.dvg"}));
  EXPECT_TRUE(ui.showed("FM_text_system_errmsg11"));
}

}  // namespace
