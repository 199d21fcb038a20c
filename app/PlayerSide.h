// The players of the main window put together: player::Player over the
// window's display strip, player toolbar and file lists, the wave devices
// chosen at start-up, the MP3 and WAV components, the done queue watched
// by the event loop, and every control that plays: the toolbar's buttons
// and sliders, double click and Enter in both lists, the pop-up items
// Play, Pause and Stop, and the busy hooks of the recorder and PC sides.
// One call at start-up, after the recorder and PC sides:
//   app::PlayerSide::install(mainWindow, devices);
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "app/PlayerDevices.h"
#include "app/PlayerViews.h"
#include "components/wave/DoneQueue.h"
#include "player/ComponentPlayback.h"
#include "player/Player.h"

namespace app {

class TFrmMain;

class PlayerSide : public QObject {
  Q_OBJECT
 public:
  static PlayerSide *install(TFrmMain &main, PlayerDevices devices);
  static PlayerSide *of(TFrmMain &main);
  ~PlayerSide() override;

  player::Player &player() { return *player_; }
  QtPlayerLists &lists() { return *lists_; }
  QtPlayerEvents &events() { return *events_; }

  // The Stop command: before the window closes, and for whatever must not
  // run beside a playback or a recording (the editor and speed player
  // launchers).
  void stopAll();
  // An output or a recording is active.
  bool busy() const { return player_->busy(); }
  // The players' output device maker, for the windows that play themselves
  // (the editor); it keeps the sound card's library up while it is held.
  player::OutputFactory outputFactory() const;
  // An output is active (not a recording).
  bool playing() const { return player_->busy() && !player_->state().recording; }

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  PlayerSide(TFrmMain &main, PlayerDevices devices);
  void wireToolbar();
  void wirePcSide();
  void wireRecorderSide();
  void playPcFile(const QString &path);
  void playRecording(int row);

  TFrmMain &main_;
  // Declared in the order they are needed: the player goes first.
  std::shared_ptr<void> audioSession_;
  player::OutputFactory makeOutput_;
  components::wave::DoneQueue queue_;
  std::unique_ptr<QSocketNotifier> queueNotifier_;
  player::ComponentMpegPlayback mpeg_;
  player::ComponentWavPlayback wave_;
  std::unique_ptr<QtPlayDisplay> display_;
  std::unique_ptr<QtTransportButtons> buttons_;
  std::unique_ptr<QtPlayerEvents> events_;
  std::unique_ptr<QtPlayerLists> lists_;
  std::unique_ptr<player::Player> player_;
  // Watched objects, compared by address only: the window may be half
  // destroyed when they send their last events.
  QObject *positionSlider_ = nullptr;
  QObject *pcListTargets_[4] = {};
  QObject *recorderTargets_[3] = {};
};

}  // namespace app
