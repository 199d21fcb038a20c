#include "WaveFixture.h"

#include <cstring>

#include "testsupport/Process.h"
#include "testsupport/Tools.h"

namespace wavtest {

std::filesystem::path makeWav(const testsupport::TempDir &dir, const std::string &name, const Tone &tone,
                              const std::string &encoding) {
  auto sox = testsupport::requireTool("sox").string();
  auto source = dir / (name + ".src.wav");
  auto wav = dir / (name + ".wav");
  // The tone is made at the file's rate, sample for sample; half scale, so
  // that no encoding clips it.
  std::string cmd = sox + " -V1 -r " + std::to_string(tone.rate) + " -n -c " + std::to_string(tone.channels) +
                    " -b 16 '" + source.string() + "' synth " + std::to_string(tone.samples) +
                    "s sine 440 vol 0.5 && " + sox + " -V1 '" + source.string() + "' " + encoding + " '" +
                    wav.string() + "'";
  if (!testsupport::runCommand(cmd).ok()) return {};
  std::filesystem::remove(source);
  return wav;
}

std::filesystem::path reencode(const testsupport::TempDir &dir, const std::filesystem::path &from,
                               const std::string &name, const std::string &encoding) {
  auto sox = testsupport::requireTool("sox").string();
  auto wav = dir / (name + ".wav");
  if (!testsupport::runCommand(sox + " -V1 '" + from.string() + "' " + encoding + " '" + wav.string() + "'").ok())
    return {};
  return wav;
}

double frequencyOf(const std::vector<uint8_t> &pcm, int channels, uint32_t rate) {
  const size_t stride = size_t(channels) * 2;
  const size_t frames = pcm.size() / stride, from = frames / 4, to = frames * 3 / 4;
  int cycles = 0;
  bool high = false;
  size_t first = 0, last = 0;
  for (size_t i = from; i < to; ++i) {
    int16_t v;
    std::memcpy(&v, pcm.data() + i * stride, 2);
    if (!high && v > 2000) {
      high = true;
      if (cycles++ == 0) first = i;
      last = i;
    } else if (high && v < -2000) {
      high = false;
    }
  }
  return cycles > 1 ? (cycles - 1) / (double(last - first) / rate) : 0;
}

}  // namespace wavtest
