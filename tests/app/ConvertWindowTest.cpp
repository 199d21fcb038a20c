// The conversion command in the main window: the selection of the PC list,
// the options dialog (folder chooser, Overwrite reset after the job, Cancel)
// and the files the job leaves in the PC list.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <fstream>

#include "QtTestEnvironment.h"
#include "WindowOptions.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/Startup.h"
#include "app/convert/ConvDialog.h"
#include "app/convert/ConvertLauncher.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcPanel.h"
#include "app/pc/PcToolRow.h"
#include "q417io/Flash.h"
#include "testsupport/Files.h"
#include "testsupport/MemoryFlashIo.h"
#include "testsupport/Process.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// A 16-bit PCM WAV of `frames` frames of silence.
void writeWav(const fs::path &path, uint32_t rate, uint16_t channels, size_t frames) {
  const uint32_t data = static_cast<uint32_t>(frames * channels * 2);
  std::ofstream out(path, std::ios::binary);
  auto le = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(v >> (8 * i)));
  };
  out << "RIFF";
  le(36 + data, 4);
  out << "WAVEfmt ";
  le(16, 4), le(1, 2), le(channels, 2), le(rate, 4), le(rate * channels * 2, 4), le(channels * 2, 2), le(16, 2);
  out << "data";
  le(data, 4);
  out << std::string(data, '\0');
}

class ConvertWindow : public testing::Test {
 protected:
  ConvertWindow() : flash(q417io::Flash::inMemory(1024)), memory(*flash) {
    quillorn = std::make_unique<app::Quillorn>(testsupport::windowTestOptions(dir.path(), memory));
    EXPECT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    pc = app::PcSide::of(*main)->panel();
    launcher = app::ConvertLauncher::of(*main);
    fs::create_directories(dir / "pc");
    fs::create_directories(dir / "out");
  }

  void showPcFolder(int files) {
    pc->setDirectory(QString::fromStdString((dir / "pc").string()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == files; }));
  }

  // Answers the options dialog: the folder, the tick and the button.
  void answerDialog(const fs::path &folder, bool overwrite, bool go) {
    testsupport::whenModalShown([=, this](QWidget *modal) {
      auto *dialog = qobject_cast<app::TFrmConvDialog *>(modal);
      ASSERT_NE(dialog, nullptr);
      seenFolder = dialog->Edit_OutDirectory->text().toStdString();
      stayedOnTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
      dialog->chooseFolder = [folder](QWidget *, const QString &) { return QString::fromStdString(folder.string()); };
      dialog->Button_convert->click();
      dialog->m_ChkOverwrite->setChecked(overwrite);
      (go ? dialog->button_go : dialog->button_cancel)->click();
    });
  }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  pc::PcPanel *pc = nullptr;
  app::ConvertLauncher *launcher = nullptr;
  std::string seenFolder;
  bool stayedOnTop = false;
};

TEST_F(ConvertWindow, TheLauncherIsInstalledOnTheMenuTheButtonAndThePopUp) {
  ASSERT_NE(launcher, nullptr);
  EXPECT_TRUE(main->launcherAction(app::TFrmMain::Launcher::Convert)->isEnabled());
  EXPECT_TRUE(pc->toolRow()->m_BtnConvert->isEnabled());
  EXPECT_TRUE(pc->m_PupMuPC->joined().convert);
}

TEST_F(ConvertWindow, TheSelectionConvertsIntoTheChosenFolder) {
  writeWav(dir / "pc" / "a.wav", 8000, 1, 8000);
  writeWav(dir / "pc" / "b.wav", 44100, 2, 44100);
  writeWav(dir / "out" / "a.DVG", 8000, 1, 1);  // replaced: Overwrite is ticked
  showPcFolder(2);
  pc->OnPupPCSelectAllClick();
  answerDialog(dir / "out", true, true);
  main->launcherAction(app::TFrmMain::Launcher::Convert)->trigger();

  EXPECT_EQ(seenFolder, (dir / "pc").string());  // the PC list's folder first
  EXPECT_TRUE(stayedOnTop);
  EXPECT_TRUE(launcher->lastResult().allConverted());
  EXPECT_EQ(fs::file_size(dir / "out" / "a.DVG"), 256u + 1000u);
  EXPECT_EQ(fs::file_size(dir / "out" / "b.DVG"), 256u + 1000u);
  EXPECT_FALSE(launcher->dialog()->m_ChkOverwrite->isChecked());  // reset after every job
  EXPECT_TRUE(main->isEnabled());

  // Back again into the PC list's own folder, which then lists the results.
  pc->setDirectory(QString::fromStdString((dir / "out").string()));
  ASSERT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == 2; }));
  pc->OnPupPCSelectAllClick();
  answerDialog(dir / "out", false, true);
  pc->toolRow()->m_BtnConvert->click();
  EXPECT_TRUE(launcher->lastResult().allConverted());
  EXPECT_EQ(fs::file_size(dir / "out" / "a.WAV"), 44u + 16000u);
  EXPECT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == 4; }));
}

TEST_F(ConvertWindow, CancelAndAnEmptySelectionConvertNothing) {
  writeWav(dir / "pc" / "a.wav", 8000, 1, 800);
  showPcFolder(1);
  // Nothing selected: no dialog (one that shows is closed and counted).
  int shown = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget *modal = QApplication::activeModalWidget()) {
      ++shown;
      modal->close();
    }
  });
  closer.start(20);
  launcher->OnBtnConvertClick();
  testsupport::waitUntil([] { return false; }, 100);
  closer.stop();
  EXPECT_EQ(shown, 0);
  EXPECT_TRUE(fs::is_empty(dir / "out"));

  pc->OnPupPCSelectAllClick();
  answerDialog(dir / "out", true, false);
  launcher->OnBtnConvertClick();
  EXPECT_TRUE(fs::is_empty(dir / "out"));
}

}  // namespace
