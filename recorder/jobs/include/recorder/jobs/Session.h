// A recorder connection without windows: the device link's connection
// sequence (identify the chip, load the index, finish an interrupted job)
// with the recorder panel's logic over a view that only keeps what it is
// shown. The command-line tool, the tests and the benchmarks connect
// through it exactly as the window does.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "components/JobUi.h"
#include "recorder/DeviceLink.h"
#include "recorder/FlashVolume.h"
#include "recorder/RecorderPanel.h"
#include "recorder/jobs/Recovery.h"

namespace recorder::jobs {

// A recorder panel view that keeps the tree, the list and the totals.
class HeadlessPanelView : public RecorderPanelView {
 public:
  void rebuildTree(const std::vector<std::string> &folderNames) override { names = folderNames; }
  void setFolderNodeText(int folder, const std::string &text) override;
  void selectFolderNode(int folder) override { selectedFolder = folder; }
  void setFileRows(const std::vector<FileRow> &r) override { rows = r; }
  void appendFileRow(const FileRow &row) override { rows.push_back(row); }
  void removeFileRow(int index) override;
  int fileRowCount() const override { return static_cast<int>(rows.size()); }
  void setTotals(const std::string &text, int percent) override {
    statusText = text;
    gauge = percent;
  }

  std::vector<std::string> names;
  std::array<std::string, 9> nodeTexts;  // by folder, 1..8
  int selectedFolder = 0;
  std::vector<FileRow> rows;
  std::string statusText;
  int gauge = -1;
};

// A device link view that keeps the indicators, the timer and the capacity.
class HeadlessLinkView : public DeviceLinkView {
 public:
  void setAutoConnectTimer(bool running) override { timer = running; }
  bool autoConnectTimerRunning() const override { return timer; }
  void showIndicators(bool connected, bool indexed) override {
    usbLed = connected;
    indexLed = indexed;
  }
  void enableRecorderPanel(bool) override {}
  void enableMainWindow(bool) override {}
  void showCapacity(const std::string &text) override { capacity = text; }
  void focusRecorderFolder(int) override {}
  void collapseRecorderFolders() override {}
  void closeActiveModal(int) override {}

  bool timer = false, usbLed = false, indexLed = false;
  std::string capacity;
};

class Session {
 public:
  Session(FlashIo &io, components::JobUi &ui, DeviceLink::HandleCloser closeHandle = {});
  ~Session();
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  // The recorder's arrival and one tick of the auto-connect timer. True
  // when the index is loaded (and any interrupted job finished).
  bool connect();
  // The arrival and the chip's identification without the index: where a
  // format of a chip without a file system starts. True when the chip is known.
  bool identify();
  // Called from the job UI's pump: a chip that no longer answers has been
  // removed, as the device-change message would say.
  void pollLink();

  FlashVolume &volume() { return volume_; }
  Link &link() { return device_.link(); }
  DeviceLink &device() { return device_; }
  RecorderPanel &panel() { return panel_; }
  HeadlessPanelView &panelView() { return panelView_; }
  HeadlessLinkView &linkView() { return linkView_; }
  // What the last connection's recovery found and did.
  const Recovery::Report &recovery() const { return recovery_; }

 private:
  HeadlessLinkView linkView_;
  DeviceLink device_;
  FlashVolume volume_;
  HeadlessPanelView panelView_;
  RecorderPanel panel_;
  Recovery::Report recovery_;
};

}  // namespace recorder::jobs
