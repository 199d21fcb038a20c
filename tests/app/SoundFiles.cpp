#include "SoundFiles.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "testsupport/Process.h"
#include "testsupport/Tools.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

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

fs::path makeVoice(const fs::path &dir, const std::string &name, double seconds) {
  const fs::path out = dir / name;
  uint8_t header[voice::header::kSize];
  voice::MakeG729FileHeader(header, voice::kBitsPerSample, voice::kSampleRate, voice::kChannels, out.string(), true);
  std::ofstream file(out, std::ios::binary);
  file.write(reinterpret_cast<const char *>(header), sizeof header);
  voice::EncoderStream encoder;
  const size_t samplesPerBlock = voice::kPcmBlockBytes / 2;
  std::vector<uint8_t> pcm(voice::kPcmBlockBytes);
  size_t t = 0;
  for (int block = 0; block < int(seconds * 2); ++block) {
    for (size_t i = 0; i < samplesPerBlock; ++i, ++t) {
      auto v = int16_t(std::lround(16000 * std::sin(2 * std::numbers::pi * 440.0 * double(t) / voice::kSampleRate)));
      pcm[2 * i] = uint8_t(uint16_t(v) & 0xFF);
      pcm[2 * i + 1] = uint8_t(uint16_t(v) >> 8);
    }
    file.write(reinterpret_cast<const char *>(encoder.encode(pcm.data())), voice::kCodedBlockBytes);
  }
  if (!file) throw std::runtime_error("cannot write " + out.string());
  return out;
}

}  // namespace soundfiles
