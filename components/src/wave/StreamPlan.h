// The PortAudio stream parameters of one direction for a PCM format: the
// session's device, the sample format, and the rate the device takes (the
// stream's own, else one that samples are converted to, as floats).
#pragma once

#include <portaudio.h>

#include <cstdint>
#include <optional>

#include "components/wave/PortAudio.h"
#include "components/wave/WaveBuffer.h"

namespace components::wave {

struct StreamPlan {
  PaStreamParameters params{};
  uint32_t deviceRate = 0;
  bool convert = false;  // samples go through the rate converter as floats
};

enum class StreamDirection { Input, Output };

// Nothing when the format has no PortAudio sample format, the session has no
// device for the direction, or the device takes no usable rate.
std::optional<StreamPlan> planStream(const PortAudioSession &session, StreamDirection direction,
                                     const PcmFormat &format, uint32_t preferredRate);

}  // namespace components::wave
