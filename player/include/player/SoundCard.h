// The sound card behind the voice output and the recording input: the
// factories a host gives the player for PortAudio's default devices.
#pragma once

#include "player/VoiceOutput.h"
#include "player/VoiceRecording.h"

namespace player {

OutputFactory soundCardOutput();
InputFactory soundCardInput();

}  // namespace player
