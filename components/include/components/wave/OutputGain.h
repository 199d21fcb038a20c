// The process's one output gain, the mixer volume: every output device
// scales what it plays by it, in the application and in libsonavel.so
// alike. It lives in a shared library of its own (libquillorn-wavegain.so)
// so that a process holds exactly one, whichever libraries link the wave
// devices. It starts at unity and nothing keeps it across runs.
#pragma once

#define QUILLORN_WAVEGAIN_API __attribute__((visibility("default")))

namespace components::wave {

inline constexpr float kUnityGain = 1.0f;
inline constexpr float kMaxOutputGain = 8.0f;

// Any thread; takes effect with the next samples a device plays. Clamped to
// 0..kMaxOutputGain; NaN leaves the gain as it was.
QUILLORN_WAVEGAIN_API void setOutputGain(float gain);
QUILLORN_WAVEGAIN_API float outputGain();

}  // namespace components::wave
