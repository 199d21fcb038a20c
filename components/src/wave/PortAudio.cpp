#include "components/wave/PortAudio.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <cmath>
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

namespace {

int firstDevice(PaDeviceIndex preferred, bool output) {
  auto channels = [output](PaDeviceIndex k) {
    const PaDeviceInfo *info = Pa_GetDeviceInfo(k);
    return info ? (output ? info->maxOutputChannels : info->maxInputChannels) : 0;
  };
  if (preferred != paNoDevice && channels(preferred) > 0) return preferred;
  PaDeviceIndex count = Pa_GetDeviceCount();
  for (PaDeviceIndex k = 0; k < count; ++k)
    if (channels(k) > 0) return k;
  return -1;
}

}  // namespace

int PortAudioSession::outputDevice() const { return ok_ ? firstDevice(Pa_GetDefaultOutputDevice(), true) : -1; }

int PortAudioSession::inputDevice() const { return ok_ ? firstDevice(Pa_GetDefaultInputDevice(), false) : -1; }

bool systemHasOutputDevice() { return PortAudioSession().hasOutputDevice(); }

bool systemHasInputDevice() { return PortAudioSession().hasInputDevice(); }

uint32_t chooseDeviceRate(uint32_t streamRate, uint32_t preferred, double deviceDefault,
                          const std::function<bool(uint32_t)> &takes) {
  if (preferred != 0 && takes(preferred)) return preferred;
  if (streamRate != 0 && takes(streamRate)) return streamRate;
  if (deviceDefault >= 1 && deviceDefault < 1e7) {
    uint32_t rate = uint32_t(std::lround(deviceDefault));
    if (takes(rate)) return rate;
  }
  for (uint32_t rate : {48000u, 44100u, 96000u, 32000u, 22050u, 16000u, 88200u, 192000u, 11025u, 8000u})
    if (takes(rate)) return rate;
  return 0;
}

}  // namespace components::wave
