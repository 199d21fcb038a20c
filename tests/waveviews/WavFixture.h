// Fixture WAV files written at test time: 16-bit PCM, any channel count,
// and a signal whose peaks differ from block to block.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

namespace waveviews_test {

inline void put32(std::FILE *f, uint32_t v) {
  const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}
inline void put16(std::FILE *f, uint16_t v) {
  const unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
  std::fwrite(b, 1, 2, f);
}

// Interleaved samples, frames x channels.
inline void writeWav(const std::string &path, const std::vector<int16_t> &samples, int channels = 1,
                     int rate = 8000) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + data);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);
  put16(f, static_cast<uint16_t>(channels));
  put32(f, static_cast<uint32_t>(rate));
  put32(f, static_cast<uint32_t>(rate * channels * 2));
  put16(f, static_cast<uint16_t>(channels * 2));
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, data);
  for (int16_t s : samples) put16(f, static_cast<uint16_t>(s));
  std::fclose(f);
}

// A slow swell with noise and sparse spikes, so that every zoom level sees
// different extremes.
inline std::vector<int16_t> testSignal(int64_t frames, int channels = 1, uint32_t seed = 7) {
  std::vector<int16_t> out(static_cast<size_t>(frames * channels));
  uint32_t r = seed;
  auto next = [&r] {
    r = r * 1664525u + 1013904223u;
    return r >> 8;
  };
  for (int64_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      double v = std::sin(static_cast<double>(i) * 0.0007 + c) * 9000.0 + static_cast<double>(next() % 6001) - 3000.0;
      if (next() % 9973 == 0) v = (next() % 2 ? 1 : -1) * (20000.0 + next() % 12000);
      out[static_cast<size_t>(i * channels + c)] = static_cast<int16_t>(v);
    }
  }
  return out;
}

inline std::string tempPath(const std::string &name) {
  return (std::filesystem::temp_directory_path() / ("waveviews_test_" + std::to_string(::getpid()) + "_" + name)).string();
}

}  // namespace waveviews_test
