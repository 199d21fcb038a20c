// Which wave output the engine plays through, chosen at every Play from
// SONAVEL_OUTPUT: "portaudio", "virtual", or (unset or anything else)
// PortAudio when it has an output device and the virtual output otherwise.
#pragma once

#include <functional>

#include "PlaybackEngine.h"

namespace sonavel {

enum class OutputChoice { PortAudio, Virtual };

OutputChoice chooseOutput(const char *setting, const std::function<bool()> &portAudioHasDevice);

// The virtual output runs at SONAVEL_VIRTUAL_SPEED times real time (default
// 1; 0 as fast as buffers arrive) and appends what it plays to the file
// named by SONAVEL_VIRTUAL_CAPTURE, if set.
PlaybackEngine::OutputFactory environmentOutputFactory();

}  // namespace sonavel
