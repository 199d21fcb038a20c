// MP3 fixtures made at test time: a tone from sox, encoded by lame.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "testsupport/TempDir.h"

namespace mp3test {

struct Tone {
  uint32_t rate = 44100;
  int channels = 2;
  uint64_t samples = 44100;  // per channel
};

// Throws testsupport::MissingTool when sox or lame is not installed; an
// empty path when either fails.
std::filesystem::path makeMp3(const testsupport::TempDir &dir, const std::string &name, const Tone &tone,
                              const std::string &lameOptions);

}  // namespace mp3test
