// The editor window offscreen: what is enabled with nothing loaded, opening
// WAV and voice files with every refusal shown as the user sees it, the
// status bar, Save As and the closing question.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "../app/QtTestEnvironment.h"
#include "../app/SoundFiles.h"
#include "app/QtJobUi.h"
#include "components/texts/MessageTexts.h"
#include "components/waveedit/WaveObject.h"
#include "components/wavefile/WaveFile.h"
#include "editor/EditorKeys.h"
#include "editor/TForm_Edit.h"
#include "editor/edit/UndoList.h"
#include "testsupport/TempDir.h"

using namespace editor;
namespace fs = std::filesystem;

namespace {

struct Answered {
  QString text;
  bool shown = false;
};

// Presses the button with the given role when the next message box shows,
// remembering its text.
void answerNextBox(Answered &seen, QMessageBox::ButtonRole role = QMessageBox::AcceptRole) {
  testsupport::whenModalShown([&seen, role](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) {
      modal->close();
      return;
    }
    seen.shown = true;
    seen.text = box->text();
    for (QAbstractButton *b : box->buttons())
      if (box->buttonRole(b) == role) {
        b->click();
        return;
      }
    box->buttons().first()->click();
  });
}

class EditorWindowTest : public ::testing::Test {
 protected:
  EditorWindowTest()
      : texts(components::MessageTexts::load(testsupport::sourceDataFolder() / "Q417.ini")),
        ui(texts),
        window(TForm_Edit::Setup{&texts, &ui, dir / "TempData", {}}) {
    window.setDialogs([this](Pane) { return next(opens); }, [this](const std::string &) { return next(saves); });
  }
  static std::optional<std::string> next(std::vector<std::string> &q) {
    if (q.empty()) return std::nullopt;
    std::string a = q.front();
    q.erase(q.begin());
    return a;
  }
  std::string wav(const std::string &name, soundfiles::Tone tone = {}) {
    return soundfiles::makeWav(dir.path(), name, tone).string();
  }
  void open(Pane pane, const std::string &path) {
    opens.push_back(path);
    if (pane == Pane::Edit)
      window.Button_OpenDownFile->click();
    else
      window.button_openupfile->click();
  }
  QString text(const char *key) { return QString::fromStdString(texts.text(key)); }

  testsupport::TempDir dir;
  components::MessageTexts texts;
  app::QtJobUi ui;
  TForm_Edit window;
  std::vector<std::string> opens, saves;
};

TEST_F(EditorWindowTest, NothingLoadedLeavesOnlyTheFileMenu) {
  EXPECT_TRUE(window.N_menFile->isEnabled());
  EXPECT_TRUE(window.N_Opendownfile->isEnabled() && window.N_Openupfile->isEnabled());
  EXPECT_FALSE(window.N_Saveas->isEnabled() || window.N_Closedownfile->isEnabled() ||
               window.N_Closeupfile->isEnabled());
  EXPECT_FALSE(window.N_menEdit->isEnabled());
  EXPECT_FALSE(window.n_manreference->isEnabled());
  EXPECT_FALSE(window.CutterPanel->zoomed()->isEnabled());
  EXPECT_FALSE(window.cutterpanel_up->zoomed()->isEnabled());
  EXPECT_FALSE(window.SpeedBar->isEnabled());
  EXPECT_FALSE(window.button_saveas->isEnabled() || window.button_downclose->isEnabled());
  EXPECT_EQ(window.N_Opendownfile->text(), text("FE_PDopenedit"));
}

