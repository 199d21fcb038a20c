// The recorder half of the main window as logic: the connection sequence
// through the device link, the tree, list, totals and gauge it shows, and the
// tree and list events.
#include <gtest/gtest.h>

#include <map>

#include "Breakages.h"
#include "TestRecorder.h"
#include "recorder/DeviceLink.h"
#include "recorder/RecorderPanel.h"
#include "recorder/SystemBlock.h"

using namespace recorder;

namespace {

struct PanelView : RecorderPanelView {
  std::vector<std::string> folders;
  std::map<int, std::string> nodeTexts;
  int selected = 0;
  std::vector<FileRow> rows;
  std::string status = "?";
  int gauge = -2;
  int rebuilds = 0;

  void rebuildTree(const std::vector<std::string> &names) override {
    folders = names;
    nodeTexts.clear();
    ++rebuilds;
  }
  void setFolderNodeText(int folder, const std::string &text) override { nodeTexts[folder] = text; }
  void selectFolderNode(int folder) override { selected = folder; }
  void setFileRows(const std::vector<FileRow> &r) override { rows = r; }
  void appendFileRow(const FileRow &row) override { rows.push_back(row); }
  void removeFileRow(int index) override { rows.erase(rows.begin() + index); }
  int fileRowCount() const override { return static_cast<int>(rows.size()); }
  void setTotals(const std::string &text, int percent) override {
    status = text;
    gauge = percent;
  }
};

struct LinkView : DeviceLinkView {
  bool timer = false;
  std::string capacity;
  int focused = 0;
  void setAutoConnectTimer(bool running) override { timer = running; }
  bool autoConnectTimerRunning() const override { return timer; }
  void showIndicators(bool, bool) override {}
  void enableRecorderPanel(bool) override {}
  void enableMainWindow(bool) override {}
  void showCapacity(const std::string &text) override { capacity = text; }
  void focusRecorderFolder(int folder) override { focused = folder; }
  void collapseRecorderFolders() override {}
  void closeActiveModal(int) override {}
};

// The application's wiring: the device link owns the link, the volume and the
// panel logic work on it.
struct PanelConnected : ::testing::Test {
  std::unique_ptr<q417io::Flash> flash = q417io::Flash::inMemory(1024);
  MemoryFlashIo io{*flash};
  LinkView linkView;
  components::ScriptedJobUi ui;
  DeviceLink device{io, linkView, ui, [](Q417Handle) {}};
  FlashVolume volume{device.link(), ui};
  PanelView view;
  RecorderPanel panel{volume, view};
  rectest::StandardImage standard;
  int remainJobs = 0;

