// PortAudio as the wave devices use it: initialised per user, with the
// ALSA and JACK chatter of device probing kept off the user's terminal.
#pragma once

namespace components::wave {

class PortAudioSession {
 public:
  PortAudioSession();
  ~PortAudioSession();
  PortAudioSession(const PortAudioSession &) = delete;
  PortAudioSession &operator=(const PortAudioSession &) = delete;
  bool ok() const { return ok_; }
  bool hasOutputDevice() const;

 private:
  bool ok_ = false;
};

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