TEST_F(EditorWindowTest, RefusedFormatsAreNamed) {
  std::string empty = (dir / "empty.wav").string();
  {
    components::WaveFile file;
    ASSERT_TRUE(file.create(empty, components::WaveFormat::pcm(1, 8000, 16)));
    file.close();
  }
  std::string gsm = (dir / "gsm.wav").string();
  ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -e gsm-full-rate " + gsm + " synth 1 sine 440").c_str()), 0);
  struct Case {
    std::string path;
    QString expected;
  } cases[] = {
      {wav("stereo.wav", {22050, 2}), "[STEREO/22K/16Bit]" + text(keys::kBadFormat)},
      {wav("bits8.wav", {8000, 1, 1.0, 8}), "[8K/8Bit]" + text(keys::kBadFormat)},
      {wav("rate16k.wav", {16000, 1}), "[16K/16Bit]" + text(keys::kBadFormat)},
      {wav("rate22k.wav", {22050, 1}), "[22K/16Bit]" + text(keys::kBadFormat)},
      {gsm, "GSM610" + text(keys::kBadFormat)},
      {empty, text(keys::kNoAudio)},
  };
  for (const Case &k : cases) {
    Answered seen;
    answerNextBox(seen);
    open(Pane::Edit, k.path);
    EXPECT_TRUE(seen.shown) << k.path;
    EXPECT_EQ(seen.text, k.expected) << k.path;
    EXPECT_FALSE(window.session().pane(Pane::Edit).open) << k.path;
  }
}

TEST_F(EditorWindowTest, OpensBothPanesShowsRatesAndSaves) {
  std::string edit = wav("edit.wav", {8000, 1, 2.0});
  std::string ref = wav("ref.wav", {11025, 1, 1.0});
  open(Pane::Edit, edit);
  ASSERT_TRUE(window.session().pane(Pane::Edit).open);
  EXPECT_EQ(window.StatusRate->text(), "8.000 Hz");
  EXPECT_EQ(window.StatusBits->text(), "16 Bit");
  EXPECT_EQ(window.StatusVolume->text(), "0.00 dB");
  EXPECT_TRUE(window.CutterPanel->zoomed()->isEnabled());
  EXPECT_TRUE(window.N_menEdit->isEnabled());
  EXPECT_EQ(window.CutterPanel->state()->length(), 16000);
  open(Pane::Reference, ref);
  EXPECT_EQ(window.session().activePane(), 1);
  EXPECT_EQ(window.StatusRate->text(), "11.025 Hz");
  EXPECT_FALSE(window.CutterPanel->zoomed()->isEnabled());
  EXPECT_TRUE(window.cutterpanel_up->zoomed()->isEnabled());

  // The same file again in the other pane is refused.
  Answered seen;
  answerNextBox(seen);
  open(Pane::Edit, ref);
  EXPECT_EQ(seen.text, text(keys::kIsReferenceFile));
  EXPECT_EQ(window.session().pane(Pane::Edit).fileName, edit);

  // A selection in the edit pane, a marker and a louder envelope, then Save As.
  window.session().activate(Pane::Edit);
  window.CutterPanel->state()->setSelection(100, 4000);
  EXPECT_EQ(window.session().pane(Pane::Edit).selEnd, 4000);
  EXPECT_EQ(window.StatusSelected->text(), "0:00.487");
  components::Marker marker;
  marker.id = 1;
  marker.offset = 800;
  marker.name = "Marker";
  window.CutterPanel->state()->setMarkers({marker});
  window.button_scaleup->click();
  EXPECT_TRUE(window.session().modified());
  EXPECT_TRUE(window.CutterPanel->envelopeVisible());
  std::string out = (dir / "saved.wav").string();
  saves.push_back(out);
  window.button_saveas->click();
  EXPECT_FALSE(window.session().modified());
  components::WaveObject saved;
  ASSERT_EQ(saved.open(out), components::WaveOpen::Ok);
  EXPECT_EQ(saved.dataSamples(), 16000);
}

TEST_F(EditorWindowTest, SaveOverTheOpenedFileAndAFailedSave) {
  std::string edit = wav("edit.wav", {8000, 1, 1.0});
  open(Pane::Edit, edit);
  window.button_scaledown->click();
  ASSERT_TRUE(window.session().modified());
  // Into a folder that does not exist: the render fails and says so.
  saves.push_back((dir / "missing/out.wav").string());
  Answered failed;
  answerNextBox(failed);
  window.button_saveas->click();
  EXPECT_EQ(failed.text, text(keys::kSaveFailed));
  EXPECT_TRUE(window.session().modified());
  // Over the opened file: asked first, then saved and shown afresh.
  saves.push_back(edit);
  Answered replace;
  answerNextBox(replace, QMessageBox::YesRole);
  window.button_saveas->click();
  EXPECT_TRUE(replace.shown);
  EXPECT_FALSE(window.session().modified());
  EXPECT_EQ(window.session().pane(Pane::Edit).fileName, edit);
  EXPECT_FALSE(window.CutterPanel->envelopeVisible());  // the saved file carries the envelope
  components::WaveObject saved;
  ASSERT_EQ(saved.open(edit), components::WaveOpen::Ok);
  EXPECT_EQ(saved.dataSamples(), 8000);
}

