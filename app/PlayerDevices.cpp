#include "app/PlayerDevices.h"

#include <cstdlib>
#include <string_view>

#include "components/wave/PortAudio.h"
#include "components/wave/PortAudioInput.h"
#include "components/wave/PortAudioOutput.h"
#include "components/wave/VirtualInput.h"
#include "components/wave/VirtualOutput.h"

namespace app {

namespace wave = components::wave;

PlayerDevices soundCardDevices() {
  PlayerDevices d;
  auto session = std::make_shared<wave::PortAudioSession>();
  d.outputDevice = session->hasOutputDevice();
  d.session = session;
  d.makeOutput = [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::OutputDevice> {
    return std::make_unique<wave::PortAudioOutput>(queue, listener);
  };
  d.makeInput = [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::InputDevice> {
    return std::make_unique<wave::PortAudioInput>(queue, listener);
  };
  return d;
}

PlayerDevices virtualDevices() {
  PlayerDevices d;
  d.outputDevice = true;
  d.makeOutput = [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::OutputDevice> {
    return std::make_unique<wave::VirtualOutput>(queue, listener, wave::VirtualOutput::Clock::Timed);
  };
  d.makeInput = [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::InputDevice> {
    return std::make_unique<wave::VirtualInput>(queue, listener, wave::VirtualInput::Clock::Timed);
  };
  return d;
}

PlayerDevices noDevices() { return {}; }

PlayerDevices devicesFromEnvironment() {
  const char *choice = std::getenv("QUILLORN_AUDIO");
  const std::string_view audio = choice ? choice : "";
  if (audio == "virtual") return virtualDevices();
  if (audio == "none") return noDevices();
  return soundCardDevices();
}

}  // namespace app
