#include "player/TransportState.h"

namespace player {

ButtonChange buttonsFor(ButtonState state, uint8_t recordMode) {
  switch (state) {
    case ButtonState::Idle:
      return {true, true, true};
    case ButtonState::Recording:
      return {false, false, std::nullopt};
    case ButtonState::RecordingPaused:
      return {recordMode == kRecordModeSP ? std::optional<bool>(true) : std::nullopt, false, std::nullopt};
    case ButtonState::Playing:
      return {false, false, true};
    case ButtonState::PlaybackPaused:
      return {false, true, false};
  }
  return {};
}

}  // namespace player
