// Finds the format block and the sample data of a RIFF WAVE file by walking
// its chunks; the raw format tag survives, whatever the format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "components/wavefile/WaveFormat.h"

namespace components::riff {

struct WaveLayout {
  WaveFormat format;
  uint64_t dataOffset = 0;
  uint64_t dataSize = 0;
  // The "fact" chunk's sample count, when one stands before the data: the
  // true length of a compressed stream whose last block is padded.
  bool hasFact = false;
  uint32_t factSamples = 0;
};

// Reads the chunks of file (fileSize bytes). False with a reason in error.
bool parseWave(std::FILE *file, uint64_t fileSize, WaveLayout &layout, std::string &error);

}  // namespace components::riff
