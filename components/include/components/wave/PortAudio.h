// PortAudio as the wave devices use it: initialised per user, with the
// ALSA and JACK chatter of device probing kept off the user's terminal; the
// device a stream opens and the rate it opens it at.
#pragma once

#include <cstdint>
#include <functional>

namespace components::wave {

class PortAudioSession {
 public:
  PortAudioSession();
  ~PortAudioSession();
  PortAudioSession(const PortAudioSession &) = delete;
  PortAudioSession &operator=(const PortAudioSession &) = delete;
  bool ok() const { return ok_; }
  bool hasOutputDevice() const { return outputDevice() >= 0; }
  bool hasInputDevice() const { return inputDevice() >= 0; }
  // The device a stream opens: the default one, else the first with
  // channels in that direction; -1 when there is none.
  int outputDevice() const;
  int inputDevice() const;

 private:
  bool ok_ = false;
};

// Whether the system has a wave output device at all (the players'
// output-device flag), and a wave input device. Each initialises PortAudio
// for the question: ask once, at start-up.
bool systemHasOutputDevice();
bool systemHasInputDevice();

// The rate a device opens at for a stream of `streamRate`: `preferred` when
// it is set and the device takes it, else the stream's own rate when the
// device takes it, else the device's default rate, else the first common
// rate it takes; 0 when it takes none. Any rate but the stream's means the
// samples are converted on the way.
uint32_t chooseDeviceRate(uint32_t streamRate, uint32_t preferred, double deviceDefault,
                          const std::function<bool(uint32_t rate)> &takes);

// Standard error goes to /dev/null while one of these lives.
class QuietStderr {
 public:
  QuietStderr();
  ~QuietStderr();
  QuietStderr(const QuietStderr &) = delete;
  QuietStderr &operator=(const QuietStderr &) = delete;

 private:
  int saved_ = -1;
};

}  // namespace components::wave
