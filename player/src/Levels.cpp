#include "player/Levels.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace player {

namespace {

// FFTW's planner is not thread-safe; executing a finished plan is.
std::mutex &plannerMutex() {
  static std::mutex m;
  return m;
}

// One sample frame's channels as -1..1.
double sampleAt(const uint8_t *p, uint16_t bits) {
  switch (bits) {
    case 8:
      return (double(p[0]) - 128.0) / 128.0;
    case 16:
      return double(int16_t(uint16_t(p[0] | p[1] << 8))) / 32768.0;
    case 24: {
      int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
      return double(v) / 8388608.0;
    }
    case 32: {
      int32_t v = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
      return double(v) / 2147483648.0;
    }
    default:
      return 0;
  }
}

}  // namespace

struct LevelAnalyzer::Fft {
  fftw_plan plan = nullptr;
  std::array<double, kFftLength> window{};
  double windowSum = 0;

  Fft() {
    std::lock_guard lock(plannerMutex());
    // Planned once on scratch arrays; each feed executes it on arrays of its
    // own (hence unaligned).
    double *in = fftw_alloc_real(kFftLength);
    fftw_complex *out = fftw_alloc_complex(kFftLength / 2 + 1);
    if (in && out) plan = fftw_plan_dft_r2c_1d(kFftLength, in, out, FFTW_ESTIMATE | FFTW_UNALIGNED);
    fftw_free(in);
    fftw_free(out);
    for (int i = 0; i < kFftLength; ++i) {
      window[size_t(i)] = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kFftLength);
      windowSum += window[size_t(i)];
    }
  }
  ~Fft() {
    std::lock_guard lock(plannerMutex());
    if (plan) fftw_destroy_plan(plan);
  }
};

LevelAnalyzer::LevelAnalyzer() : fft_(std::make_unique<Fft>()) {}
LevelAnalyzer::~LevelAnalyzer() = default;

double LevelAnalyzer::Hold::update(double level, int64_t nowMs) {
  if (level >= peak) {
    peak = level;
    sinceMs = nowMs;
    return peak;
  }
  int64_t held = nowMs - sinceMs;
  if (held > kHoldMs) {
    double fallen = peak - double(held - kHoldMs) / 1000.0 * kFallPerSecond;
    if (fallen <= level) {
      peak = level;
      sinceMs = nowMs;
    } else {
      // The fall continues from here at the next update.
      peak = fallen;
      sinceMs = nowMs - kHoldMs;
    }
  }
  return peak;
}

void LevelAnalyzer::feed(const uint8_t *pcm, size_t bytes, const components::wave::PcmFormat &format) {
  const uint16_t bits = format.bitsPerSample;
  const uint32_t align = format.blockAlign();
  if (!pcm || align == 0 || format.channels == 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) return;
  const size_t frames = bytes / align;
  const size_t width = bits / 8;
  auto channels = [&](size_t i, double &l, double &r) {
    const uint8_t *p = pcm + i * align;
    l = sampleAt(p, bits);
    r = format.channels > 1 ? sampleAt(p + width, bits) : l;
  };

  // No allocation and no lock while computing: an output may feed from its
  // buffer thread.
  double peakL = 0, peakR = 0;
  for (size_t i = 0; i < frames; ++i) {
    double l, r;
    channels(i, l, r);
    peakL = std::max(peakL, std::fabs(l));
    peakR = std::max(peakR, std::fabs(r));
  }
  std::array<float, kSpectrumBands> spectrum{};
  if (fft_->plan && frames >= size_t(kFftLength)) {
    std::array<double, kFftLength> in{};
    fftw_complex out[kFftLength / 2 + 1];
    std::array<double, kSpectrumBands> power{};
    size_t windows = 0;
    for (size_t start = 0; start + kFftLength <= frames; start += kFftLength, ++windows) {
      for (int i = 0; i < kFftLength; ++i) {
        double l, r;
        channels(start + size_t(i), l, r);
        in[size_t(i)] = (l + r) / 2 * fft_->window[size_t(i)];
      }
      fftw_execute_dft_r2c(fft_->plan, in.data(), out);
      for (int b = 0; b < kSpectrumBands; ++b) {
        // Band b is bin b + 1: the constant part is not shown.
        double re = out[b + 1][0], im = out[b + 1][1];
        // Amplitude of a sine that falls on the bin.
        double amp = 2.0 * std::sqrt(re * re + im * im) / fft_->windowSum;
        power[size_t(b)] += amp * amp;
      }
    }
    for (int b = 0; b < kSpectrumBands; ++b) {
      double amp = std::sqrt(power[size_t(b)] / double(windows));
      double db = amp > 0 ? 20.0 * std::log10(amp) : kSpectrumFloorDb;
      spectrum[size_t(b)] = float(std::clamp((db - kSpectrumFloorDb) / -kSpectrumFloorDb, 0.0, 1.0));
    }
  }

  std::lock_guard lock(mutex_);
  last_.left = float(std::min(1.0, peakL));
  last_.right = float(std::min(1.0, peakR));
  last_.spectrum = spectrum;
}

LevelFrame LevelAnalyzer::frame(int64_t nowMs) {
  std::lock_guard lock(mutex_);
  last_.leftPeak = float(left_.update(last_.left, nowMs));
  last_.rightPeak = float(right_.update(last_.right, nowMs));
  return last_;
}

void LevelAnalyzer::clear() {
  std::lock_guard lock(mutex_);
  last_ = LevelFrame{};
  left_ = Hold{};
  right_ = Hold{};
}

}  // namespace player
