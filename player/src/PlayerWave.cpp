// WAV playback through the WAV player.
#include "player/Player.h"

#include "PlayerInternal.h"

namespace player {

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

}  // namespace player
