// The transport state that every player and the recorder share, and the
// enabling of the toolbar's record, play and pause buttons by state.
#pragma once

#include <cstdint>
#include <optional>

namespace player {

enum class PlayKind : uint8_t { None = 0, Wave = 1, Voice = 2, Mpeg = 3 };

// SetPlayAndRecButton's states.
enum class ButtonState : int {
  Idle = -1,
  Recording = 0,
  RecordingPaused = 1,
  Playing = 2,
  PlaybackPaused = 3,
};

// The recording mode the record button writes: the "SP" mode of the voice header.
inline constexpr uint8_t kRecordModeSP = 0xAA;

// What a state does to the three buttons; an empty entry leaves that button
// as it is.
struct ButtonChange {
  std::optional<bool> record, play, pause;
  bool operator==(const ButtonChange &) const = default;
};

// The button table. State 1 enables the record button only for the SP mode.
ButtonChange buttonsFor(ButtonState state, uint8_t recordMode = kRecordModeSP);

struct TransportState {
  PlayKind kind = PlayKind::None;
  bool paused = false;          // the active player is paused
  bool tracking = false;        // the user drags the position slider
  bool recorderSource = false;  // the voice file plays from the recorder
  bool outputDevice = false;    // the system has a wave output device (set at start-up)
  bool recording = false;       // from the start of a recording to its stop
  int activeList = 0;           // the list the last Play took its item from: 0 PC, 1..8 a recorder folder
  ButtonState buttons = ButtonState::Idle;  // the state last given to the buttons
};

}  // namespace player
