// Turning a voice file or an MP3 file into the WAV file the speed player
// shows: each in the progress window, cancellable, its target written under
// a temporary name and renamed only when complete.
#pragma once

#include <string>

#include "components/JobUi.h"
#include "speed/SpeedEngine.h"

namespace speed {

class FilePreparation {
 public:
  virtual ~FilePreparation() = default;
  // True when the target is complete; false when cancelled or failed (the
  // failure reported), with any earlier file of the target's name intact.
  virtual bool decodeVoice(const std::string &source, const std::string &target) = 0;
  virtual bool convertMp3(const std::string &source, const std::string &target) = 0;
};

// The voice file through the G.729 decoder, the MP3 file through the
// engine's conversion thread.
class EngineFilePreparation final : public FilePreparation {
 public:
  EngineFilePreparation(components::JobUi &ui, SpeedEngine &engine);

  bool decodeVoice(const std::string &source, const std::string &target) override;
  bool convertMp3(const std::string &source, const std::string &target) override;

  // How long a conversion may show no sign of life before it counts as
  // failed (the engine leaves its progress at 0 when it cannot write).
  int stallMilliseconds = 5000;
  // Pause between two looks at the progress.
  int pollMilliseconds = 20;

 private:
  void openProgress(const std::string &source, const std::string &target);
  // Waits until the engine's conversion has ended; false when it shows no
  // sign of life for stallMilliseconds.
  bool waitForEnd(const std::string &temp);

  components::JobUi &ui_;
  SpeedEngine &engine_;
};

}  // namespace speed
