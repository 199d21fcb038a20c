#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <cstring>

#include "QtTestEnvironment.h"
#include "app/Led.h"
#include "app/MainWindow.h"
#include "app/ModelDialog.h"
#include "app/NoticeWindow.h"
#include "app/ProgressWindow.h"
#include "app/Startup.h"
#include "q417io/Flash.h"
#include "testsupport/MemoryFlashIo.h"

namespace fs = std::filesystem;
using components::MsgKind;
using testsupport::TempDir;

namespace {

class JobWindows : public testing::Test {
 protected:
  JobWindows() : flash(q417io::Flash::inMemory(1024)), memory(*flash) {
    app::StartupOptions o;
    o.instanceName = QString::fromStdString((dir.path() / "Q417").string());
    o.programDir = dir.path() / "bin";
    o.dataHome = dir.path();
    o.iniFolders = {testsupport::sourceDataFolder()};
    o.io = &memory;
    o.closeHandle = [](Q417Handle) {};
    quillorn = std::make_unique<app::Quillorn>(o);
    quillorn->start();
    main = quillorn->main();
    progress = quillorn->progress();
    notice = quillorn->notice();
    main->show();
  }

  components::JobUi &ui() { return quillorn->jobUi(); }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main;
  app::TFrmProgress *progress;
  app::TFrmShow *notice;
};

TEST_F(JobWindows, ProgressWindowShowsTheJobAndDisablesTheMainWindowWhileShown) {
  ui().progressOpen("Copying to the recorder");
  EXPECT_TRUE(progress->isVisible());
  EXPECT_FALSE(main->isEnabled());
  EXPECT_EQ(progress->size(), QSize(373, 184));
  EXPECT_EQ(progress->m_LblTitle->text(), "Copying to the recorder");

  ui().progressLines("/home/user/VoiceData/", "memo.dvg");
  ui().progressCurrent(50, components::kbytesLabel(1536, 3072));
  ui().progressTotal(25, components::fileCountLabel(1, 2), components::totalKbytesLabel(1536, 6144));
  EXPECT_EQ(progress->m_LblDirectory->text(), "/home/user/VoiceData/");
  EXPECT_EQ(progress->m_LblFileName->text(), "memo.dvg");
  EXPECT_EQ(progress->m_GagCurrent->value(), 50);
  EXPECT_EQ(progress->m_LblWriteByte->text(), "1.50 / 3.00 Kbyte(s)");
  EXPECT_EQ(progress->m_GagTotal->value(), 25);
  EXPECT_EQ(progress->m_LblFileCount->text(), "1 of 2 file(s)");
  EXPECT_EQ(progress->m_LblTotalWriteByte->text(), "Total  1.50 / 6.00 Kbyte(s)");

  ui().progressClose();
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(main->isEnabled());
}

TEST_F(JobWindows, ClosingAJobWindowEnablesTheMainWindowEvenWhenItWasDisabledBefore) {
  main->setEnabled(false);
  ui().progressOpen("Erasing");
  ui().progressClose();
  EXPECT_TRUE(main->isEnabled());
  main->setEnabled(false);
  ui().noticeOpen("Reading");
  ui().noticeClose();
  EXPECT_TRUE(main->isEnabled());
}

TEST_F(JobWindows, CancelSetsTheApplicationWideFlagDuringAPump) {
  ui().clearCancel();
  ui().progressOpen("Copying");
  QTest::mouseClick(progress->button_cancel, Qt::LeftButton);
  ui().pump();
  EXPECT_TRUE(ui().cancelRequested());
  ui().clearCancel();
  QTest::keyClick(progress, Qt::Key_Escape);
  EXPECT_TRUE(ui().cancelRequested()) << "Escape cancels too";
  ui().progressClose();
}

TEST_F(JobWindows, AlertTitleAndHiddenCancelLastUntilTheNextJob) {
  ui().progressOpen("Initializing");
  ui().progressTitle("Initializing the recorder", true);
  ui().progressCancelVisible(false);
  EXPECT_TRUE(progress->titleAlert());
  EXPECT_FALSE(progress->button_cancel->isVisible());
  ui().clearCancel();
  QTest::keyClick(progress, Qt::Key_Escape);
  EXPECT_FALSE(ui().cancelRequested()) << "no cancel while its button is hidden";
  ui().progressClose();
  ui().progressOpen("Copying");
  EXPECT_FALSE(progress->titleAlert());
  EXPECT_TRUE(progress->button_cancel->isVisible());
  ui().progressClose();
}

TEST_F(JobWindows, NoticeWindowShowsItsLineAndDisablesTheMainWindow) {
  ui().noticeOpen("Reading the recorder's folders...");
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->size(), QSize(424, 59));
  EXPECT_FALSE(main->isEnabled());
  ui().noticeText("Searching - 12");
  EXPECT_EQ(notice->m_LblMessage->text(), "Searching - 12");
  ui().noticeClose();
  ui().noticeClose();
  EXPECT_FALSE(notice->isVisible());
  EXPECT_TRUE(main->isEnabled());
}

