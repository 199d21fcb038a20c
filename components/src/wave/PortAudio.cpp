#include "components/wave/PortAudio.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <cstdio>

namespace components::wave {

QuietStderr::QuietStderr() {
  std::fflush(stderr);
  int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  saved_ = ::dup(2);
  if (saved_ >= 0) ::dup2(null, 2);
  ::close(null);
}

QuietStderr::~QuietStderr() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  ::dup2(saved_, 2);
  ::close(saved_);
}

PortAudioSession::PortAudioSession() {
  QuietStderr quiet;
  ok_ = Pa_Initialize() == paNoError;
}

PortAudioSession::~PortAudioSession() {
  if (!ok_) return;
  QuietStderr quiet;
  Pa_Terminate();
}

bool PortAudioSession::hasOutputDevice() const { return ok_ && Pa_GetDefaultOutputDevice() != paNoDevice; }

}  // namespace components::wave
