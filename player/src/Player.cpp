#include "player/Player.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <system_error>

#include "voice/VoiceHeader.h"

namespace player {

namespace fs = std::filesystem;
using components::MsgKind;

namespace keys {
constexpr std::string_view kKindProgram = "FM_kind_errormsg0";
constexpr std::string_view kKindRecorder = "FM_kind_errormsg1";
constexpr std::string_view kKindNotice = "FM_kind_errormsg2";
constexpr std::string_view kNoMemory = "FM_text_system_errmsg0";
constexpr std::string_view kCannotRecord = "FM_text_system_errmsg2";
constexpr std::string_view kCannotSave = "FM_text_system_errmsg3";
constexpr std::string_view kCannotPlay = "FM_text_system_errmsg6";
constexpr std::string_view kNotVoice = "FM_text_system_errmsg11";
constexpr std::string_view kNoOutput = "FM_text_system_errmsg12";
constexpr std::string_view kNotMpeg = "FM_text_system_errmsg13";
constexpr std::string_view kLinkLost = "FM_text_pen_errmsg6";
}  // namespace keys

namespace {

constexpr uint64_t kVoiceBytesPerSecond = uint64_t(voice::kBitsPerSample / 8) * voice::kSampleRate;  // 16000
constexpr uint16_t kVoiceFrameBytes = 24;

std::string upperExtension(const std::string &name) {
  auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  for (char &c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

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

// --- Display ---------------------------------------------------------------------------------

int64_t Player::nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Player::showElapsedSeconds(uint64_t seconds) {
  Clock c = clockFromSeconds(seconds);
  if (shownElapsed_ && *shownElapsed_ == c) return;
  shownElapsed_ = c;
  display_.showElapsedTime(c.hours, c.minutes, c.seconds);
}

void Player::showTotalSeconds(uint64_t seconds) {
  Clock c = clockFromSeconds(seconds);
  display_.showTotalTime(c.hours, c.minutes, c.seconds);
}

void Player::showPosition(int percent) { display_.showPosition(clampPercent(percent)); }

void Player::showLevels() { display_.showLevels(levels_.frame(nowMs())); }

void Player::OnTimPlayDisplayTimer() {
  // A command in progress (a recorder read retrying) is not interrupted.
  if (gate_.busy() || state_.tracking) return;
  CommandGate::Hold hold(gate_);
  if (state_.recording) {
    showElapsedSeconds(recording_.bytesRecorded() / kVoiceBytesPerSecond);
    showLevels();
    return;
  }
  switch (state_.kind) {
    case PlayKind::Wave: {
      int64_t position = std::max<int64_t>(0, wave_.positionMs());
      int64_t length = std::max<int64_t>(0, wave_.lengthMs());
      showElapsedSeconds(uint64_t(position) / 1000);
      showPosition(percentOf(uint64_t(position), uint64_t(length)));
      break;
    }
    case PlayKind::Voice: {
      uint64_t d = voice_.source() ? voice_.source()->pcmDelivered() : 0;
      uint64_t perSecond = uint64_t(info_.bits / 8) * uint64_t(info_.rate);
      uint64_t seconds = d == 0 || perSecond == 0 ? 0 : d / perSecond;
      showElapsedSeconds(seconds);
      showPosition(info_.frameBytes != 0 && seconds > 0 ? percentOf(d, info_.totalPcmBytes) : 0);
      break;
    }
    case PlayKind::Mpeg:
    case PlayKind::None:
      return;
  }
  showLevels();
}

void Player::error(std::string_view captionKey, std::string_view textKey) {
  ui_.messageBox(captionKey, textKey, MsgKind::Error, components::kButtonsOk);
}

void Player::playbackError(std::string_view captionKey, std::string_view textKey) {
  if (playbackErrorShown_) return;
  playbackErrorShown_ = true;
  error(captionKey, textKey);
}

// --- Voice playback ----------------------------------------------------------------------------

bool Player::PlayG729(const fs::path &path) {
  const int list = state_.activeList;
  const int fileIndex = info_.fileIndex;
  info_ = VoiceInfo{};
  info_.fileIndex = fileIndex;
  std::unique_ptr<VoiceSource> source;
  auto refuse = [&](std::string_view caption, std::string_view text) {
    if (!text.empty()) playbackError(caption, text);
    Stop();
    return false;
  };

  if (list == 0) {
    state_.recorderSource = false;
    std::unique_ptr<PcVoiceSource> pc;
    if (PcVoiceSource::open(path, pc) != PcVoiceSource::Open::Ok)
      return refuse(keys::kKindProgram, keys::kNotVoice);
    info_.kind = voice::header::kKindG729;
    source = std::move(pc);
  } else {
    state_.recorderSource = true;
    info_.folder = list;
    std::unique_ptr<RecorderVoiceSource> rec;
    auto opened = recorder_ ? RecorderVoiceSource::open(*recorder_, list, fileIndex, rec)
                            : RecorderVoiceSource::Open::NotVoice;
    switch (opened) {
      case RecorderVoiceSource::Open::Ok:
        break;
      case RecorderVoiceSource::Open::NotVoice:
        return refuse(keys::kKindProgram, keys::kNotVoice);
      case RecorderVoiceSource::Open::NoMemory:
        return refuse(keys::kKindProgram, keys::kNoMemory);
      case RecorderVoiceSource::Open::LinkLost:
        playbackError(keys::kKindRecorder, keys::kLinkLost);
        disconnectRecorder();
        return refuse({}, {});
      case RecorderVoiceSource::Open::Damaged:
        // The read has shown why; one box is enough.
        playbackErrorShown_ = true;
        disconnectRecorder();
        return refuse({}, {});
    }
    info_.kind = voice::header::kKindG729;
    source = std::move(rec);
  }

  info_.fileName = path;
  info_.frameBytes = kVoiceFrameBytes;
  info_.bits = voice::kBitsPerSample;
  info_.rate = voice::kSampleRate;
  info_.channels = voice::kChannels;
  display_.showPlayKind("DVG");
  display_.showBitRate(8, 0);
  display_.showStereo(false);
  info_.dataSize = source->dataSize();
  info_.totalPcmBytes = voice::pcmBytesForCoded(info_.dataSize);
  showTotalSeconds(info_.totalPcmBytes / kVoiceBytesPerSecond);

  voiceNumber_ = ++counter_;
  if (!voice_.start(std::move(source))) return refuse(keys::kKindProgram, keys::kCannotPlay);
  return true;
}

void Player::VoiceFault(SourceFault fault) {
  // The output plays out what it holds; its stop event then runs Stop.
  if (fault == SourceFault::FileLost) playbackError(keys::kKindProgram, keys::kCannotPlay);
  if (fault == SourceFault::LinkLost) disconnectRecorder();
  SetPlayAndRecButton(ButtonState::Idle);
}

void Player::disconnectRecorder() {
  if (recorder_) recorder_->link.DisconnectUSB();
}

void Player::OnG729WaveOutStop(uint64_t number) {
  if (number == 0 || number != voiceNumber_) return;
  Stop();
}

void Player::VoiceSeek(int percent) {
  SourceFault fault = voice_.seek(percent);
  // The recorder source keeps off both ends and moves the slider there.
  if (state_.recorderSource) showPosition(percent);
  if (fault == SourceFault::LinkLost) {
    disconnectRecorder();
    Stop();
  } else if (!voice_.active()) {
    playbackError(keys::kKindProgram, keys::kCannotPlay);
    Stop();
  }
}

// --- MP3 --------------------------------------------------------------------------------------

bool Player::LoadMpegFile(const fs::path &path) {
  bool loaded = false;
  std::error_code ec;
  if (!path.empty() && fs::exists(path, ec)) {
    mpeg_.unload();
    if (mpeg_.load(path.string())) {
      mpegElapsedMs_ = 0;
      mpegLastPositionMs_ = 0;
      loaded = true;
    }
  }
  SetMpegFileParams();
  return loaded;
}

void Player::SetMpegFileParams() {
  if (!mpeg_.loaded()) return;
  const int bitRate = mpeg_.bitRateKbps();
  display_.showPlayKind(bitRate == 0 ? "VBR" : "MP3");
  const int mode = mpeg_.channelMode();
  display_.showStereo(mode == 0 || mode == 1);
  display_.showBitRate(std::max(0, bitRate), 0);
  showTotalSeconds(mpegTotalSeconds(mpeg_.frames(), mpeg_.msPerFrame()));
}

void Player::PlayMpeg() {
  if (!mpeg_.loaded()) return;
  if (mpeg_.started() && mpeg_.paused()) {
    mpeg_.resume();
    return;
  }
  if (mpeg_.started()) {
    // Restarts from the beginning; the stopped event of the old output is ignored.
    mpegNumber_ = 0;
    mpeg_.stop();
    mpeg_.seekFrame(0);
    mpegElapsedMs_ = 0;
    mpegLastPositionMs_ = 0;
  }
  mpegNumber_ = ++counter_;
  if (!mpeg_.start(mpegNumber_)) {
    playbackError(keys::kKindNotice, keys::kNotMpeg);
    Stop();
  }
}

void Player::OnMpegWaveOutStart(uint64_t number) {
  if (number == 0 || number != mpegNumber_) return;
  mpegTicks_ = 0;
  events_.runMpegTimer(true);
}

void Player::OnMpegWaveOutStop(uint64_t number) {
  if (number == 0 || number != mpegNumber_) return;
  mpegNumber_ = 0;
  events_.runMpegTimer(false);
  DrawMpegTime(0);
  showPosition(0);
  Stop();
}

void Player::OnMpegTimer() {
  if (gate_.busy()) return;
  CommandGate::Hold hold(gate_);
  showLevels();
  if (++mpegTicks_ % 5 != 0) return;
  if (!mpeg_.started() || state_.tracking) return;
  int64_t p = mpeg_.positionMs();
  mpegElapsedMs_ = std::max<int64_t>(0, mpegElapsedMs_ + p - mpegLastPositionMs_);
  DrawMpegTime(mpegElapsedMs_);
  mpegLastPositionMs_ = p;
  if (mpeg_.loaded()) showPosition(percentOf(mpeg_.currentFrame(), mpeg_.frames()));
}

void Player::DrawMpegTime(int64_t milliseconds) { showElapsedSeconds(uint64_t(std::max<int64_t>(0, milliseconds)) / 1000); }

void Player::MpegSeek(int percent) {
  const bool wasPaused = mpeg_.paused();
  mpeg_.pause();
  mpeg_.seekFrame(partAt(mpeg_.frames(), percent));
  double elapsed = double(mpeg_.currentFrame()) * mpeg_.msPerFrame();
  mpegElapsedMs_ = std::isfinite(elapsed) && elapsed > 0 ? int64_t(elapsed) : 0;
  mpeg_.refill();
  // A seek while paused stays paused.
  if (!wasPaused) mpeg_.resume();
  mpegLastPositionMs_ = 0;
}

// --- WAV ---------------------------------------------------------------------------------------

bool Player::PlayWave(const fs::path &path) {
  if (state_.activeList != 0) return false;
  state_.recorderSource = false;
  auto fail = [&] {
    playbackError(keys::kKindNotice, keys::kCannotPlay);
    Stop();
    return false;
  };
  if (!wave_.open(path.string())) return fail();
  const bool stereo = wave_.channels() >= 2;
  display_.showStereo(stereo);
  display_.showPlayKind("WAV");
  BitRate b = waveBitRate(wave_.sampleRate(), wave_.bitsPerSample(), stereo);
  display_.showBitRate(b.whole, b.tenths);
  showTotalSeconds(waveTotalSeconds(wave_.dataBytes(), wave_.averageBytesPerSecond()));
  waveNumber_ = ++counter_;
  if (!wave_.play(waveNumber_)) return fail();
  return true;
}

void Player::OnWavePlayerStop(uint64_t number) {
  if (number == 0 || number != waveNumber_) return;
  Stop();
}

// --- Recording -----------------------------------------------------------------------------------

bool Player::StartG729Record() {
  display_.showBitRate(8, 0);
  display_.showPlayKind("DVG");
  if (!recording_.createTempFile()) {
    error(keys::kKindProgram, keys::kCannotRecord);
    return false;
  }
  display_.showStereo(false);
  state_.recording = true;
  showElapsedSeconds(0);
  events_.runDisplayTimer(true);
  SetPlayAndRecButton(ButtonState::Recording);
  if (!recording_.startInput()) {
    // Nothing was recorded: nothing to save.
    state_.recording = false;
    error(keys::kKindProgram, keys::kCannotRecord);
    Stop();
    return false;
  }
  return true;
}

void Player::FinishRecording() {
  recording_.stopInput();
  state_.recording = false;
  std::optional<fs::path> chosen = lists_.askSavePath(lists_.pcFolder());
  // Cancelled: the temporary recording stays for another try.
  if (!chosen || chosen->empty()) return;
  switch (saveRecording(recording_.tempFile(), savedRecordingPath(*chosen))) {
    case SaveResult::Saved:
      lists_.refreshPcList();
      break;
    case SaveResult::Failed:
      error(keys::kKindProgram, keys::kCannotSave);
      break;
    case SaveResult::NoRecording:
      break;
  }
}

}  // namespace player
