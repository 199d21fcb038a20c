// The wave devices the main window's players use: the sound card through
// PortAudio, virtual devices that play and record in real time without a
// sound card (silence in), or none at all. QUILLORN_AUDIO chooses for the
// program: "virtual", "none", or the sound card when unset.
#pragma once

#include <memory>

#include "player/ComponentPlayback.h"
#include "player/VoiceOutput.h"
#include "player/VoiceRecording.h"

namespace app {

struct PlayerDevices {
  // Every output (voice, WAV, MP3) is made by makeOutput, the recording
  // input by makeInput; null factories make none.
  player::OutputFactory makeOutput;
  player::InputFactory makeInput;
  // The output-device flag: false makes Play report that there is no
  // wave output device.
  bool outputDevice = false;
  // Kept while the devices are in use: the sound card's library stays
  // initialised from the question above to the last device.
  std::shared_ptr<void> session;
};

PlayerDevices soundCardDevices();
PlayerDevices virtualDevices();
PlayerDevices noDevices();
// By QUILLORN_AUDIO, as above.
PlayerDevices devicesFromEnvironment();

}  // namespace app
