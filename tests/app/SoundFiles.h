// Sound files made at test time: a tone from sox, stored as WAV or encoded
// to MP3 by lame. A missing program fails the test (testsupport::MissingTool).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace soundfiles {

struct Tone {
  uint32_t rate = 8000;
  int channels = 1;
  double seconds = 1.0;
  int bits = 16;
};

// dir/name as a 440 Hz WAV file; throws std::runtime_error when sox fails.
std::filesystem::path makeWav(const std::filesystem::path &dir, const std::string &name, const Tone &tone);
// dir/name as an MP3 file at a constant 128 kbit/s.
std::filesystem::path makeMp3(const std::filesystem::path &dir, const std::string &name, const Tone &tone);
// dir/name as a voice file: the voice header and a 440 Hz tone at half of
// full scale, coded half a second at a time (seconds rounds down to that).
std::filesystem::path makeVoice(const std::filesystem::path &dir, const std::string &name, double seconds);

}  // namespace soundfiles
