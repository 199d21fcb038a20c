// MP3 playback through the MP3 component.
#include "player/Player.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "PlayerInternal.h"

namespace player {

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

}  // namespace player
