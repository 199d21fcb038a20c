// Tform_speed on the offscreen platform over libsonavel.so's virtual output:
// what the user sees after opening a file, while playing and at the end.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QMessageBox>

#include "../app/QtTestEnvironment.h"
#include "SpeedWindow.h"
#include "components/ScriptedJobUi.h"
#include "components/texts/MessageTexts.h"
#include "sonavel.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using speed::FrameSpan;
using speed::Tform_speed;
using testsupport::waitUntil;

class SpeedWindow : public ::testing::Test {
 protected:
  SpeedWindow() {
    ::setenv("SONAVEL_OUTPUT", "virtual", 1);
    ::setenv("SONAVEL_VIRTUAL_SPEED", "10", 1);
    ::unsetenv("SONAVEL_VIRTUAL_CAPTURE");
    texts = components::MessageTexts::load(testsupport::sourceDataFolder() / "Q417.ini");
    fixtures::Pcm format{1, 22050, 16};
    fixtures::writeWav(dir / "two.wav", format, fixtures::sinePcm(format, 2 * 22050, 300.0));
    fixtures::writeWav(dir / "other.wav", format, fixtures::sinePcm(format, 22050, 500.0));
    fixtures::writeWav(dir / "ten.wav", format, fixtures::sinePcm(format, 10 * 22050, 400.0));
    Tform_speed::Setup setup;
    setup.texts = &texts;
    setup.ui = &ui;
    setup.tempFolder = dir / "TempData";
    window = std::make_unique<Tform_speed>(std::move(setup));
    window->dialogHook = [this](bool save, const std::string &preset) -> std::optional<std::string> {
      presets.push_back(preset);
      if (answers.empty()) return std::nullopt;
      auto answer = answers.front();
      answers.erase(answers.begin());
      (void)save;
      return answer;
    };
    window->resize(900, 600);
    window->show();
  }
  ~SpeedWindow() override { window.reset(); }

  void open(const fs::path &file) {
    answers.push_back(file.string());
    window->button_openfile->click();
  }
  // The text of the next message box, which is answered with OK.
  std::string boxAfter(const std::function<void()> &action) {
    std::string text;
    testsupport::whenModalShown([&text](QWidget *modal) {
      if (auto *box = qobject_cast<QMessageBox *>(modal)) text = box->text().toStdString();
      modal->close();
    });
    action();
    return text;
  }

  components::MessageTexts texts;
  components::ScriptedJobUi ui;
  fixtures::TempDir dir;
  std::unique_ptr<Tform_speed> window;
  std::vector<std::optional<std::string>> answers;
  std::vector<std::string> presets;
};

TEST_F(SpeedWindow, StartsEmptyWithItsCaptionAndTexts) {
  EXPECT_EQ(window->windowTitle(), "Speeder");
  EXPECT_EQ(window->n_open->text(), "Open &Wave File...");
  EXPECT_EQ(window->SelectionPopup_Play->text(), "&Play Selection");
  EXPECT_EQ(window->button_play->toolTip(), "Play");
  EXPECT_EQ(window->button_cancel->text(), "Cancel");
  EXPECT_FALSE(window->CutterPanel->isEnabled());
  for (QWidget *w : std::initializer_list<QWidget *>{window->button_play, window->button_stop, window->trackbar_speed,
                                                     window->checkbox_repeat, window->m_VolMixerSlider})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(window->m_MenuWindow->isEnabled());
  EXPECT_EQ(window->trackbar_speed->minimum(), -20);
  EXPECT_EQ(window->trackbar_speed->maximum(), 20);
}

TEST_F(SpeedWindow, OpeningAWaveShowsItAndPlayingRunsToItsEnd) {
  open(dir / "two.wav");
  ASSERT_EQ(window->player().loadedName(), (dir / "two.wav").string());
  EXPECT_TRUE(window->CutterPanel->isEnabled());
  EXPECT_EQ(window->StatusRate->text(), "22.050 Hz");
  EXPECT_EQ(window->StatusBits->text(), "16 Bit");
  EXPECT_EQ(window->m_PnlTotalTime->text(), "0:02.000");
  EXPECT_EQ(window->StatusTime->text(), "0:00.000");
  EXPECT_TRUE(window->StatusFile->text().contains("two.wav"));
  EXPECT_EQ(window->markers(), (FrameSpan{0, 44100}));
  EXPECT_NE(window->CutterView->peakCache(), nullptr);
  EXPECT_TRUE(window->button_play->isEnabled());
  EXPECT_TRUE(window->m_MenuWindow->isEnabled());

  // Ten seconds at 1.5x take about 0.7 s at the virtual output's ten times
  // real time: several ticks.
  open(dir / "ten.wav");
  window->trackbar_speed->setValue(10);
  EXPECT_DOUBLE_EQ(DllGetRate(), 1.0);
  window->button_play->click();
  EXPECT_TRUE(window->m_TimMySpeed->isActive());
  EXPECT_FALSE(window->button_play->isEnabled());
  EXPECT_TRUE(window->button_pause->isEnabled());
  EXPECT_FALSE(window->ScrollPanel->isEnabled());  // locked while playing
  int64_t furthest = 0;
  ASSERT_TRUE(waitUntil(
      [&] {
        furthest = std::max(furthest, window->locator());
        return !window->m_TimMySpeed->isActive();
      },
      10000));
  EXPECT_GT(furthest, 4 * 22050);
  EXPECT_EQ(window->locator(), 0);
  EXPECT_TRUE(window->button_play->isEnabled());
  EXPECT_TRUE(window->ScrollPanel->isEnabled());
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
}