  void SetUp() override {
    // Lay out the standard image through a volume of its own.
    rectest::TestRecorder builder(*flash);
    standard = rectest::buildStandard(builder.volume);
    flash->resetCounters();
    device.setHooks(&panel);
    panel.remainJob = [this] { ++remainJobs; };
  }
  void connect() {
    device.StartLink(nullptr);
    device.OnTimUSBAutoConnectTimer();
  }
};

TEST_F(PanelConnected, ConnectionShowsFoldersListGaugeAndCapacity) {
  connect();
  EXPECT_TRUE(device.link().indexed);
  EXPECT_EQ(1, remainJobs);
  EXPECT_EQ(8u, view.folders.size());
  EXPECT_EQ("E Folder", view.folders[4]);
  EXPECT_EQ("A-#02/     206 KB", view.nodeTexts[1]);
  EXPECT_EQ("B-#01/       4 KB", view.nodeTexts[2]);
  EXPECT_EQ("A-#01/      62 KB", view.nodeTexts[5]);
  EXPECT_EQ("C-#00/       0 KB", view.nodeTexts[3]);
  ASSERT_EQ(2u, view.rows.size());
  EXPECT_EQ("# 1/MEMO1", view.rows[0].caption);
  EXPECT_EQ("# 2/Long talk", view.rows[1].caption);
  EXPECT_EQ("Total  4 file(s),     272.00 Kbyte(s)", view.status);
  EXPECT_EQ(1, view.gauge);
  EXPECT_EQ(1, view.selected);
  EXPECT_EQ(1, panel.currentFolder());
  EXPECT_EQ("128 MB", linkView.capacity);
  EXPECT_EQ(1, linkView.focused);
  EXPECT_EQ("notice:[FM_Caption_text2]", ui.events.front());
  EXPECT_FALSE(ui.noticeShown);
  EXPECT_EQ(0u, flash->counters().writes);
}

TEST_F(PanelConnected, CorruptIndexStopsTheSequenceWithoutWriting) {
  rectest::TestRecorder builder(*flash);
  rectest::buildStandard(builder.volume);
  rectest::findBreakage("entry-first-block")->apply(builder.volume, *flash, standard);
  flash->resetCounters();
  connect();
  EXPECT_TRUE(device.link().connected);
  EXPECT_FALSE(device.link().indexed);
  EXPECT_TRUE(ui.showed("FM_text_pen_errmsg6"));
  EXPECT_EQ(0, remainJobs);
  EXPECT_EQ(0u, flash->counters().writes + flash->counters().erases);
  EXPECT_FALSE(ui.noticeShown);
}

TEST_F(PanelConnected, DisconnectEmptiesTheListAndRebuildsTheTree) {
  connect();
  device.OnDeviceChange(Q417_DEVICE_REMOVECOMPLETE);
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(8u, view.folders.size());
  EXPECT_TRUE(view.nodeTexts.empty());
  EXPECT_EQ("", view.status);
  EXPECT_EQ(-1, view.gauge);
}

TEST_F(PanelConnected, RereadWithTheDeviceClosedDisconnects) {
  connect();
  device.link().deviceOpen = false;
  device.link().connected = true;
  panel.RefreshFlashFolderInfo(2, true);
  EXPECT_TRUE(ui.showed("FM_text_pen_errmsg6"));
  EXPECT_FALSE(ui.noticeShown);
}

TEST_F(PanelConnected, ShowingAFolderWithAReread) {
  connect();
  flash->resetCounters();
  panel.RefreshFlashFolderInfo(2, true);
  EXPECT_EQ(5u, flash->counters().reads);
  ASSERT_EQ(1u, view.rows.size());
  EXPECT_EQ("# 1/B1", view.rows[0].caption);
  EXPECT_EQ("TTS", view.rows[0].recMode);
  EXPECT_EQ(2, view.selected);
}

TEST_F(PanelConnected, TreeSelectionRules) {
  connect();
  using N = RecorderPanel::Node;
  EXPECT_EQ(1, panel.OnTvFlashFolderListChange(N::Root, 0));
  EXPECT_EQ(5, panel.OnTvFlashFolderListChange(N::Mp3, 0)) << "from a voice folder down into Mp3";
  EXPECT_EQ(5, view.selected);
  EXPECT_EQ(5, panel.currentFolder());
  ASSERT_EQ(1u, view.rows.size());
  EXPECT_EQ("# 1/song", view.rows[0].caption);
  EXPECT_EQ(4, panel.OnTvFlashFolderListChange(N::Mp3, 0)) << "up through Mp3 from its folders";
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(1, panel.OnTvFlashFolderListChange(N::Voice, 0));
  EXPECT_EQ(2, panel.OnTvFlashFolderListChange(N::Folder, 2));
  EXPECT_EQ(5, panel.OnTvFlashFolderListMouseDown(6, N::Mp3, 0));
  EXPECT_EQ(5, panel.OnTvFlashFolderListMouseDown(6, N::Mp3, 0)) << "a pressed Mp3 always leads to folder 5";
  EXPECT_EQ(5, panel.OnTvFlashFolderListMouseDown(11, N::Folder, 3)) << "below the last row: ignored";
  EXPECT_EQ(3, panel.OnTvFlashFolderListMouseDown(4, N::Folder, 3));
  panel.OnTvFlashFolderListCollapsed();
  EXPECT_EQ(1, view.selected);
  EXPECT_EQ(8u, view.folders.size());
  device.link().deviceOpen = false;
  EXPECT_EQ(0, panel.OnTvFlashFolderListChange(N::Folder, 2));
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(PanelConnected, FolderCountZeroStillBuildsOneFolderNode) {
  rectest::TestRecorder builder(*flash);
  rectest::buildStandard(builder.volume);
  builder.volume.image.header()[header::kFolderCount] = 0;
  SystemBlock(builder.volume).WriteSystemImage();
  connect();
  EXPECT_EQ(std::vector<std::string>{"A Folder"}, view.folders);
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(PanelConnected, ListEventsDeleteKeyPopupStatesAndDrag) {
  connect();
  std::vector<int> deleted;
  panel.onDeleteKey = [&](int folder) { deleted.push_back(folder); };
  panel.OnLvFlashFileListKeyDown(46);
  panel.OnLvFlashFileListKeyDown(45);
  EXPECT_EQ(std::vector<int>{1}, deleted);

  bool playing = false;
  panel.isPlaying = [&] { return playing; };
  EXPECT_EQ(4, panel.popupState({}));
  EXPECT_EQ(0, panel.popupState({0, 1}));
  EXPECT_EQ(2, panel.popupState({0})) << "a DVG recording";
  EXPECT_EQ(1, panel.popupState({1})) << "another file";
  playing = true;
  EXPECT_EQ(3, panel.popupState({0}));
  EXPECT_EQ(4, panel.popupState({1}));

  std::vector<DragSelection> drags;
  panel.onDragStart = [&](const DragSelection &d) { drags.push_back(d); };
  ASSERT_TRUE(panel.OnLvFlashFileListMouseDown(10, 10));
  EXPECT_FALSE(panel.OnLvFlashFileListMouseMove(11, 9, true, {0, 1}));
  EXPECT_TRUE(panel.OnLvFlashFileListMouseMove(10, 12, true, {0, 1}));
  ASSERT_EQ(1u, drags.size());
  EXPECT_EQ(1, drags[0].sourceFolder);
  ASSERT_EQ(2u, drags[0].items.size());
  EXPECT_EQ(1, drags[0].items[1].first);
  EXPECT_EQ("# 2/Long talk", drags[0].items[1].second);
  EXPECT_FALSE(panel.OnLvFlashFileListMouseMove(20, 20, false, {0}));
  EXPECT_TRUE(panel.dragSelection().items.empty());

  panel.isRecording = [] { return true; };
  EXPECT_FALSE(panel.OnLvFlashFileListMouseDown(1, 1));
}

TEST_F(PanelConnected, RunningDisplaysFollowWritesAndErases) {
  connect();
  volume.directory.records(1).push_back(volume.directory.records(2)[0]);
  panel.RunningWriteDisplayFolder(1);
  ASSERT_EQ(3u, view.rows.size());
  EXPECT_EQ("# 3/B1", view.rows[2].caption);
  volume.directory.records(1).pop_back();
  EXPECT_TRUE(panel.RunningEraseDisplayFolder(2));
  EXPECT_EQ(2u, view.rows.size());
  EXPECT_EQ("A-#02/     206 KB", view.nodeTexts[1]);
  EXPECT_FALSE(panel.RunningEraseDisplayFolder(5));
}

}  // namespace