TEST_F(EditorWindowTest, VoiceFileOpensThroughConversion) {
  std::string voice = soundfiles::makeVoice(dir.path(), "memo.DVG", 1.0).string();
  std::string target = (dir / "memo.WAV").string();
  saves.push_back(target);
  open(Pane::Edit, voice);
  ASSERT_TRUE(window.session().pane(Pane::Edit).open);
  EXPECT_EQ(window.session().pane(Pane::Edit).fileName, target);
  EXPECT_EQ(window.CutterPanel->state()->length(), 8000);
  EXPECT_EQ(window.CutterPanel->fileNameField()->text().toStdString(), target);
}

TEST_F(EditorWindowTest, ClosingModifiedThenCancellingTheSaveDialogKeepsTheWindowOpen) {
  window.show();
  open(Pane::Edit, wav("edit.wav"));
  window.button_scaleup->click();
  Answered question;
  answerNextBox(question, QMessageBox::RejectRole);  // the third button: save first
  EXPECT_FALSE(window.close());                     // and the save dialog is cancelled
  EXPECT_EQ(question.text, text(keys::kModifiedQuestion));
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.session().modified());
  Answered discard;
  answerNextBox(discard, QMessageBox::YesRole);
  EXPECT_TRUE(window.close());
  EXPECT_FALSE(window.session().pane(Pane::Edit).open);
}

TEST_F(EditorWindowTest, ButtonsCopyPasteCutAndUndoAtTheLocatorTheUserSet) {
  window.show();
  open(Pane::Reference, wav("ref.wav", {8000, 1, 1.0}));
  open(Pane::Edit, wav("edit.wav", {8000, 1, 2.0}));
  auto *ref = window.cutterpanel_up->state();
  auto *edit = window.CutterPanel->state();
  window.session().activate(Pane::Reference);
  ref->setSelection(1000, 3000);
  window.button_viewcopy->click();
  ASSERT_TRUE(window.commands().clipboard().valid());

  window.session().activate(Pane::Edit);
  edit->setLocator(4000);  // an idle pane keeps its locator through every command
  window.button_paste->click();
  EXPECT_EQ(edit->length(), 18000);
  EXPECT_EQ(edit->selectionStart(), 4000);
  EXPECT_EQ(edit->selectionEnd(), 6000);
  EXPECT_TRUE(window.session().modified());

  const std::string pasted = window.session().workingFile();
  edit->setSelection(12000, 13000);
  const int width = window.screenWidth();
  window.button_cut->click();
  EXPECT_EQ(edit->length(), 17000);
  EXPECT_EQ(edit->locator(), 12000);
  EXPECT_GE(17000, width);
  const std::string cut = window.session().workingFile();
  // Every shown state keeps its display data beside it for the undo.
  EXPECT_TRUE(fs::exists(displayDataFile(pasted)));
  EXPECT_TRUE(fs::exists(displayDataFile(cut)));

  window.N_Undo->trigger();
  EXPECT_EQ(edit->length(), 18000);
  EXPECT_EQ(window.CutterPanel->cache()->frames(), 18000);
  EXPECT_FALSE(fs::exists(cut));
  EXPECT_FALSE(fs::exists(displayDataFile(cut)));
  window.N_Undo->trigger();
  EXPECT_EQ(edit->length(), 16000);
  EXPECT_FALSE(window.session().modified());
  EXPECT_FALSE(window.N_Undo->isEnabled());
  EXPECT_FALSE(fs::exists(displayDataFile(pasted)));
}

}  // namespace