TEST_F(SpeedWindow, ASelectionRepeatsUntilStop) {
  open(dir / "two.wav");
  window->checkbox_repeat->setChecked(true);
  window->waveState().setSelection(11025, 22050);
  window->SelectionPopup_Play->trigger();
  ASSERT_TRUE(window->m_TimMySpeed->isActive());
  // The first tick brings the locator into the selection.
  ASSERT_TRUE(waitUntil([&] { return window->locator() != 0; }, 5000));
  int64_t lowest = INT64_MAX;
  int wraps = 0;
  int64_t previous = 0;
  waitUntil(
      [&] {
        const int64_t at = window->locator();
        lowest = std::min(lowest, at);
        wraps += at < previous;
        previous = at;
        return wraps >= 2;
      },
      10000);
  EXPECT_GE(wraps, 2);
  EXPECT_GE(lowest, 11025);
  window->button_stop->click();
  EXPECT_FALSE(window->m_TimMySpeed->isActive());
  EXPECT_EQ(window->locator(), 11025);
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
}

TEST_F(SpeedWindow, RefusalsShowTheirBoxesAndKeepTheFile) {
  open(dir / "two.wav");
  EXPECT_EQ(boxAfter([&] { open(dir / "two.wav"); }), texts.text("FS_wav_msg0"));
  EXPECT_EQ(boxAfter([&] { open(dir / "notes.txt"); }), texts.text("FS_wav_msg2"));
  fixtures::writeFile(dir / "broken.wav", testsupport::pattern(300, 7));
  EXPECT_EQ(boxAfter([&] { open(dir / "broken.wav"); }), texts.text("FS_wav_msg2"));
  EXPECT_EQ(window->player().loadedName(), (dir / "two.wav").string());
  EXPECT_TRUE(window->button_play->isEnabled());
  // A voice file whose save dialog is cancelled changes nothing.
  answers.push_back((dir / "memo.dvg").string());
  answers.push_back(std::nullopt);
  window->button_openfile->click();
  EXPECT_EQ(presets.back(), (dir / "memo.wav").string());
  EXPECT_EQ(window->player().loadedName(), (dir / "two.wav").string());
}

TEST_F(SpeedWindow, ClosingTheFileAndTheWindow) {
  open(dir / "two.wav");
  window->waveState().setSelection(100, 200);
  window->n_close->trigger();
  EXPECT_EQ(window->player().loadedName(), "");
  EXPECT_FALSE(window->CutterPanel->isEnabled());
  EXPECT_FALSE(window->button_play->isEnabled());
  EXPECT_EQ(window->StatusRate->text(), "");
  EXPECT_EQ(window->waveState().rangeEnd(), 44100);
  EXPECT_FALSE(window->waveState().hasSelection());

  open(dir / "other.wav");
  bool closed = false;
  window->onClosed = [&] { closed = true; };
  window->button_play->click();
  window->close();
  EXPECT_TRUE(closed);
  EXPECT_EQ(window->player().loadedName(), "");
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
}

TEST_F(SpeedWindow, SelectAllTogglesAndZoomFollowsTheSelection) {
  open(dir / "two.wav");
  window->n_SelectAllswitch->trigger();
  EXPECT_EQ(window->selection(), (FrameSpan{0, 44100}));
  window->n_SelectAllswitch->trigger();
  EXPECT_EQ(window->selection(), (FrameSpan{0, 0}));
  window->waveState().setSelection(1000, 3000);
  window->SelectionPopup_zoom->trigger();
  EXPECT_EQ(window->zoom(), (FrameSpan{1000, 3000}));
  window->button_normalrange->click();
  EXPECT_EQ(window->zoom(), (FrameSpan{0, 44100}));
  window->Selectionpopup_discardselection->trigger();
  EXPECT_FALSE(window->waveState().hasSelection());
}

}  // namespace
