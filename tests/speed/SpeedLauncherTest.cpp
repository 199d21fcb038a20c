// The main window's launcher opens the speed player: the PC list's folder
// and selected WAV or voice file preset the open dialog, the main window
// hides until the speed player closes, and the volume follows.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "../app/WindowOptions.h"
#include "SpeedInstaller.h"
#include "SpeedWindow.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerToolbar.h"
#include "app/pc/PcFileList.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcPanel.h"
#include "app/pc/PcToolRow.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;

class SpeedLauncher : public ::testing::Test {
 protected:
  SpeedLauncher() : flash(q417io::Flash::inMemory(1024)), memory(*flash) {
    ::setenv("SONAVEL_OUTPUT", "virtual", 1);
    ::setenv("SONAVEL_VIRTUAL_SPEED", "10", 1);
    ::unsetenv("SONAVEL_VIRTUAL_CAPTURE");
    app::StartupOptions o = testsupport::windowTestOptions(dir.path(), memory);
    o.windows.push_back(speed::installSpeedPlayer);
    quillorn = std::make_unique<app::Quillorn>(o);
    EXPECT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    main->show();
    window = speed::speedPlayerOf(*quillorn);
    pc = app::PcSide::of(*main)->panel();
    fs::create_directories(dir / "pc");
    fixtures::Pcm mono{1, 8000, 16};
    fixtures::writeWav(dir / "pc" / "Memo.WAV", mono, fixtures::sinePcm(mono, 8000, 300.0));
    fixtures::writeFile(dir / "pc" / "song.mp3", {1, 2, 3});
  }
  void showPcFolder() {
    pc->setDirectory(QString::fromStdString((dir / "pc").string()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == 2; }));
  }

  testsupport::TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  speed::Tform_speed *window = nullptr;
  pc::PcPanel *pc = nullptr;
};

TEST_F(SpeedLauncher, OpensTheSelectedWaveAndGivesTheMainWindowBackOnClose) {
  ASSERT_NE(window, nullptr);
  QAction *launch = main->launcherAction(app::TFrmMain::Launcher::Speed);
  EXPECT_TRUE(launch->isEnabled());
  EXPECT_TRUE(pc->toolRow()->m_BtnSpeed->isEnabled());
  showPcFolder();
  pc->OnPupPCSelectAllClick();  // Memo.WAV comes first
  main->m_MainToolBar->m_VolMixerSlider->setValue(40);
  std::vector<std::string> asked;
  window->dialogHook = [&](bool save, const std::string &) -> std::optional<std::string> {
    asked.push_back(save ? "save" : "open");
    if (save) return std::nullopt;
    return (fs::path(window->openDialogFolder().toStdString()) / window->openDialogName().toStdString()).string();
  };
  pc->toolRow()->m_BtnSpeed->click();
  EXPECT_FALSE(main->isVisible());
  EXPECT_TRUE(window->isVisible());
  ASSERT_TRUE(testsupport::waitUntil([&] { return !asked.empty(); }));
  EXPECT_EQ(window->openDialogFolder().toStdString(), (dir / "pc").string());
  EXPECT_EQ(window->player().loadedName(), (dir / "pc" / "Memo.WAV").string());
  EXPECT_EQ(window->m_VolMixerSlider->value(), 40);
  window->m_VolMixerSlider->setValue(70);
  EXPECT_EQ(main->m_MainToolBar->m_VolMixerSlider->value(), 70);  // drives the main window's volume

  window->close();
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(window->player().loadedName(), "");
}

TEST_F(SpeedLauncher, AnMp3SelectionPresetsNoName) {
  showPcFolder();
  // Only the song selected: the dialog opens in the folder without a name.
  QItemSelectionModel *selection = pc->m_LvPCFileList->selectionModel();
  const QAbstractItemModel *model = selection->model();
  for (int row = 0; row < model->rowCount(); ++row)
    if (model->index(row, 0).data().toString() == "song.mp3")
      selection->select(model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ASSERT_EQ(pc->selectedFiles(), QStringList{QString::fromStdString((dir / "pc" / "song.mp3").string())});
  window->dialogHook = [](bool, const std::string &) -> std::optional<std::string> { return std::nullopt; };
  window->presetOpenDialog("elsewhere", "old.wav");
  main->launcherAction(app::TFrmMain::Launcher::Speed)->trigger();
  EXPECT_EQ(window->openDialogFolder().toStdString(), (dir / "pc").string());
  EXPECT_EQ(window->openDialogName(), "");
  window->close();
}

}  // namespace
