// The recorder panel's commands in the main window, on an in-process chip:
// the pop-up items, the Delete key and Initialize reach the jobs, and the
// list and the flash follow.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTreeWidget>
#include <fstream>

#include "QtTestEnvironment.h"
#include "WindowOptions.h"
#include "app/Led.h"
#include "app/MainWindow.h"
#include "app/ModelDialog.h"
#include "app/Startup.h"
#include "app/recorder/RecorderJobs.h"
#include "app/recorder/RecorderMenu.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"
#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/Fsck.h"
#include "recorder/jobs/DefaultImage.h"
#include "testsupport/MemoryFlashIo.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

class RecorderJobsInWindow : public testing::Test {
 protected:
  RecorderJobsInWindow() : flash(q417io::Flash::inMemory(1024)), memory(*flash) {
    // Three small files in folder A.
    const auto files = testsupport::textFilesInFolderA(dir.path(), {"one.txt", "two.txt", "three.txt"});
    EXPECT_EQ(testsupport::fillRecorder(*flash, memory, files), "");

    app::StartupOptions o = testsupport::windowTestOptions(dir.path(), memory);
    quillorn = std::make_unique<app::Quillorn>(o);
    EXPECT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    main->OnTimUSBAutoConnectTimer();
    side = app::RecorderSide::of(*main);
    jobs = side->findChild<app::RecorderJobs *>();
    list = side->widget()->m_LvFlashFileList;
  }

  QStringList captions() const {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
    return out;
  }

  void select(int row) {
    list->clearSelection();
    list->topLevelItem(row)->setSelected(true);
  }

  bool consistent() {
    recorder::FlashGeometry g;
    g.setFromFlashId(flash->id());
    return recorder::Fsck(memory, g).run().empty();
  }

  static void answer(QMessageBox::ButtonRole role) {
    testsupport::whenModalShown([role](QWidget *modal) {
      auto *box = qobject_cast<QMessageBox *>(modal);
      ASSERT_NE(box, nullptr);
      for (QAbstractButton *b : box->buttons())
        if (box->buttonRole(b) == role) b->click();
    });
  }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  app::RecorderSide *side = nullptr;
  app::RecorderJobs *jobs = nullptr;
  QTreeWidget *list = nullptr;
};

TEST_F(RecorderJobsInWindow, ConnectsAndShowsFolderA) {
  ASSERT_TRUE(main->flashIndexLed()->isOn());
  ASSERT_NE(jobs, nullptr);
  EXPECT_EQ(captions(), (QStringList{"# 1/one", "# 2/two", "# 3/three"}));
  EXPECT_TRUE(main->m_MnRecorderFormat->isEnabled());
}

TEST_F(RecorderJobsInWindow, MoveDownAndUpReorderTheFolder) {
  select(0);
  jobs->menu()->m_PupFlashDown->trigger();
  EXPECT_EQ(captions(), (QStringList{"# 1/two", "# 2/one", "# 3/three"}));
  EXPECT_TRUE(list->topLevelItem(1)->isSelected()) << "the moved recording stays selected";
  jobs->menu()->m_PupFlashUp->trigger();
  EXPECT_EQ(captions(), (QStringList{"# 1/one", "# 2/two", "# 3/three"}));
  EXPECT_TRUE(consistent());
}

TEST_F(RecorderJobsInWindow, DeleteKeyErasesAfterYesAndKeepsEverythingAfterNo) {
  select(1);
  answer(QMessageBox::NoRole);
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QCoreApplication::sendEvent(list, &del);
  EXPECT_EQ(captions().size(), 3);

  select(1);
  answer(QMessageBox::YesRole);
  QCoreApplication::sendEvent(list, &del);
  EXPECT_EQ(captions(), (QStringList{"# 1/one", "# 2/three"}));
  EXPECT_TRUE(main->isEnabled()) << "the progress window gave the main window back";
  EXPECT_TRUE(consistent());
}

TEST_F(RecorderJobsInWindow, InitializeThroughTheModelDialogEmptiesTheRecorder) {
  testsupport::whenModalShown([](QWidget *modal) {
    // The model dialog: Start; then the question: Yes.
    auto *model = qobject_cast<app::TFrmModel *>(modal);
    ASSERT_NE(model, nullptr);
    answer(QMessageBox::YesRole);
    model->Button_start->click();
  });
  main->m_MnRecorderFormat->trigger();
  EXPECT_TRUE(captions().isEmpty());
  EXPECT_TRUE(main->flashIndexLed()->isOn());
  EXPECT_EQ(main->statusPanel(1)->text(), "128 MB");
  EXPECT_TRUE(consistent());
}

TEST(RecorderMenuRule, KindsEnableTheirItems) {
  struct Case {
    int kind;
    bool upDown, upload, selectAll, erase;
  };
  for (Case c : {Case{0, false, true, true, true}, Case{1, true, true, true, true}, Case{2, true, true, true, true},
                 Case{3, false, false, false, false}, Case{4, false, false, true, false}}) {
    bool valid = false;
    app::RecorderMenuItems items = app::recorderMenuItems(c.kind, &valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(items.moveUpDown, c.upDown) << c.kind;
    EXPECT_EQ(items.upload, c.upload) << c.kind;
    EXPECT_EQ(items.selectAll, c.selectAll) << c.kind;
    EXPECT_EQ(items.erase, c.erase) << c.kind;
  }
  bool valid = true;
  app::recorderMenuItems(7, &valid);
  EXPECT_FALSE(valid) << "another kind changes nothing";
}

}  // namespace
