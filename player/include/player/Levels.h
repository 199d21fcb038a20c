// The level meters and the spectrum as plain data: every input and output
// feeds the sound it plays or records; the display takes a frame, with the
// held peak of each channel, when it redraws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "components/wave/WaveBuffer.h"

namespace player {

inline constexpr int kFftLength = 64;
inline constexpr int kSpectrumBands = kFftLength / 2;  // 125 Hz each at 8000 Hz
// The spectrum's scale: a band at full-scale amplitude is 1, one at this
// many dB below it (or quieter) is 0.
inline constexpr double kSpectrumFloorDb = -60.0;

struct LevelFrame {
  // Peak amplitude (0..1 of full scale) of the sound fed last, per channel;
  // mono sound gives both the same.
  float left = 0, right = 0;
  // The held peak of each channel: it follows a rising level at once, holds
  // for a second, then falls at half of full scale per second.
  float leftPeak = 0, rightPeak = 0;
  // Band levels 0..1 on the dB scale above, low frequencies first: the
  // average power of 64-sample Hann windows of the sound fed last.
  std::array<float, kSpectrumBands> spectrum{};
};

class LevelAnalyzer {
 public:
  static constexpr int64_t kHoldMs = 1000;
  static constexpr double kFallPerSecond = 0.5;

  LevelAnalyzer();
  ~LevelAnalyzer();
  LevelAnalyzer(const LevelAnalyzer &) = delete;
  LevelAnalyzer &operator=(const LevelAnalyzer &) = delete;

  // PCM as the devices carry it (8-bit unsigned, 16/24/32-bit signed,
  // little-endian, interleaved); a partial sample frame at the end is
  // ignored. Any thread: an MP3 output may feed from its callback thread.
  void feed(const uint8_t *pcm, size_t bytes, const components::wave::PcmFormat &format);
  // The levels of the sound fed last with the peaks held up to nowMs (a
  // steady clock of the caller's). Main thread.
  LevelFrame frame(int64_t nowMs);
  // Silence: levels, peaks and spectrum back to 0.
  void clear();

 private:
  struct Fft;
  struct Hold {
    double peak = 0;
    int64_t sinceMs = 0;
    double update(double level, int64_t nowMs);
  };

  std::mutex mutex_;
  std::unique_ptr<Fft> fft_;
  LevelFrame last_;
  Hold left_, right_;
};

}  // namespace player
