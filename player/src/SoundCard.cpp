#include "player/SoundCard.h"

#include "components/wave/PortAudioInput.h"
#include "components/wave/PortAudioOutput.h"

namespace player {

namespace wave = components::wave;

OutputFactory soundCardOutput() {
  return [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::OutputDevice> {
    return std::make_unique<wave::PortAudioOutput>(queue, listener);
  };
}

InputFactory soundCardInput() {
  return [](wave::DoneQueue &queue, wave::BufferListener &listener) -> std::unique_ptr<wave::InputDevice> {
    return std::make_unique<wave::PortAudioInput>(queue, listener);
  };
}

}  // namespace player
