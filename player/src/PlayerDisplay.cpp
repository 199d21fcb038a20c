// The player's display: elapsed and total time, the position slider, the
// level meters on the display timer, and error boxes.
#include "player/Player.h"

#include <algorithm>
#include <chrono>

#include "PlayerInternal.h"

namespace player {

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

}  // namespace player
