// Audio fixtures made at test time: PCM written by the test itself, and
// tones, speech and MP3 files from sox, espeak-ng and lame (a test that
// needs a missing one fails: scripts/setup installs them).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/Files.h"
#include "testsupport/Process.h"
#include "testsupport/TempDir.h"
#include "testsupport/Tools.h"

namespace fixtures {

namespace fs = std::filesystem;

using testsupport::readFile;
using testsupport::requireTool;
using testsupport::runCommand;
using testsupport::TempDir;
using testsupport::writeFile;

struct Pcm {
  uint16_t channels = 2;
  uint32_t rate = 44100;
  uint16_t bits = 16;
  uint32_t align() const { return channels * (bits / 8u); }
};

// Sample frames that tell their own position: 16-bit left = frame index
// low 15 bits, right = its negation; 8-bit = index mod 251.
std::vector<uint8_t> rampPcm(const Pcm &format, uint32_t frames);
// A sine of `hz` (both channels), amplitude a fraction of full scale.
std::vector<uint8_t> sinePcm(const Pcm &format, uint32_t frames, double hz, double amplitude = 0.5);

// The ramp of rampPcm (16-bit values) stored as wider samples: 24- and
// 32-bit integers carry it in their top 16 bits with junk below, 32- and
// 64-bit floats as value / 32767.
std::vector<uint8_t> wideRampPcm(const Pcm &format, uint32_t frames, bool isFloat);

// A canonical WAV: "RIFF", an 18- or 16-byte "fmt " chunk, optional extra
// chunks before "data", then the data. Format tag 0xFFFE writes the 40-byte
// extensible "fmt " chunk with `subFormat` as its sub-format tag.
struct WavLayout {
  uint32_t fmtSize = 16;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunksBeforeData;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunksAfterData;
  uint16_t formatTag = 1;
  uint16_t subFormat = 1;
};
void writeWav(const fs::path &path, const Pcm &format, const std::vector<uint8_t> &data, const WavLayout &layout = {});

// MP3 by lame from a WAV we write; extra lame options as given. Empty path
// when lame fails; throws MissingTool when it is not installed.
fs::path makeMp3(const TempDir &dir, const std::string &name, const Pcm &format, const std::vector<uint8_t> &pcm,
                 const std::string &lameOptions);

// Little-endian fields of a byte vector.
inline uint32_t le32(const std::vector<uint8_t> &b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline uint16_t le16(const std::vector<uint8_t> &b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
inline int16_t sample16(const std::vector<uint8_t> &b, size_t at) { return int16_t(le16(b, at)); }

// Cycles per second of the left channel of 16-bit stereo PCM, counted with
// hysteresis over the middle half (away from a codec's delay and padding).
double frequencyOf(const std::vector<uint8_t> &pcm, uint32_t rate);

}  // namespace fixtures
