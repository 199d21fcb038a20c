#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/DeviceLink.h"
#include "testsupport/MemoryFlashIo.h"

using namespace recorder;

namespace {

struct FakeView : DeviceLinkView {
  std::vector<std::string> *log;
  bool timer = false, usb = false, index = false, panel = false, mainEnabled = true;
  std::optional<std::string> capacity;
  int focusedFolder = 0, collapses = 0;
  std::vector<int> modalResults;

  explicit FakeView(std::vector<std::string> *l) : log(l) {}
  void setAutoConnectTimer(bool running) override {
    timer = running;
    log->push_back(running ? "timer:on" : "timer:off");
  }
  bool autoConnectTimerRunning() const override { return timer; }
  void showIndicators(bool u, bool i) override {
    usb = u;
    index = i;
  }
  void enableRecorderPanel(bool e) override { panel = e; }
  void enableMainWindow(bool e) override {
    mainEnabled = e;
    log->push_back(e ? "main:on" : "main:off");
  }
  void showCapacity(const std::string &text) override {
    capacity = text;
    log->push_back("capacity:" + text);
  }
  void focusRecorderFolder(int folder) override {
    focusedFolder = folder;
    log->push_back("focus:" + std::to_string(folder));
  }
  void collapseRecorderFolders() override { ++collapses; }
  void closeActiveModal(int result) override { modalResults.push_back(result); }
};

// The in-process stand-in with call counts and a chosen identifier.
class ProbeIo : public FlashIo {
 public:
  explicit ProbeIo(MemoryFlashIo &inner) : inner_(inner) {}
  uint8_t initialize() override {
    ++initializeCalls;
    return inner_.initialize();
  }
  Q417Handle deviceHandle() override { return inner_.deviceHandle(); }
  void setDeviceHandle(Q417Handle h) override {
    forgotten += h == -1;
    inner_.setDeviceHandle(h);
  }
  Q417Handle registerNotification(Q417Window *w) override { return inner_.registerNotification(w); }
  uint16_t flashId() override {
    ++idReads;
    return idOverride ? *idOverride : inner_.flashId();
  }
  int readBlock(uint8_t *raw, uint32_t block) override { return inner_.readBlock(raw, block); }
  int eraseBlock(uint32_t block) override { return inner_.eraseBlock(block); }
  int writeBlock(uint8_t *raw, uint32_t block) override { return inner_.writeBlock(raw, block); }

  int initializeCalls = 0, idReads = 0, forgotten = 0;
  std::optional<uint16_t> idOverride;

 private:
  MemoryFlashIo &inner_;
};

struct FakeHooks : ConnectionHooks {
  Link *link = nullptr;
  components::ScriptedJobUi *ui = nullptr;
  FakeView *view = nullptr;
  std::vector<std::string> *log;
  enum class Index { Ok, Fails, FailsAndDisconnects, Throws } index = Index::Ok;
  bool clearThrows = false;
  int badBlockClears = 0;
  // What the index read saw of the windows.
  bool noticeDuringRead = false, mainEnabledDuringRead = true, mainEnabledDuringJob = true;

  explicit FakeHooks(std::vector<std::string> *l) : log(l) {}
  void clearBadBlocks() override { ++badBlockClears; }
  bool GetFlashIndex() override {
    log->push_back("GetFlashIndex");
    noticeDuringRead = ui->noticeShown;
    mainEnabledDuringRead = view->mainEnabled;
    switch (index) {
      case Index::Ok: link->indexed = true; return true;
      case Index::Fails: return false;
      case Index::FailsAndDisconnects: link->DisconnectUSB(); return false;
      case Index::Throws: throw std::runtime_error("library fault");
    }
    return false;
  }
  void CheckFlashRemainJob() override {
    log->push_back("CheckFlashRemainJob");
    mainEnabledDuringJob = view->mainEnabled;
  }
  void BuildFlashFolder() override { log->push_back("BuildFlashFolder"); }
  void RefreshFlashFolderInfo(int folder, bool keep) override {
    log->push_back("Refresh:" + std::to_string(folder) + (keep ? ":keep" : ":new"));
  }
  void ClearFlashFolder() override {
    log->push_back("ClearFlashFolder");
    if (clearThrows) throw std::runtime_error("tree fault");
  }
};

class DeviceLinkTest : public testing::Test {
 protected:
  explicit DeviceLinkTest(uint32_t blocks = 2048)
      : flash(q417io::Flash::inMemory(blocks)), memory(*flash), io(memory), view(&log), hooks(&log),
        link(io, view, ui, [this](Q417Handle h) { closed.push_back(h); }) {
    window.proc = [](void *context, uint32_t event) { static_cast<DeviceLink *>(context)->OnDeviceChange(event); };
    window.context = &link;
    ui.texts["FM_Caption_text2"] = "Reading the recorder's index...";
    hooks.link = &link.link();
    hooks.ui = &ui;
    hooks.view = &view;
  }

