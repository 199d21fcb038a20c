#include "speed/SpeedPlayer.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "speed/SpeedFormat.h"

namespace speed {

namespace fs = std::filesystem;

namespace {
constexpr char kKindError[] = "FS_kind_wavemsg0";
constexpr char kKindWarning[] = "FS_kind_wavemsg1";
constexpr char kAlreadyLoaded[] = "FS_wav_msg0";
constexpr char kNotUsable[] = "FS_wav_msg2";

// The chosen name with its ending turned into ".WAV", in the case the
// ending was written in.
std::string wavePreset(const std::string &path) {
  fs::path p(path);
  std::string ending = p.extension().string();
  bool lower = ending.size() > 1 && std::islower(static_cast<unsigned char>(ending[1]));
  return p.replace_extension(lower ? ".wav" : ".WAV").string();
}
}  // namespace

SpeedPlayer::SpeedPlayer(SpeedView &view, SpeedEngine &engine, FilePreparation &preparation, components::JobUi &ui,
                         fs::path tempFolder)
    : view_(view), engine_(engine), preparation_(preparation), ui_(ui), playable_(ui, std::move(tempFolder)) {}

SpeedPlayer::~SpeedPlayer() = default;

bool SpeedPlayer::sameAsLoaded(const std::string &path) const {
  if (loadedName_.empty()) return false;
  std::error_code a, b;
  fs::path one = fs::weakly_canonical(path, a), other = fs::weakly_canonical(loadedName_, b);
  return a || b ? path == loadedName_ : one == other;
}

void SpeedPlayer::openFile() {
  if (!engineStopped()) stop();
  auto chosen = view_.askOpenFile();
  if (!chosen) return;
  if (sameAsLoaded(*chosen)) {
    view_.errorBox(kKindWarning, kAlreadyLoaded);
    return;
  }
  const std::string ending = upperEnding(*chosen);
  if (ending == ".WAV") {
    loadWave(*chosen);
    return;
  }
  if (ending != ".DVG" && ending != ".MP3") {
    view_.errorBox(kKindError, kNotUsable);
    return;
  }
  auto target = view_.askSaveFile(wavePreset(*chosen));
  if (!target) return;
  if (sameAsLoaded(*target)) {
    view_.errorBox(kKindWarning, kAlreadyLoaded);
    return;
  }
  // The engine plays only files ending in ".wav"; this also keeps the
  // source from being written over.
  if (upperEnding(*target) != ".WAV") {
    view_.errorBox(kKindError, kNotUsable);
    return;
  }
  bool converted = ending == ".DVG" ? preparation_.decodeVoice(*chosen, *target)
                                    : preparation_.convertMp3(*chosen, *target);
  if (converted) loadWave(*target);
}

void SpeedPlayer::loadWave(const std::string &path) {
  switch (playable_.prepare(path)) {
    case PlayableWave::Outcome::Ready:
      break;
    case PlayableWave::Outcome::Cancelled:
      return;
    case PlayableWave::Outcome::Failed:
      view_.errorBox(kKindError, kNotUsable);
      return;
  }
  view_.enablePlaybackControls(false);
  WaveFacts facts;
  switch (view_.loadWave(playable_.path().string(), path, facts)) {
    case SpeedView::Load::Loaded:
      break;
    case SpeedView::Load::Cancelled:
      // Nothing is loaded, so the same file can be chosen again.
      unload();
      buildCancelled_ = true;
      return;
    case SpeedView::Load::Failed:
      unload();
      view_.errorBox(kKindError, kNotUsable);
      return;
  }
  buildCancelled_ = false;
  if (!engine_.openFile(playable_.path().string())) {
    unload();
    view_.errorBox(kKindError, kNotUsable);
    return;
  }
  loadedName_ = path;
  facts_ = facts;
  // Both the views and the engine must reach the end marker.
  const int64_t end = std::max<int64_t>(0, std::min(facts.frames, engine_.lengthFrames()));
  view_.setMarkers({0, end});
  view_.setLocator(0);
  view_.setSelection({-1, -1});
  view_.setZoom({0, facts.frames});
  view_.showFile(path, rateText(facts.rate), bitsText(facts.bits));
  playMode_ = 1;
  setButtons(0);
  showTimes();
  view_.enablePlaybackControls(true);
}

void SpeedPlayer::unload() {
  if (timerRunning_) stopTimer();
  if (engine_.isLoaded()) engine_.close();
  view_.closeWave();
  view_.lockWaveArea(false);
  playable_.release();
  loadedName_.clear();
  facts_ = {};
  view_.showFile("", "", "");
  view_.showTime("");
  view_.showLength("");
  view_.enablePlaybackControls(false);
}

void SpeedPlayer::closeFile() {
  if (!engineStopped() || timerRunning_) stop();
  unload();
  setButtons(0);
}

void SpeedPlayer::closeWindow() {
  stop();
  unload();
  setButtons(0);
}

void SpeedPlayer::sendRate() { engine_.setRate(rateOfSlider(view_.speedSlider())); }

void SpeedPlayer::setButtons(int state) {
  buttonState_ = state;
  view_.setButtonState(state);
}

void SpeedPlayer::startTimer() {
  lastPosition_ = -1;
  stalled_ = 0;
  timerRunning_ = true;
  view_.setTimerRunning(true);
}

void SpeedPlayer::stopTimer() {
  timerRunning_ = false;
  view_.setTimerRunning(false);
}

void SpeedPlayer::play() {
  if (loadedName_.empty() || buttonState_ == 1) return;
  if (buttonState_ != 2 || playMode_ != 2) {
    int64_t from = view_.locator();
    if (from < 0) from = std::max<int64_t>(0, view_.markers().start);
    sendRate();
    engine_.setPosition(uint32_t(from));
    engine_.play();
    startFrame_ = from;
    setButtons(1);
    playMode_ = 1;
    startTimer();
    view_.lockWaveArea(true);
  } else {
    playSelection();
  }
}

void SpeedPlayer::playSelection() {
  const FrameSpan selection = view_.selection();
  if (loadedName_.empty() || !selection.valid()) return;
  sendRate();
  if (buttonState_ != 2) {
    engine_.setPosition(uint32_t(selection.start));
    startFrame_ = selection.start;
  } else {
    // Resumes where the engine's source stands, near the last position.
    startFrame_ = std::max<int64_t>(0, view_.locator());
  }
  engine_.play();
  setButtons(1);
  playMode_ = 2;
  startTimer();
  view_.lockWaveArea(false);
}

void SpeedPlayer::pause() {
  if (engine_.state() != SpeedEngine::Playing) return;
  stopTimer();
  engine_.stop();
  view_.lockWaveArea(false);
  setButtons(2);
}

void SpeedPlayer::stop() {
  if (engine_.state() == SpeedEngine::Playing || timerRunning_) {
    stopTimer();
    engine_.stop();
    view_.lockWaveArea(false);
  }
  if (loadedName_.empty()) return;
  const FrameSpan markers = view_.markers();
  const FrameSpan selection = view_.selection();
  int64_t to = std::max<int64_t>(0, markers.start);
  if (playMode_ == 2 && selection.valid()) to = selection.start;
  view_.setLocator(to);
  follow(to);
  setButtons(0);
  showTimes();
}

FrameSpan SpeedPlayer::bounds() const {
  if (playMode_ == 2) {
    FrameSpan selection = view_.selection();
    if (selection.valid()) return selection;
  }
  FrameSpan markers = view_.markers();
  if (markers.valid()) return markers;
  return {0, std::max<int64_t>(1, facts_.frames)};
}

void SpeedPlayer::tick() {
  if (!timerRunning_) return;
  int64_t p = engine_.position();
  if (p == lastPosition_) {
    ++stalled_;
  } else {
    lastPosition_ = p;
    stalled_ = 0;
  }
  // Until its first buffer has played the engine reports 0, not where it starts.
  if (startFrame_ >= 0) {
    if (p == 0 && startFrame_ != 0)
      p = startFrame_;
    else
      startFrame_ = -1;
  }
  follow(p);
  view_.setLocator(p);
  view_.showTime(frameTime(p, facts_.rate));

  const FrameSpan limits = bounds();
  // An engine that has stopped by itself (a read failure) has ended too.
  const bool stalled = stalled_ >= kStallTicks || engine_.state() == SpeedEngine::Stopped;
  if (p < limits.start && !stalled) {
    engine_.setPosition(uint32_t(limits.start));
    lastPosition_ = -1;
    return;
  }
  if (p >= limits.end || stalled) {
    if (view_.repeatChecked() && engine_.state() == SpeedEngine::Playing) {
      engine_.setPosition(uint32_t(limits.start));
      lastPosition_ = -1;
      stalled_ = 0;
    } else {
      endPlayback(limits.start);
    }
  }
}

void SpeedPlayer::endPlayback(int64_t lower) {
  engine_.stop();
  view_.setLocator(lower);
  follow(lower);
  stopTimer();
  view_.lockWaveArea(false);
  setButtons(0);
  showTimes();
}

void SpeedPlayer::follow(int64_t p) {
  const FrameSpan zoom = view_.zoom();
  const int64_t span = zoom.end - zoom.start;
  if (span <= 0 || facts_.frames <= 0) return;
  const double framesPerPixel = double(span) / std::max(1, view_.zoomWidth());
  FrameSpan moved = zoom;
  if (double(p) >= double(zoom.end) - 5 * framesPerPixel) {
    moved.end = p + span * 4 / 5;
    moved.start = moved.end - span;
  } else if (p < zoom.start) {
    moved.start = p;
    moved.end = p + span;
  } else {
    return;
  }
  if (moved.end > facts_.frames) {
    moved.end = facts_.frames;
    moved.start = moved.end - span;
  }
  if (moved.start < 0) {
    moved.start = 0;
    moved.end = std::min(span, facts_.frames);
  }
  if (!(moved == zoom)) view_.setZoom(moved);
}

void SpeedPlayer::speedChanged(int slider) {
  if (loadedName_.empty() || !engine_.isLoaded()) return;
  engine_.setRate(rateOfSlider(slider));
  // While the queued sound plays out at the old speed the position may
  // rest a little longer than usual: that is no stall.
  lastPosition_ = -1;
  stalled_ = 0;
}

void SpeedPlayer::clickWhilePlaying(int64_t frame) {
  if (engine_.state() != SpeedEngine::Playing) return;
  frame = std::clamp<int64_t>(frame, 0, std::max<int64_t>(0, facts_.frames));
  engine_.setPosition(uint32_t(frame));
  lastPosition_ = -1;
  stalled_ = 0;
  startFrame_ = -1;
}

void SpeedPlayer::selectAll() {
  if (loadedName_.empty()) return;
  const FrameSpan whole{0, facts_.frames};
  view_.setSelection(view_.selection() == whole ? FrameSpan{0, 0} : whole);
}

void SpeedPlayer::normalRange() {
  if (!loadedName_.empty()) view_.setZoom({0, facts_.frames});
}

bool SpeedPlayer::canZoomSelection() const {
  const FrameSpan selection = view_.selection();
  return !loadedName_.empty() && selection.valid() && !(selection.start <= 0 && selection.end >= facts_.frames);
}

void SpeedPlayer::zoomSelection() {
  if (canZoomSelection()) view_.setZoom(view_.selection());
}

void SpeedPlayer::discardSelection() { view_.setSelection({-1, -1}); }

void SpeedPlayer::positionsMoved() { showTimes(); }

void SpeedPlayer::spanDragged(FrameSpan span) {
  if (loadedName_.empty()) return;
  view_.showTime(frameTime(span.end, facts_.rate));
  view_.showLength(frameTime(span.end - span.start, facts_.rate));
}

void SpeedPlayer::showTimes() {
  if (loadedName_.empty()) return;
  const FrameSpan markers = view_.markers();
  view_.showTime(frameTime(std::max<int64_t>(0, view_.locator()), facts_.rate));
  view_.showLength(frameTime(markers.end - markers.start, facts_.rate));
}

}  // namespace speed
