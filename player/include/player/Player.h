// The main window's players and the transport, headless: voice files from
// the PC or straight from the recorder, WAV and MP3 files, recording into a
// voice file, the Play, Pause, Stop and Seek commands, the 100 ms display
// and the 30 ms MP3 display, and the diagnostic key switch.
//
// The host (the main window, the q417 tool, the tests) gives it the views
// of PlayerViews.h, the job UI for message boxes, the wave devices through
// factories and the DoneQueue they report to, the MP3 and WAV components
// behind MediaPlayback.h, and the recorder's FlashVolume. Then it calls:
//   - the command handlers below for the buttons, the pop-up items Play,
//     Pause and Stop, Enter and double-click in the lists, the slider's
//     drag and key events;
//   - OnTimPlayDisplayTimer every 100 ms while PlayerEvents::runDisplayTimer
//     says so, OnMpegTimer every 30 ms while runMpegTimer says so;
//   - DoneQueue::dispatch() whenever the queue's descriptor is readable (the
//     voice output's and the recording input's buffer events);
//   - the events posted through PlayerEvents::post;
//   - the MP3 and WAV components' started and stopped events through the
//     PlaybackEvents each was given (setEvents is called here).
// Everything runs on the main thread. Commands and events that arrive while
// another one runs (a recorder read retrying, a message box open) wait for
// it and then run in order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "components/JobUi.h"
#include "components/wave/DoneQueue.h"
#include "player/CommandGate.h"
#include "player/DiagnosticKeys.h"
#include "player/DisplayMath.h"
#include "player/Levels.h"
#include "player/MediaPlayback.h"
#include "player/PlayerViews.h"
#include "player/TransportState.h"
#include "player/VoiceOutput.h"
#include "player/VoiceRecording.h"
#include "recorder/FlashVolume.h"

namespace player {

struct PlayerSetup {
  components::JobUi &ui;
  PlayDisplay &display;
  TransportButtons &buttons;
  PlayerEvents &events;
  PlayerLists &lists;
  // Where the voice output and the recording input hand their buffers back.
  components::wave::DoneQueue &doneQueue;
  OutputFactory makeVoiceOutput;  // m_G729WaveOut, made once
  InputFactory makeRecordInput;   // m_G729WaveIn, made once
  bool outputDevice = false;      // the system has a wave output device
  MpegPlayback &mpeg;
  WavPlayback &wave;
  // The recorder's file system; null where there is none (plays PC files only).
  recorder::FlashVolume *recorder = nullptr;
  // The temporary data folder: the recording is made in "TempRecording.dvg" there.
  std::filesystem::path tempFolder;
};

// tSVTINFO: the voice file being played (the positions are the source's).
struct VoiceInfo {
  std::filesystem::path fileName;
  uint64_t dataSize = 0;       // coded bytes after the header
  uint64_t totalPcmBytes = 0;  // dataSize x 16
  uint16_t frameBytes = 0;     // 24 once a voice file starts; the slider moves only then
  uint8_t kind = 0;
  int bits = voice::kBitsPerSample, rate = voice::kSampleRate, channels = voice::kChannels;
  int folder = 0;     // recorder source: 1..8
  int fileIndex = 0;  // recorder source: the recording's place in the folder, from 0
};

class Player {
 public:
  explicit Player(const PlayerSetup &setup);
  ~Player();
  Player(const Player &) = delete;
  Player &operator=(const Player &) = delete;

  // --- Commands -------------------------------------------------------------------
  void OnBtnPlayClick();
  void OnBtnPauseClick();
  // Idempotent: a Stop while idle resets the display and leaves the buttons idle.
  void OnBtnStopClick();
  void OnBtnSPRecordClick();
  // The slider: a drag in progress, and its end at percent (clamped to 0..100).
  void OnSldPlayPositionTrack();
  void OnSldPlayPositionTrackEnd(int percent);
  // A key pressed while the slider has the focus: a Qt key code or a character.
  void OnSldPlayPositionKeyDown(int key);

