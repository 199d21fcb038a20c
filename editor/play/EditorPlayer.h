// The editor's player: plays the active pane's working wave through a wave
// output (cut regions left out when the whole file plays), moves the locator
// with a 30 ms timer on the main thread, drives the play bar and its level
// meters, and takes the mouse on the pane's views while playing. The state
// machine itself is play::Playback; this object puts it on widgets and a
// PlaybackPump.
#pragma once

#include <QCheckBox>
#include <QObject>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QTimer>
#include <QToolButton>
#include <cstdint>
#include <memory>
#include <vector>

#include "components/waveedit/WaveObject.h"
#include "components/waveplayer/PlaybackPump.h"
#include "editor/play/Playback.h"

class QKeyEvent;

namespace editor {

class EditorPane;

struct PlayControls {
  QToolButton *play, *pause, *stop;
  QCheckBox *repeat;
  QProgressBar *level1, *level2;
};

class EditorPlayer : public QObject {
  Q_OBJECT
 public:
  static constexpr size_t kBuffers = 50;
  static constexpr uint32_t kBufferBytes = 4096;
  static constexpr int kTickMs = 30;

  EditorPlayer(components::PlaybackPump::DeviceFactory factory, PlayControls controls, QObject *parent = nullptr);
  ~EditorPlayer() override;

  // The active pane (null: none); what plays stops first when it changes.
  void setPane(EditorPane *pane, bool editPane);
  EditorPane *pane() const { return pane_; }

  void play();
  void playSelection();
  void pause();
  void stop();

  bool active() const;   // playing or paused
  bool playing() const;  // sounding now
  // While playing the pane takes no pop-ups and its range scroller is off;
  // the window keeps its edit commands off too.
  bool locked() const;
  // False while a long step runs: what plays stops, nothing plays, keys do nothing.
  void setEnabled(bool enabled);
  // The window passes keys here first; true when consumed.
  bool handleKey(QKeyEvent *event);

  const play::Playback &playback() const { return playback_; }

 signals:
  void addMarkerRequested(int64_t frame);  // Enter in the edit pane; right press while playing
  void selectionApplied();                 // an edge drag released while playing
  void stateChanged();                     // idle, playing or paused changed

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  class PaneAdapter;
  class Ports;

  void connectPane();
  void disconnectPane();
  void showLevel(const uint8_t *data, size_t size);

  PlayControls controls_;
  components::wave::DoneQueue queue_;
  std::unique_ptr<QSocketNotifier> queueNotifier_;
  components::PlaybackPump pump_;
  std::unique_ptr<Ports> ports_;
  std::unique_ptr<PaneAdapter> paneAdapter_;
  play::Playback playback_;
  QTimer timer_;
  uint64_t tickSession_ = 0;
  EditorPane *pane_ = nullptr;
  bool editPane_ = false;
  std::vector<QMetaObject::Connection> paneConnections_;
  std::vector<QObject *> filtered_;
  QObject *middleView_ = nullptr;
  int middleX_ = 0;
  play::BarState barState_ = play::BarState::Idle;
  bool barKnown_ = false;
};

}  // namespace editor
