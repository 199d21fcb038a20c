// Inputs made at benchmark time: 60 s of speech over music at 44.1 kHz
// stereo (espeak-ng and sox), a 440 Hz tone, and small helpers to read
// them and to time things.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

class WorkDir {
 public:
  WorkDir();
  ~WorkDir();
  fs::path operator/(const std::string &name) const { return path_ / name; }

 private:
  fs::path path_;
};

bool run(const std::string &command);
bool haveTool(const std::string &name);

// 60 s, 44 100 Hz, 16-bit stereo: speech (espeak-ng) mixed with chords (sox).
bool makeSpeechAndMusic(const WorkDir &dir, const fs::path &wav);
// Speech alone, same format, for pitch measurements.
bool makeSpeech(const WorkDir &dir, const fs::path &wav, double seconds);

// The PCM bytes of a WAV file's "data" chunk.
std::vector<uint8_t> readWavData(const fs::path &wav);
void writeStereoWav(const fs::path &wav, const std::vector<int16_t> &samples, uint32_t rate);
std::vector<int16_t> toSamples(const std::vector<uint8_t> &bytes);
std::vector<int16_t> sine(double hz, double seconds, uint32_t rate);

// Left channel as doubles.
std::vector<double> left(const std::vector<int16_t> &stereo);
// Frequency of a steady tone by zero crossings with hysteresis, middle half.
double toneFrequency(const std::vector<double> &x, uint32_t rate);
// Median fundamental of the voiced frames (normalised autocorrelation,
// 70..400 Hz) over analysis windows of `windowMs`.
double medianPitch(const std::vector<double> &x, uint32_t rate, double windowMs);
// Log-spectral distance in dB between the long-term spectra of a and b.
double spectralDistance(const std::vector<double> &a, const std::vector<double> &b);

template <class F>
double bestSeconds(int runs, F &&f) {
  double best = 1e30;
  for (int k = 0; k < runs; ++k) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

}  // namespace bench
