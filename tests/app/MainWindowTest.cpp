// The main window put together: its bands top to bottom, the sizing rules,
// one width for the two folder trees, and the transfers between the PC list
// and the recorder through the copy buttons and drops.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>

#include "QtTestEnvironment.h"
#include "WindowOptions.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerToolbar.h"
#include "app/Startup.h"
#include "app/pc/PcPanel.h"
#include "app/pc/PcToolRow.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"
#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/jobs/DefaultImage.h"
#include "testsupport/Files.h"
#include "testsupport/MemoryFlashIo.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

class MainWindow : public testing::Test {
 protected:
  MainWindow() : flash(q417io::Flash::inMemory(1024)), memory(*flash) {
    const auto files = testsupport::textFilesInFolderA(dir.path(), {"one.txt", "two.txt"});
    EXPECT_EQ(testsupport::fillRecorder(*flash, memory, files), "");

    app::StartupOptions o = testsupport::windowTestOptions(dir.path(), memory);
    quillorn = std::make_unique<app::Quillorn>(o);
    EXPECT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    main->OnTimUSBAutoConnectTimer();
    recorderWidget = app::RecorderSide::of(*main)->widget();
    pc = app::PcSide::of(*main)->panel();
    // A message no test expects is closed and fails the test, instead of
    // waiting for an answer that never comes.
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      if (QWidget *modal = QApplication::activeModalWidget()) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        unexpected.push_back(box ? box->text().toStdString() : modal->objectName().toStdString());
        modal->close();
      }
    });
    watchdog.start(100);
  }
  ~MainWindow() override { EXPECT_TRUE(unexpected.empty()) << testing::PrintToString(unexpected); }

  // Shows a PC folder and waits until its files are listed.
  void showPcFolder(const fs::path &folder, int files) {
    pc->setDirectory(QString::fromStdString(folder.string()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == files; }));
  }

  void selectAllPcFiles() { pc->OnPupPCSelectAllClick(); }

  void selectRecording(int row) {
    QTreeWidget *list = recorderWidget->m_LvFlashFileList;
    list->clearSelection();
    list->topLevelItem(row)->setSelected(true);
  }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  app::RecorderPanelWidget *recorderWidget = nullptr;
  pc::PcPanel *pc = nullptr;
  QTimer watchdog;
  std::vector<std::string> unexpected;
};

TEST_F(MainWindow, BandsRunTopToBottomAndEveryControlHasAName) {
  main->show();
  const int toolbar = main->m_MainToolBar->geometry().top();
  const int strip = main->panel_layer1->geometry().top();
  const int row = app::PcSide::of(*main)->toolRow()->geometry().top();
  QSplitter *splitter = main->centralSplitter();
  EXPECT_LT(toolbar, strip);
  EXPECT_LT(strip, row);
  EXPECT_LT(row, splitter->geometry().top());
  EXPECT_EQ(splitter->orientation(), Qt::Vertical);
  EXPECT_EQ(splitter->widget(0), pc);
  EXPECT_EQ(splitter->widget(1), recorderWidget);
  for (QAbstractButton *button : main->findChildren<QAbstractButton *>()) {
    if (button->isVisibleTo(main)) {
      EXPECT_FALSE(button->accessibleName().isEmpty() && button->text().isEmpty()) << button->objectName().toStdString();
    }
  }
  for (QSlider *slider : main->findChildren<QSlider *>()) EXPECT_FALSE(slider->accessibleName().isEmpty());
}

TEST_F(MainWindow, ItNeverGetsSmallerThan300By300) {
  main->show();
  main->resize(120, 90);
  EXPECT_GE(main->width(), 300);
  EXPECT_GE(main->height(), 300);
}

TEST_F(MainWindow, TheTwoFolderTreesKeepOneWidth) {
  main->resize(1000, 700);
  main->show();
  pc->Splitter1->setSizes({150, 850});
  emit pc->Splitter1->splitterMoved(150, 1);
  EXPECT_EQ(recorderWidget->treeWidth(), pc->Splitter1->sizes().value(0));
  recorderWidget->Splitter5->setSizes({260, 740});
  emit recorderWidget->Splitter5->splitterMoved(260, 1);
  EXPECT_EQ(pc->Splitter1->sizes().value(0), recorderWidget->treeWidth());
}

TEST_F(MainWindow, CopyButtonsMoveFilesBetweenThePcListAndTheRecorder) {
  TempDir folder;
  testsupport::writeFile(folder / "memo.bin", testsupport::pattern(3000, 5));
  ASSERT_NO_FATAL_FAILURE(showPcFolder(folder.path(), 1));
  // To the recorder: the PC list's selection into the folder chosen in the tree.
  selectAllPcFiles();
  recorderWidget->m_BtnFileToFlash->click();
  QTreeWidget *list = recorderWidget->m_LvFlashFileList;
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(2)->text(0), "# 3/memo");
  // To the PC: the selected recording into the folder the PC list shows,
  // which is read again.
  selectRecording(0);
  recorderWidget->m_BtnFileToPC->click();
  EXPECT_EQ(testsupport::readFile(folder / "one.TXT"), testsupport::readFile(dir / "one.txt"));
  EXPECT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == 2; }));
}

TEST_F(MainWindow, RecordingsDroppedOnThePcListAreCopiedIntoItsFolder) {
  TempDir folder;
  ASSERT_NO_FATAL_FAILURE(showPcFolder(folder.path(), 0));
  selectRecording(1);
  emit pc->recordingsDropped();
  EXPECT_EQ(testsupport::readFile(folder / "two.TXT"), testsupport::readFile(dir / "two.txt"));
  EXPECT_EQ(app::RecorderSide::of(*main)->logic().currentFolder(), 0) << "the drop came from the recorder";
}

}  // namespace
