#include "player_tool.h"

#include <cctype>

#include "components/wave/PortAudio.h"
#include "player/SoundCard.h"

namespace tool {

ToolPlayer::ToolPlayer(components::JobUi &ui, recorder::FlashVolume *recorder, player::Selection selection,
                       const std::filesystem::path &tempFolder)
    : outputDevice_(components::wave::systemHasOutputDevice()),
      inputDevice_(components::wave::systemHasInputDevice()),
      mpeg_(queue_, player::soundCardOutput()),
      wave_(queue_, player::soundCardOutput()) {
  player::HostSetup setup{ui,
                          queue_,
                          player::soundCardOutput(),
                          player::soundCardInput(),
                          outputDevice_,
                          mpeg_,
                          wave_,
                          recorder,
                          tempFolder,
                          std::move(selection),
                          true,
                          2,
                          std::nullopt};
  host_ = std::make_unique<player::PollHost>(setup);
}

ToolPlayer::~ToolPlayer() { host_.reset(); }

std::string upperExtension(const std::string &name) {
  auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  for (char &c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace tool
