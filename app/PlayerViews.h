// The main window's side of the players' four view interfaces: the display
// strip with the position slider and the retry counter, the transport
// buttons of the player toolbar, Qt timers and posted events on the main
// thread, and the two file lists with the save dialog.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QSlider>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/recorder/RecorderPanelWidget.h"
#include "components/display/DisplayStrip.h"
#include "player/PlayerViews.h"

namespace pc {
class PcPanel;
}
namespace recorder {
class RecorderPanel;
}

namespace app {

class PlayerToolbar;

class QtPlayDisplay final : public player::PlayDisplay {
 public:
  QtPlayDisplay(components::display::DisplayStrip &strip, QSlider &position, QLabel &retryPanel);

  void showPlayKind(std::string_view text) override;
  void showBitRate(int64_t whole, int64_t tenths) override;
  void showStereo(bool stereo) override;
  // Also the strip's "sec" field: the length in whole seconds.
  void showTotalTime(int64_t hours, int64_t minutes, int64_t seconds) override;
  void showElapsedTime(int64_t hours, int64_t minutes, int64_t seconds) override;
  // Moves the slider without reporting a move; not under the user's drag.
  void showPosition(int percent) override;
  void showFileName(std::string_view name) override;
  void showLevels(const player::LevelFrame &frame) override;
  void showRetryPanel(bool visible) override;

  // True while nothing sounds (a pause): the meters then fall.
  std::function<bool()> quiet;

 private:
  components::display::DisplayStrip &strip_;
  QSlider &position_;
  QLabel &retryPanel_;
};

class QtTransportButtons final : public player::TransportButtons {
 public:
  explicit QtTransportButtons(PlayerToolbar &toolbar) : toolbar_(toolbar) {}
  void setButtons(const player::ButtonChange &change) override;

 private:
  PlayerToolbar &toolbar_;
};

// m_TimPlayDisplay (100 ms) and m_MpegTimer (30 ms) as precise timers, and
// posted events, all on the main thread.
class QtPlayerEvents final : public player::PlayerEvents {
 public:
  QtPlayerEvents(std::function<void()> onDisplayTimer, std::function<void()> onMpegTimer);
  ~QtPlayerEvents() override;

  static constexpr int kDisplayPeriodMs = 100;
  static constexpr int kMpegPeriodMs = 30;

  void runDisplayTimer(bool running) override;
  void runMpegTimer(bool running) override;
  // Dropped with this object: nothing runs once the player is gone.
  void post(std::function<void()> event) override;

  bool displayTimerRunning() const { return display_.isActive(); }
  bool mpegTimerRunning() const { return mpeg_.isActive(); }

 private:
  QObject context_;
  QTimer display_, mpeg_;
};

// The active list is the one the user last pressed or focused: the PC list
// (0) or the recorder list, which stands for the folder it shows.
class QtPlayerLists final : public player::PlayerLists {
 public:
  using SaveQuestion = std::function<std::optional<std::filesystem::path>(const std::filesystem::path &startFolder)>;

  QtPlayerLists(pc::PcPanel &pc, RecorderPanelWidget *recorderWidget, recorder::RecorderPanel *recorderLogic);

  void setPcActive() { recorderActive_ = false; }
  void setRecorderActive() { recorderActive_ = recorderWidget_ != nullptr; }
  // The item a double click, Enter or the pop-up's Play names: the next
  // question for the selection answers with it, once.
  void requestPcFile(const QString &path);
  void requestRecording(int row);
  void clearRequests() {
    requestedPc_.reset();
    requestedRow_.reset();
  }
  // The PC file the last Play took, with its folder.
  const QString &lastPcFile() const { return lastPcFile_; }

  // m_SaveDialog; tests put their answer here.
  SaveQuestion askSave;
  // Runs before the question: the input has stopped by then.
  std::function<void()> beforeAsking;
  // The dialog as the window shows it.
  static std::optional<std::filesystem::path> saveDialog(QWidget *parent, const std::filesystem::path &startFolder);

  int activeList() const override;
  std::filesystem::path pcFolder() const override;
  std::optional<std::string> pcSelectedName() const override;
  std::optional<int> recorderSelectedIndex() const override;
  void refreshPcList() override;
  std::optional<std::filesystem::path> askSavePath(const std::filesystem::path &startFolder) override;

 private:
  pc::PcPanel &pc_;
  QPointer<RecorderPanelWidget> recorderWidget_;
  recorder::RecorderPanel *recorderLogic_;
  bool recorderActive_ = false;
  mutable std::optional<QString> requestedPc_;
  mutable std::optional<int> requestedRow_;
  mutable QString lastPcFile_;
};

}  // namespace app
