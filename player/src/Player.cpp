// The player's transport: the toolbar commands, and Play, Pause, Stop and
// Seek across voice, MP3 and WAV playback and recording.
#include "player/Player.h"

#include <algorithm>

#include "PlayerInternal.h"

namespace player {

class Player::MpegEvents final : public PlaybackEvents {
 public:
  explicit MpegEvents(Player &p) : p_(p) {}
  void started(uint64_t n) override {
    p_.run([this, n] { p_.OnMpegWaveOutStart(n); });
  }
  void stopped(uint64_t n) override {
    p_.run([this, n] { p_.OnMpegWaveOutStop(n); });
  }

 private:
  Player &p_;
};

class Player::WaveEvents final : public PlaybackEvents {
 public:
  explicit WaveEvents(Player &p) : p_(p) {}
  void started(uint64_t) override {}
  void stopped(uint64_t n) override {
    p_.run([this, n] { p_.OnWavePlayerStop(n); });
  }

 private:
  Player &p_;
};

Player::Player(const PlayerSetup &s)
    : ui_(s.ui),
      display_(s.display),
      buttons_(s.buttons),
      events_(s.events),
      lists_(s.lists),
      mpeg_(s.mpeg),
      wave_(s.wave),
      recorder_(s.recorder),
      voice_(s.doneQueue, s.makeVoiceOutput, gate_, levels_),
      recording_(s.doneQueue, s.makeRecordInput, gate_, levels_, s.tempFolder / kTempRecordingName),
      mpegEvents_(std::make_unique<MpegEvents>(*this)),
      waveEvents_(std::make_unique<WaveEvents>(*this)) {
  state_.outputDevice = s.outputDevice;
  mpeg_.setEvents(mpegEvents_.get());
  wave_.setEvents(waveEvents_.get());
  voice_.onFault = [this](SourceFault f) { VoiceFault(f); };
  voice_.onEnd = [this] {
    uint64_t n = voiceNumber_;
    events_.post([this, n] { run([this, n] { OnG729WaveOutStop(n); }); });
  };
}

Player::~Player() {
  mpeg_.setEvents(nullptr);
  wave_.setEvents(nullptr);
}

void Player::run(std::function<void()> command) { gate_.run(std::move(command)); }

// --- Commands -----------------------------------------------------------------------------

void Player::OnBtnPlayClick() {
  run([this] { Play(); });
}
void Player::OnBtnPauseClick() {
  run([this] { Pause(); });
}
void Player::OnBtnStopClick() {
  run([this] { Stop(); });
}
void Player::OnBtnSPRecordClick() {
  run([this] {
    if (state_.recording) {
      // A paused recording goes on.
      recording_.resumeInput();
      SetPlayAndRecButton(ButtonState::Recording);
      return;
    }
    // The record button is off while anything plays.
    if (voice_.active() || wave_.playing() || mpeg_.started()) return;
    recording_.setMode(kRecordModeSP);
    StartG729Record();
  });
}
void Player::OnSldPlayPositionTrack() { state_.tracking = true; }
void Player::OnSldPlayPositionTrackEnd(int percent) {
  run([this, percent] { Seek(percent); });
}
void Player::OnSldPlayPositionKeyDown(int key) {
  if (!keys_.press(key)) return;
  retryPanel_ = !retryPanel_;
  display_.showRetryPanel(retryPanel_);
}

bool Player::busy() const { return state_.recording || voice_.active() || wave_.playing() || mpeg_.started(); }

void Player::SetPlayAndRecButton(ButtonState state) {
  state_.buttons = state;
  buttons_.setButtons(buttonsFor(state, recording_.mode()));
}

void Player::Play() {
  if (state_.recording) return;
  if (!state_.outputDevice) {
    error(keys::kKindProgram, keys::kNoOutput);
    return;
  }
  if (state_.paused) {
    // Resumes where it paused: nothing is opened again.
    switch (state_.kind) {
      case PlayKind::Wave:
        wave_.restart();
        break;
      case PlayKind::Voice:
        voice_.resume();
        break;
      case PlayKind::Mpeg:
        mpeg_.resume();
        break;
      case PlayKind::None:
        break;
    }
    state_.paused = false;
    SetPlayAndRecButton(ButtonState::Playing);
    return;
  }

  const int list = lists_.activeList();
  std::string name;
  int fileIndex = 0;
  if (list == 0) {
    std::optional<std::string> selected = lists_.pcSelectedName();
    if (!selected || selected->empty()) return;
    name = *selected;
  } else {
    std::optional<int> selected = lists_.recorderSelectedIndex();
    if (!selected || !recorder_ || list < 1 || list > recorder::sysblock::kFolders) return;
    const auto &records = recorder_->directory.records(list);
    if (*selected < 0 || size_t(*selected) >= records.size()) return;
    const recorder::tFLASHFILEINFO &r = records[size_t(*selected)];
    name = std::string(1, char('A' + list - 1)) + ": " + r.name + "." + r.ext;
    fileIndex = *selected;
  }
  const std::string ext = upperExtension(name);
  PlayKind kind = PlayKind::None;
  if (ext == ".WAV" && list == 0) kind = PlayKind::Wave;
  else if (ext == ".DVG") kind = PlayKind::Voice;
  else if (ext == ".MP3" && list == 0) kind = PlayKind::Mpeg;
  if (kind == PlayKind::None) return;

  state_.kind = kind;
  state_.activeList = list;
  info_.fileIndex = fileIndex;
  playback_ = ++counter_;
  playbackErrorShown_ = false;
  events_.runDisplayTimer(false);
  StopWave();
  voice_.stop();
  voiceNumber_ = 0;
  StopMpeg();

  const fs::path path = lists_.pcFolder() / name;
  if (kind == PlayKind::Mpeg) {
    // The full path: the PC list's folder need not be the current directory.
    if (!LoadMpegFile(path)) {
      playbackError(keys::kKindNotice, keys::kNotMpeg);
      SetPlayAndRecButton(ButtonState::Idle);
      Stop();
      return;
    }
  }
  display_.showFileName(name);
  if (kind != PlayKind::Mpeg) events_.runDisplayTimer(true);
  SetPlayAndRecButton(ButtonState::Playing);
  switch (kind) {
    case PlayKind::Wave:
      PlayWave(path);
      break;
    case PlayKind::Voice:
      PlayG729(path);
      break;
    case PlayKind::Mpeg:
      PlayMpeg();
      break;
    case PlayKind::None:
      break;
  }
}

void Player::Pause() {
  if (state_.recording) {
    recording_.pauseInput();
    SetPlayAndRecButton(ButtonState::RecordingPaused);
    return;
  }
  if (!wave_.playing() && !voice_.active() && !mpeg_.started()) return;
  switch (state_.kind) {
    case PlayKind::Wave:
      wave_.pause();
      break;
    case PlayKind::Voice:
      voice_.pause();
      break;
    case PlayKind::Mpeg:
      mpeg_.pause();
      break;
    case PlayKind::None:
      break;
  }
  state_.paused = true;
  SetPlayAndRecButton(ButtonState::PlaybackPaused);
}

void Player::Stop() {
  events_.runDisplayTimer(false);
  if (state_.recording) FinishRecording();
  StopWave();
  voice_.stop();
  voiceNumber_ = 0;
  StopMpeg();
  showElapsedSeconds(0);
  state_.paused = false;
  showPosition(0);
  levels_.clear();
  display_.showLevels(LevelFrame{});
  SetPlayAndRecButton(ButtonState::Idle);
}

void Player::StopWave() {
  waveNumber_ = 0;
  if (wave_.playing()) wave_.stop();
  wave_.close();
}

void Player::StopMpeg() {
  // The stopped event of this output is ignored: Stop does what it would.
  mpegNumber_ = 0;
  events_.runMpegTimer(false);
  if (mpeg_.started()) mpeg_.stop();
  if (mpeg_.loaded()) mpeg_.unload();
}

void Player::Seek(int percent) {
  percent = clampPercent(percent);
  if (wave_.playing()) {
    wave_.seekMs(int64_t(partAt(uint64_t(std::max<int64_t>(0, wave_.lengthMs())), percent)));
  } else if (voice_.active()) {
    VoiceSeek(percent);
  }
  if (mpeg_.started()) MpegSeek(percent);
  state_.tracking = false;
}

}  // namespace player
