#include "Mp3Fixture.h"

#include "testsupport/Process.h"
#include "testsupport/Tools.h"

namespace mp3test {

std::filesystem::path makeMp3(const testsupport::TempDir &dir, const std::string &name, const Tone &tone,
                              const std::string &lameOptions) {
  auto sox = testsupport::requireTool("sox");
  auto lame = testsupport::requireTool("lame");
  auto wav = dir / (name + ".src.wav");
  auto mp3 = dir / (name + ".mp3");
  // The input's rate goes before -n: the tone is made at that rate, sample
  // for sample.
  std::string cmd = sox.string() + " -q -r " + std::to_string(tone.rate) + " -n -c " +
                    std::to_string(tone.channels) + " -b 16 '" + wav.string() + "' synth " +
                    std::to_string(tone.samples) + "s sine 440 && " + lame.string() + " --quiet " + lameOptions +
                    " '" + wav.string() + "' '" + mp3.string() + "'";
  if (!testsupport::runCommand(cmd).ok()) return {};
  std::filesystem::remove(wav);
  return mp3;
}

}  // namespace mp3test
