#include "SoundFiles.h"

#include <stdexcept>

#include "testsupport/Process.h"
#include "testsupport/Tools.h"

namespace soundfiles {

namespace fs = std::filesystem;

namespace {

void run(const std::string &command) {
  testsupport::ProcessResult r = testsupport::runCommand(command);
  if (!r.ok()) throw std::runtime_error(command + ": " + r.output);
}

std::string quoted(const fs::path &p) { return "'" + p.string() + "'"; }

}  // namespace

fs::path makeWav(const fs::path &dir, const std::string &name, const Tone &tone) {
  const fs::path sox = testsupport::requireTool("sox");
  const fs::path out = dir / name;
  run(sox.string() + " -q -r " + std::to_string(tone.rate) + " -n -c " + std::to_string(tone.channels) + " -b " +
      std::to_string(tone.bits) + " " + quoted(out) + " synth " + std::to_string(tone.seconds) + " sine 440 vol 0.5");
  return out;
}

fs::path makeMp3(const fs::path &dir, const std::string &name, const Tone &tone) {
  const fs::path lame = testsupport::requireTool("lame");
  const fs::path wav = makeWav(dir, name + ".src.wav", tone);
  const fs::path out = dir / name;
  run(lame.string() + " --quiet --cbr -b 128 " + quoted(wav) + " " + quoted(out));
  fs::remove(wav);
  return out;
}

}  // namespace soundfiles