struct BoxCase {
  int buttons;
  int press;  // index of the button to click, -1 for Escape
  int expected;
  QStringList captions;
};

TEST_F(JobWindows, ExtMessageBoxTakesItsCaptionsFromKeysAndReturnsThePressedButton) {
  const BoxCase cases[] = {
      {components::kButtonsOk, 0, components::kResultOk, {"OK"}},
      {components::kButtonsOk, -1, components::kResultOk, {"OK"}},
      {components::kButtonsYesNo, 0, components::kResultYes, {"&Yes", "&No"}},
      {components::kButtonsYesNo, 1, components::kResultNo, {"&Yes", "&No"}},
      {components::kButtonsYesNo, -1, components::kResultNo, {"&Yes", "&No"}},
      {components::kButtonsYesNoCancel, 2, components::kResultCancel, {"&Yes", "&No", "Cancel"}},
      {components::kButtonsYesNoCancel, -1, components::kResultCancel, {"&Yes", "&No", "Cancel"}},
  };
  for (const BoxCase &c : cases) {
    QString title, text;
    QStringList captions;
    testsupport::whenModalShown([&](QWidget *modal) {
      auto *box = qobject_cast<QMessageBox *>(modal);
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      text = box->text();
      // Buttons in the order they were given.
      QList<QAbstractButton *> buttons;
      for (const char *key : {"FM_msg_dlg1", "FM_msg_dlg2", "FM_msg_dlg3", "FM_msg_dlg0"})
        for (QAbstractButton *b : box->buttons())
          if (b->text() == QString::fromStdString(quillorn->texts().text(key))) buttons << b;
      for (QAbstractButton *b : buttons) captions << b->text();
      if (c.press < 0)
        QTest::keyClick(box, Qt::Key_Escape);
      else
        buttons[c.press]->click();
    });
    int result = ui().messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg6", MsgKind::Error, c.buttons);
    EXPECT_EQ(result, c.expected) << c.buttons << "/" << c.press;
    EXPECT_EQ(captions, c.captions) << c.buttons;
    EXPECT_EQ(title, "Recorder error");
    EXPECT_EQ(text.toStdString(), quillorn->texts().text("FM_text_pen_errmsg6"));
  }
}

TEST_F(JobWindows, ModelDialogStartWritesTheModelOverTheFieldsFirstCharacters) {
  app::TFrmModel *model = quillorn->model();
  EXPECT_EQ(model->windowTitle(), "Select model No");
  ASSERT_EQ(model->combo_model->count(), 1);
  EXPECT_EQ(model->combo_model->itemText(0), "Q417  ");
  EXPECT_FALSE(model->combo_model->isEditable());

  char field[8];
  std::memcpy(field, "ABCDEFGH", 8);
  testsupport::whenModalShown([&](QWidget *w) {
    EXPECT_EQ(w, model);
    model->Button_start->click();
  });
  EXPECT_TRUE(ui().chooseModel(field));
  EXPECT_EQ(std::string(field, 8), "Q417EFGH");

  std::memcpy(field, "ABCDEFGH", 8);
  testsupport::whenModalShown([&](QWidget *) { model->Button_cancel->click(); });
  EXPECT_FALSE(ui().chooseModel(field));
  EXPECT_EQ(std::string(field, 8), "ABCDEFGH");
}

// The connection sequence with the recorder's file system joined: the index
// is read behind the notice window while the main window is disabled.
struct WatchingHooks : recorder::ConnectionHooks {
  app::TFrmMain *main = nullptr;
  app::TFrmShow *notice = nullptr;
  bool noticeShown = false, mainEnabled = true;
  QString noticeText;
  int focused = 0;
  void clearBadBlocks() override {}
  bool GetFlashIndex() override {
    noticeShown = notice->isVisible();
    noticeText = notice->m_LblMessage->text();
    mainEnabled = main->isEnabled();
    main->link().indexed = true;
    return true;
  }
  void CheckFlashRemainJob() override {}
  void BuildFlashFolder() override {}
  void RefreshFlashFolderInfo(int, bool) override {}
  void ClearFlashFolder() override {}
};

TEST_F(JobWindows, ConnectionReadsTheIndexBehindTheNoticeWindow) {
  WatchingHooks hooks;
  hooks.main = main;
  hooks.notice = notice;
  main->setConnectionHooks(&hooks);
  QObject::connect(main, &app::TFrmMain::recorderFolderFocusRequested, [&](int folder) { hooks.focused = folder; });
  main->OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(hooks.noticeShown);
  EXPECT_EQ(hooks.noticeText, "Reading the recorder's folders...");
  EXPECT_FALSE(hooks.mainEnabled);
  EXPECT_FALSE(notice->isVisible());
  EXPECT_TRUE(main->isEnabled());
  EXPECT_TRUE(main->flashIndexLed()->isOn());
  EXPECT_EQ(main->statusPanel(1)->text(), "128 MB");
  EXPECT_EQ(hooks.focused, 1);
  main->setConnectionHooks(nullptr);
}

}  // namespace
