// The main window's WAV Edit launcher: the editor opens over the PC list's
// folder and first selected WAV or voice file, the main window hides, and
// comes back when the editor closes; meanwhile the editor's volume slider
// drives the main window's.
#include <gtest/gtest.h>

#include <QApplication>

#include "../app/QtTestEnvironment.h"
#include "../app/SoundFiles.h"
#include "../app/WindowOptions.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerToolbar.h"
#include "app/pc/PcFileList.h"
#include "app/pc/PcPanel.h"
#include "editor/Install.h"
#include "editor/TForm_Edit.h"

namespace fs = std::filesystem;

namespace {

TEST(EditorLauncher, OpensTheSelectedFileAndShowsTheMainWindowAgain) {
  testsupport::TempDir dir;
  auto flash = q417io::Flash::inMemory(1024);
  recorder::MemoryFlashIo memory(*flash);
  ASSERT_EQ(testsupport::fillRecorder(*flash, memory, {}), "");
  app::StartupOptions options = testsupport::windowTestOptions(dir.path(), memory);
  options.windows.push_back(editor::install);
  app::Quillorn quillorn(options);
  ASSERT_EQ(quillorn.start(), app::Quillorn::Outcome::Running);
  app::TFrmMain *main = quillorn.main();
  editor::TForm_Edit *edit = editor::installedEditor(quillorn);
  ASSERT_NE(edit, nullptr);
  QAction *launcher = main->launcherAction(app::TFrmMain::Launcher::Editor);
  ASSERT_TRUE(launcher->isEnabled());

  fs::path folder = dir / "pc";
  fs::create_directories(folder);
  std::string wav = soundfiles::makeWav(folder, "Talk.Wav", {}).string();
  pc::PcPanel *pc = app::PcSide::of(*main)->panel();
  pc->setDirectory(QString::fromStdString(folder.string()));
  ASSERT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == 1; }));
  pc->OnPupPCSelectAllClick();
  ASSERT_EQ(pc->selectedFiles().size(), 1);

  int dialogs = 0;
  edit->setDialogs(
      [&](editor::Pane) {
        ++dialogs;
        return std::optional<std::string>(wav);
      },
      [](const std::string &) { return std::optional<std::string>(); });
  main->show();
  main->m_MainToolBar->m_VolMixerSlider->setValue(40);
  launcher->trigger();
  ASSERT_TRUE(testsupport::waitUntil([&] { return dialogs == 1; }));
  EXPECT_EQ(edit->openDirectory().toStdString(), folder.string());
  EXPECT_EQ(edit->openFileName(), "Talk.Wav");
  EXPECT_TRUE(edit->isVisible());
  EXPECT_FALSE(main->isVisible());
  EXPECT_EQ(edit->session().pane(editor::Pane::Edit).fileName, wav);
  // The editor's volume drives the main window's, which sets the one output gain.
  EXPECT_EQ(edit->m_VolMixerSlider->value(), 40);
  edit->m_VolMixerSlider->setValue(70);
  EXPECT_EQ(main->m_MainToolBar->m_VolMixerSlider->value(), 70);
  EXPECT_TRUE(edit->close());
  EXPECT_TRUE(main->isVisible());
}

}  // namespace