  // Start-up as the windows run it: the link at the main window's creation,
  // the timer when the notice window is created.
  void startUp() {
    link.StartLink(&window);
    link.OpenFlash();
  }
  void connect() {
    startUp();
    link.OnTimUSBAutoConnectTimer();
    ASSERT_TRUE(link.link().connected);
  }
  bool connected() const { return link.link().connected; }

  std::vector<std::string> log;
  std::unique_ptr<q417io::Flash> flash;
  MemoryFlashIo memory;
  ProbeIo io;
  components::ScriptedJobUi ui;
  FakeView view;
  FakeHooks hooks;
  std::vector<Q417Handle> closed;
  DeviceLink link;
  Q417Window window{};
};

TEST_F(DeviceLinkTest, AttachedBeforeStartUpIsConnectedByTheFirstTickAfterTheNoticeWindow) {
  link.StartLink(&window);
  EXPECT_TRUE(link.link().deviceOpen);
  EXPECT_NE(link.link().deviceHandle, -1);
  EXPECT_EQ(link.link().notificationHandle, 1);
  EXPECT_FALSE(view.timer) << "the link waits for the notice window";
  EXPECT_FALSE(connected());

  link.OpenFlash();
  EXPECT_TRUE(view.timer);
  link.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(connected());
  EXPECT_TRUE(view.usb);
  EXPECT_FALSE(view.index);
  EXPECT_FALSE(view.timer);
  EXPECT_TRUE(view.panel);
  EXPECT_EQ(view.capacity, "256 MB");
  EXPECT_TRUE(ui.messages.empty());

  int reads = io.idReads;
  link.OnTimUSBAutoConnectTimer();  // connected: a tick does nothing
  EXPECT_EQ(io.idReads, reads);
}

class ChipSizes : public DeviceLinkTest, public testing::WithParamInterface<std::pair<uint32_t, const char *>> {
 protected:
  ChipSizes() : DeviceLinkTest(GetParam().first) {}
};

TEST_P(ChipSizes, CapacityAndGeometryFollowTheChip) {
  connect();
  EXPECT_EQ(view.capacity, GetParam().second);
  EXPECT_EQ(link.geometry().blockCount, GetParam().first);
  EXPECT_EQ(link.geometry().blockMapPages(), GetParam().first / 1024);
}

INSTANTIATE_TEST_SUITE_P(Chips, ChipSizes,
                         testing::Values(std::pair<uint32_t, const char *>{2048, "256 MB"},
                                         std::pair<uint32_t, const char *>{1024, "128 MB"}));

TEST_F(DeviceLinkTest, RemovalDisconnectsAndRestartsTheTimerAndReattachingReconnects) {
  connect();
  Q417Handle handle = link.link().deviceHandle;
  memory.detach();
  EXPECT_EQ(closed, std::vector<Q417Handle>{handle});
  EXPECT_EQ(io.forgotten, 1);
  EXPECT_EQ(link.link().deviceHandle, -1);
  EXPECT_FALSE(link.link().deviceOpen);
  EXPECT_FALSE(connected());
  EXPECT_FALSE(view.usb);
  EXPECT_FALSE(view.panel);
  EXPECT_EQ(view.capacity, "");
  EXPECT_EQ(view.collapses, 1);
  EXPECT_TRUE(view.timer);

  for (int i = 0; i < 3; ++i) link.OnTimUSBAutoConnectTimer();
  EXPECT_FALSE(connected());

  memory.attach();
  EXPECT_TRUE(link.link().deviceOpen);
  EXPECT_NE(link.link().deviceHandle, -1);
  EXPECT_EQ(view.modalResults, std::vector<int>{kModalResultDeviceArrival});
  EXPECT_FALSE(connected()) << "the next tick connects";
  link.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(connected());
  EXPECT_EQ(view.capacity, "256 MB");
  EXPECT_FALSE(view.timer);
}

TEST_F(DeviceLinkTest, EveryRemovalEventDisconnects) {
  for (uint32_t event : {Q417_DEVICE_QUERYREMOVE, Q417_DEVICE_REMOVEPENDING, Q417_DEVICE_REMOVECOMPLETE}) {
    if (!connected()) {
      memory.attach();
      link.StartLink(&window);
      link.OpenFlash();
      link.OnTimUSBAutoConnectTimer();
    }
    ASSERT_TRUE(connected());
    link.OnDeviceChange(event);
    EXPECT_FALSE(connected()) << event;
    EXPECT_EQ(link.link().deviceHandle, -1) << event;
    EXPECT_TRUE(view.timer) << event;
  }
  EXPECT_EQ(closed.size(), 3u);
}

TEST_F(DeviceLinkTest, SecondArrivalWithoutRemovalIsIgnored) {
  connect();
  int initializes = io.initializeCalls;
  memory.attach();
  memory.attach();
  EXPECT_EQ(io.initializeCalls, initializes);
  EXPECT_TRUE(view.modalResults.empty());
  EXPECT_TRUE(connected());
  EXPECT_TRUE(closed.empty());
}

TEST_F(DeviceLinkTest, RecorderAttachedAfterStartUpConnectsAfterItsArrival) {
  memory.detach();  // before registration: no event
  startUp();
  EXPECT_FALSE(link.link().deviceOpen);
  link.OnTimUSBAutoConnectTimer();
  EXPECT_FALSE(connected());
  EXPECT_EQ(io.idReads, 0) << "no identifier is read while the device is closed";
  memory.attach();
  link.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(connected());
}

TEST_F(DeviceLinkTest, ArrivalThatFailsToInitialiseForgetsTheHandle) {
  memory.detach();
  startUp();
  flash->loseLink();
  memory.attach();
  EXPECT_FALSE(link.link().deviceOpen);
  EXPECT_EQ(link.link().deviceHandle, -1);
  EXPECT_EQ(io.forgotten, 1);
  EXPECT_TRUE(view.modalResults.empty());
  link.OnTimUSBAutoConnectTimer();
  EXPECT_FALSE(connected());
}

// No chip yet (0), or a chip the recorder never has: polling goes on
// silently and the geometry stays as it was.
class Identifiers : public DeviceLinkTest, public testing::WithParamInterface<uint16_t> {};

TEST_P(Identifiers, KeepPollingSilently) {
  link.setHooks(&hooks);
  startUp();
  io.idOverride = GetParam();
  for (int i = 0; i < 3; ++i) link.OnTimUSBAutoConnectTimer();
  EXPECT_EQ(io.idReads, 3);
  EXPECT_FALSE(connected());
  EXPECT_FALSE(view.usb);
  EXPECT_TRUE(view.timer);
  EXPECT_FALSE(view.capacity.has_value());
  EXPECT_FALSE(link.geometry().known());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(hooks.badBlockClears, 0);

  io.idOverride.reset();
  link.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(connected());
}

INSTANTIATE_TEST_SUITE_P(ZeroOrUnknown, Identifiers, testing::Values(uint16_t{0}, uint16_t{0xEC12}, uint16_t{0xEC00}));

TEST_F(DeviceLinkTest, FullSequenceReadsTheIndexBehindTheNoticeThenShowsFolderOne) {
  link.setHooks(&hooks);
  startUp();
  log.clear();
  link.OnTimUSBAutoConnectTimer();
  std::vector<std::string> expected{"timer:off", "main:off",          "GetFlashIndex",    "main:on",
                                    "main:off",  "CheckFlashRemainJob", "main:on",        "BuildFlashFolder",
                                    "Refresh:1:new", "focus:1",          "capacity:256 MB"};
  EXPECT_EQ(log, expected);
  EXPECT_TRUE(hooks.noticeDuringRead);
  EXPECT_FALSE(hooks.mainEnabledDuringRead);
  EXPECT_FALSE(hooks.mainEnabledDuringJob);
  EXPECT_EQ(ui.events.front(), "notice:Reading the recorder's index...");
  EXPECT_FALSE(ui.noticeShown);
  EXPECT_TRUE(view.usb);
  EXPECT_TRUE(view.index);
  EXPECT_TRUE(view.mainEnabled);
  EXPECT_EQ(hooks.badBlockClears, 1);
}

TEST_F(DeviceLinkTest, FailedIndexReadLeavesTheRecorderConnectedWithoutIndex) {
  link.setHooks(&hooks);
  hooks.index = FakeHooks::Index::Fails;
  startUp();
  link.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(connected());
  EXPECT_FALSE(view.index);
  EXPECT_TRUE(view.usb);
  EXPECT_FALSE(view.timer) << "the timer stays stopped";
  EXPECT_TRUE(view.mainEnabled);
  EXPECT_FALSE(ui.noticeShown);
  EXPECT_FALSE(view.capacity.has_value());
  EXPECT_EQ(std::count(log.begin(), log.end(), "CheckFlashRemainJob"), 0);
}

TEST_F(DeviceLinkTest, IndexReadThatLosesTheLinkWaitsForRemovalAndArrival) {
  link.setHooks(&hooks);
  hooks.index = FakeHooks::Index::FailsAndDisconnects;
  startUp();
  link.OnTimUSBAutoConnectTimer();
  EXPECT_FALSE(connected());
  EXPECT_FALSE(view.usb);
  EXPECT_FALSE(view.timer);
  EXPECT_TRUE(view.mainEnabled);

  hooks.index = FakeHooks::Index::Ok;
  memory.detach();
  EXPECT_TRUE(view.timer);
  memory.attach();
  link.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(connected());
  EXPECT_TRUE(view.index);
}

TEST_F(DeviceLinkTest, FaultDuringTheSequenceSwitchesIndicatorsOffAndFreesTheWindows) {
  link.setHooks(&hooks);
  hooks.index = FakeHooks::Index::Throws;
  startUp();
  link.OnTimUSBAutoConnectTimer();
  EXPECT_FALSE(connected());
  EXPECT_FALSE(view.usb);
  EXPECT_FALSE(view.index);
  EXPECT_FALSE(ui.noticeShown);
  EXPECT_TRUE(view.mainEnabled);
}

TEST_F(DeviceLinkTest, InitializeFlashKeepsBadBlocksOnlyWhenAsked) {
  link.setHooks(&hooks);
  connect();
  int clears = hooks.badBlockClears;
  EXPECT_TRUE(link.InitializeFlash(true));
  EXPECT_EQ(hooks.badBlockClears, clears);
  EXPECT_TRUE(link.InitializeFlash(false));
  EXPECT_EQ(hooks.badBlockClears, clears + 1);
}

TEST_F(DeviceLinkTest, DisconnectFinishesEvenWhenClearingTheFoldersFails) {
  link.setHooks(&hooks);
  connect();
  hooks.clearThrows = true;
  link.link().DisconnectUSB();  // as any operation that finds the link gone
  EXPECT_FALSE(link.link().deviceOpen);
  EXPECT_FALSE(view.usb);
  EXPECT_FALSE(view.index);
  EXPECT_FALSE(view.panel);
  link.DisconnectUSB();  // already closed: nothing more
  EXPECT_EQ(std::count(log.begin(), log.end(), "ClearFlashFolder"), 1);
}

TEST_F(DeviceLinkTest, ShutdownStopsTheTimerAndDisconnects) {
  startUp();
  link.Shutdown();
  EXPECT_FALSE(view.timer);
  EXPECT_FALSE(view.capacity.has_value()) << "nothing was connected";

  link.OpenFlash();
  link.OnTimUSBAutoConnectTimer();
  link.Shutdown();
  EXPECT_FALSE(connected());
  EXPECT_FALSE(link.link().deviceOpen);
  EXPECT_EQ(view.capacity, "");
}

}  // namespace
