// Recording from the sound card into the temporary voice file, and saving it.
#include "player/Player.h"

#include "PlayerInternal.h"

namespace player {

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
