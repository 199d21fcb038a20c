// What q417 play and q417 record share: the player over the sound card and
// the MP3 and WAV components, in the host without windows, with Ctrl-C
// stopping it.
#pragma once

#include <filesystem>
#include <memory>

#include "components/JobUi.h"
#include "components/wave/DoneQueue.h"
#include "player/ComponentPlayback.h"
#include "player/PollHost.h"
#include "recorder/FlashVolume.h"

namespace tool {

class ToolPlayer {
 public:
  // recorder: null when the command plays PC files only.
  ToolPlayer(components::JobUi &ui, recorder::FlashVolume *recorder, player::Selection selection,
             const std::filesystem::path &tempFolder);
  ~ToolPlayer();
  ToolPlayer(const ToolPlayer &) = delete;
  ToolPlayer &operator=(const ToolPlayer &) = delete;

  player::PollHost &host() { return *host_; }
  // Whether PortAudio found a device, asked once at the start.
  bool outputDevice() const { return outputDevice_; }
  bool inputDevice() const { return inputDevice_; }

 private:
  bool outputDevice_, inputDevice_;
  components::wave::DoneQueue queue_;
  player::ComponentMpegPlayback mpeg_;
  player::ComponentWavPlayback wave_;
  std::unique_ptr<player::PollHost> host_;
};

// The upper-cased extension of a file name, with its dot ("" without one).
std::string upperExtension(const std::string &name);

}  // namespace tool
