// WAV fixtures made at test time: a 440 Hz tone from sox, stored in the
// encoding asked for.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/TempDir.h"

namespace wavtest {

struct Tone {
  uint32_t rate = 8000;
  int channels = 1;
  uint64_t samples = 16000;  // per channel
};

// `encoding` is sox's output options ("-b 16", "-e gsm-full-rate", ...).
// Throws testsupport::MissingTool without sox; an empty path when it fails.
std::filesystem::path makeWav(const testsupport::TempDir &dir, const std::string &name, const Tone &tone,
                              const std::string &encoding);

// The file stored again in another encoding, by sox.
std::filesystem::path reencode(const testsupport::TempDir &dir, const std::filesystem::path &from,
                               const std::string &name, const std::string &encoding);

// Cycles per second of the first channel of 16-bit PCM, counted with
// hysteresis over the middle half (away from a codec's start and end).
double frequencyOf(const std::vector<uint8_t> &pcm, int channels, uint32_t rate);

}  // namespace wavtest
