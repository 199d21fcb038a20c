// The speed player's logic: opening a WAV, voice or MP3 file into the wave
// views and the engine, Play, Play Selection, Pause and Stop at the speed
// slider's rate, the 100 ms position tick with its bounds, repeat and end,
// and the wave area's commands. Tform_speed forwards every event here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "components/JobUi.h"
#include "speed/FilePreparation.h"
#include "speed/PlayableWave.h"
#include "speed/SpeedEngine.h"
#include "speed/SpeedView.h"

namespace speed {

class SpeedPlayer {
 public:
  // Canonical copies of WAV files the engine cannot read as they stand go
  // into tempFolder.
  SpeedPlayer(SpeedView &view, SpeedEngine &engine, FilePreparation &preparation, components::JobUi &ui,
              std::filesystem::path tempFolder);
  ~SpeedPlayer();

  // File commands.
  void openFile();   // n_openClick, button_openfile
  void closeFile();  // n_closeClick, button_closefile
  void closeWindow();

  // Transport.
  void play();           // button_play
  void playSelection();  // SelectionPopup_Play
  void pause();          // button_pause
  void stop();           // button_stop
  void tick();           // m_TimMySpeed
  void speedChanged(int slider);  // trackbar_speed
  // A left click in a wave panel, already turned into a frame of its range.
  void clickWhilePlaying(int64_t frame);

  // The wave area's commands.
  void selectAll();
  void normalRange();
  void zoomSelection();
  bool canZoomSelection() const;
  void discardSelection();
  // The user moved the locator or a marker on a panel: the times follow.
  void positionsMoved();
  // A selection being dragged or a zoom being made: its end and its length.
  void spanDragged(FrameSpan span);

  // State.
  const std::string &loadedName() const { return loadedName_; }
  int playMode() const { return playMode_; }
  int buttonState() const { return buttonState_; }
  bool timerRunning() const { return timerRunning_; }
  bool buildCancelled() const { return buildCancelled_; }
  const WaveFacts &facts() const { return facts_; }
  // The file the engine and the views read (the loaded file or its copy).
  const std::filesystem::path &playingPath() const { return playable_.path(); }

  // Ticks without movement after which playback counts as ended.
  static constexpr int kStallTicks = 3;

 private:
  bool engineStopped() { return engine_.state() == SpeedEngine::Stopped; }
  bool sameAsLoaded(const std::string &path) const;
  void loadWave(const std::string &path);
  void unload();
  void startTimer();
  void stopTimer();
  void setButtons(int state);
  void endPlayback(int64_t lower);
  FrameSpan bounds() const;
  void follow(int64_t p);
  void showTimes();
  void sendRate();

  SpeedView &view_;
  SpeedEngine &engine_;
  FilePreparation &preparation_;
  components::JobUi &ui_;
  PlayableWave playable_;

  std::string loadedName_;
  WaveFacts facts_;
  int playMode_ = 1;
  int buttonState_ = 0;
  bool timerRunning_ = false;
  bool buildCancelled_ = false;
  // The tick's view of the engine: the last position and how many ticks
  // it has not moved; the position the engine starts from, which it
  // reports only once its first buffer has played.
  int64_t lastPosition_ = -1;
  int stalled_ = 0;
  int64_t startFrame_ = -1;
};

}  // namespace speed
