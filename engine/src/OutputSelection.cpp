#include "OutputSelection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "components/wave/PortAudioOutput.h"
#include "components/wave/VirtualOutput.h"

namespace sonavel {

OutputChoice chooseOutput(const char *setting, const std::function<bool()> &portAudioHasDevice) {
  if (setting && std::strcmp(setting, "virtual") == 0) return OutputChoice::Virtual;
  if (setting && std::strcmp(setting, "portaudio") == 0) return OutputChoice::PortAudio;
  return portAudioHasDevice() ? OutputChoice::PortAudio : OutputChoice::Virtual;
}

namespace {

double virtualSpeed() {
  const char *text = std::getenv("SONAVEL_VIRTUAL_SPEED");
  if (!text || !*text) return 1.0;
  char *end = nullptr;
  double speed = std::strtod(text, &end);
  return end && *end == 0 && speed >= 0 ? speed : 1.0;
}

std::unique_ptr<wave::OutputDevice> makeVirtual(wave::DoneQueue &queue, wave::BufferListener &listener) {
  auto device = std::make_unique<wave::VirtualOutput>(queue, listener, wave::VirtualOutput::Clock::Timed,
                                                      virtualSpeed());
  if (const char *path = std::getenv("SONAVEL_VIRTUAL_CAPTURE"); path && *path) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      auto file = std::shared_ptr<int>(new int(fd), [](int *f) {
        ::close(*f);
        delete f;
      });
      device->setSink([file](const uint8_t *data, size_t size) {
        while (size > 0) {
          ssize_t n = ::write(*file, data, size);
          if (n <= 0) return;
          data += n;
          size -= size_t(n);
        }
      });
    }
  }
  return device;
}

}  // namespace

PlaybackEngine::OutputFactory environmentOutputFactory() {
  return [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::OutputDevice> {
    std::unique_ptr<wave::PortAudioOutput> portAudio;
    auto probe = [&] {
      portAudio = std::make_unique<wave::PortAudioOutput>(queue, listener);
      return portAudio->available();
    };
    switch (chooseOutput(std::getenv("SONAVEL_OUTPUT"), probe)) {
      case OutputChoice::PortAudio:
        if (!portAudio) portAudio = std::make_unique<wave::PortAudioOutput>(queue, listener);
        return portAudio;
      case OutputChoice::Virtual:
        break;
    }
    portAudio.reset();
    return makeVirtual(queue, listener);
  };
}

}  // namespace sonavel