  // --- Timers and posted events ----------------------------------------------------
  void OnTimPlayDisplayTimer();
  void OnMpegTimer();

  // --- State -------------------------------------------------------------------------
  const TransportState &state() const { return state_; }
  const VoiceInfo &voiceInfo() const { return info_; }
  // An output (voice, WAV, MP3) or a recording is active: the recorder's
  // commands are ignored meanwhile (RecorderCommands::isBusy,
  // RecorderPanel::isPlaying).
  bool busy() const;
  bool retryPanelVisible() const { return retryPanel_; }
  // Every input and output feeds it; the WAV and MP3 components feed it
  // the sound they play (LevelAnalyzer::feed may be called from their
  // buffer threads).
  LevelAnalyzer &levels() { return levels_; }
  VoiceOutput &voiceOutput() { return voice_; }
  VoiceRecording &recording() { return recording_; }
  const std::filesystem::path &tempRecording() const { return recording_.tempFile(); }

  // --- The players' operations (the commands call them) ------------------------------
  void SetPlayAndRecButton(ButtonState state);
  // Starts a voice file: path for the PC list, else the active folder's
  // recording at the selected index (state().activeList, voiceInfo().fileIndex).
  bool PlayG729(const std::filesystem::path &path);
  bool LoadMpegFile(const std::filesystem::path &path);
  void SetMpegFileParams();
  void PlayMpeg();
  bool PlayWave(const std::filesystem::path &path);
  void DrawMpegTime(int64_t milliseconds);
  bool StartG729Record();

 private:
  class MpegEvents;
  class WaveEvents;

  // Runs a command now, or after the one running.
  void run(std::function<void()> command);
  void Play();
  void Pause();
  void Stop();
  void Seek(int percent);
  void FinishRecording();
  void OnG729WaveOutStop(uint64_t playback);
  void OnMpegWaveOutStart(uint64_t number);
  void OnMpegWaveOutStop(uint64_t number);
  void OnWavePlayerStop(uint64_t number);
  void VoiceFault(SourceFault fault);
  void VoiceSeek(int percent);
  void MpegSeek(int percent);
  void StopWave();
  void StopMpeg();

  // One error box per playback; errors outside a playback always show.
  void playbackError(std::string_view captionKey, std::string_view textKey);
  void error(std::string_view captionKey, std::string_view textKey);
  void showElapsedSeconds(uint64_t seconds);
  void showTotalSeconds(uint64_t seconds);
  void showPosition(int percent);
  void showLevels();
  void disconnectRecorder();
  static int64_t nowMs();

  components::JobUi &ui_;
  PlayDisplay &display_;
  TransportButtons &buttons_;
  PlayerEvents &events_;
  PlayerLists &lists_;
  MpegPlayback &mpeg_;
  WavPlayback &wave_;
  recorder::FlashVolume *recorder_;

  CommandGate gate_;
  LevelAnalyzer levels_;
  VoiceOutput voice_;
  VoiceRecording recording_;
  std::unique_ptr<MpegEvents> mpegEvents_;
  std::unique_ptr<WaveEvents> waveEvents_;

  TransportState state_;
  VoiceInfo info_;
  DiagnosticKeys keys_;
  bool retryPanel_ = false;

  // Every start of an output takes a new number; the events of an output
  // whose number is no longer current are ignored.
  uint64_t counter_ = 0;
  uint64_t playback_ = 0;     // the current playback (one error box each)
  bool playbackErrorShown_ = false;
  uint64_t voiceNumber_ = 0;  // 0: no voice output
  uint64_t mpegNumber_ = 0;
  uint64_t waveNumber_ = 0;

  // The MP3 display.
  int64_t mpegElapsedMs_ = 0;
  int64_t mpegLastPositionMs_ = 0;
  uint64_t mpegTicks_ = 0;

  std::optional<Clock> shownElapsed_;
};

}  // namespace player
