// The recorder panel in the main window, offscreen: the connection sequence
// fills the folder tree, the list, status panel 3 and the gauge; the tree and
// list events reach the logic.
#include <gtest/gtest.h>

#include <QTest>

#include "Breakages.h"
#include "TestRecorder.h"
#include "app/MainWindow.h"
#include "app/QtJobUi.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"

namespace {

struct PanelWidget : testing::Test {
  std::unique_ptr<q417io::Flash> flash = q417io::Flash::inMemory(1024);
  recorder::MemoryFlashIo io{*flash};
  components::MessageTexts texts;
  app::QtJobUi ui{texts};
  std::unique_ptr<app::TFrmMain> main;
  app::RecorderSide *side = nullptr;
  app::RecorderPanelWidget *panel = nullptr;

  void SetUp() override {
    rectest::TestRecorder builder(*flash);
    rectest::buildStandard(builder.volume);
    main = std::make_unique<app::TFrmMain>(app::TFrmMain::Setup{&texts, &ui, &io, [](Q417Handle) {}, {}});
    ui.setMainWindow(main.get());
    side = app::RecorderSide::install(*main);
    panel = side->widget();
    main->StartLink();
    main->OnTimUSBAutoConnectTimer();
  }
  void TearDown() override { main.reset(); }

  QStringList folderTexts() const {
    QStringList texts;
    for (int f = 1; f <= 8; ++f) texts << (panel->folderItem(f) ? panel->folderItem(f)->text(0) : "-");
    return texts;
  }
  QStringList row(int i) const {
    QStringList cells;
    for (int c = 0; c < 5; ++c) cells << panel->m_LvFlashFileList->topLevelItem(i)->text(c);
    return cells;
  }
};

TEST_F(PanelWidget, ConnectionShowsFoldersListStatusAndGauge) {
  EXPECT_EQ(main->recorderPanel(), panel);
  EXPECT_TRUE(panel->isEnabled());
  EXPECT_EQ(app::RecorderSide::install(*main), side) << "installed once";
  EXPECT_EQ(folderTexts(), QStringList({"A-#02/     206 KB", "B-#01/       4 KB", "C-#00/       0 KB",
                                        "D-#00/       0 KB", "A-#01/      62 KB", "B-#00/       0 KB",
                                        "C-#00/       0 KB", "D-#00/       0 KB"}));
  QTreeWidgetItem *root = panel->m_TvFlashFolderList->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Q417");
  EXPECT_EQ(root->child(0)->text(0), "Voice");
  EXPECT_EQ(root->child(1)->text(0), "Mp3");
  EXPECT_EQ(root->child(1)->childCount(), 4);
  EXPECT_TRUE(root->isExpanded() && root->child(0)->isExpanded() && root->child(1)->isExpanded());
  EXPECT_EQ(panel->m_TvFlashFolderList->currentItem(), panel->folderItem(1));

  ASSERT_EQ(panel->m_LvFlashFileList->topLevelItemCount(), 2);
  EXPECT_EQ(row(0), QStringList({"# 1/MEMO1", "DVG", "G.729", "     4 K", "24-03-15 PM 1:05"}));
  EXPECT_EQ(row(1), QStringList({"# 2/Long talk", "WAV", "--", "   198 K", "24-03-16 AM 9:00"}));
  EXPECT_EQ(main->statusPanel(3)->text(), "Total  4 file(s),     272.00 Kbyte(s)");
  EXPECT_EQ(main->memoryGauge()->value(), 1);
  EXPECT_EQ(main->statusPanel(1)->text(), "128 MB");
}

TEST_F(PanelWidget, TreeClicksAndKeysShowTheirFolder) {
  QTreeWidget *tree = panel->m_TvFlashFolderList;
  QRect rect = tree->visualItemRect(panel->folderItem(2));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
  ASSERT_EQ(panel->m_LvFlashFileList->topLevelItemCount(), 1);
  EXPECT_EQ(row(0), QStringList({"# 1/B1", "DVG", "TTS", "     2 K", "23-12-31 AM 0:59"}));
  EXPECT_EQ(tree->currentItem(), panel->folderItem(2));

  // Selecting "Mp3" from a voice folder lands on folder 5.
  tree->setCurrentItem(tree->topLevelItem(0)->child(1));
  EXPECT_EQ(tree->currentItem(), panel->folderItem(5));
  EXPECT_EQ(side->logic().currentFolder(), 5);
  ASSERT_EQ(panel->m_LvFlashFileList->topLevelItemCount(), 1);
  EXPECT_EQ(row(0)[0], "# 1/song");

  // The tree cannot be collapsed.
  tree->collapseItem(tree->topLevelItem(0));
  EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
  EXPECT_EQ(tree->currentItem(), panel->folderItem(1));
}

TEST_F(PanelWidget, DeleteKeyAndSelectAllReachTheirHooks) {
  std::vector<int> erased;
  side->logic().onDeleteKey = [&](int folder) { erased.push_back(folder); };
  panel->OnPupFlashSelectAllClick();
  EXPECT_EQ(panel->selectedRows(), (std::vector<int>{0, 1}));
  QTest::keyClick(panel->m_LvFlashFileList, Qt::Key_Delete);
  EXPECT_EQ(erased, std::vector<int>{1});

  int state = -1;
  panel->onPopupMenu = [&](int s, const QPoint &) { state = s; };
  QRect second = panel->m_LvFlashFileList->visualItemRect(panel->m_LvFlashFileList->topLevelItem(1));
  QTest::mouseClick(panel->m_LvFlashFileList->viewport(), Qt::RightButton, {}, second.center());
  EXPECT_EQ(state, 0) << "both rows stay selected: several";
  panel->m_LvFlashFileList->clearSelection();
  QTest::mouseClick(panel->m_LvFlashFileList->viewport(), Qt::RightButton, {}, second.center());
  EXPECT_EQ(state, 1) << "one file that is no voice recording";
}

TEST_F(PanelWidget, RemovalEmptiesTheListAndBlanksTheTotals) {
  main->deviceLink().OnDeviceChange(Q417_DEVICE_REMOVECOMPLETE);
  EXPECT_EQ(panel->m_LvFlashFileList->topLevelItemCount(), 0);
  EXPECT_EQ(main->statusPanel(3)->text(), "");
  EXPECT_EQ(main->memoryGauge()->value(), main->memoryGauge()->minimum() - 1) << "the gauge is blank";
  EXPECT_FALSE(panel->isEnabled());
  EXPECT_EQ(folderTexts()[0], "A Folder");
}

}  // namespace
