// Signals for the wave device tests: 16-bit samples that tell their own
// position, sines, and the measures that find them again in what a device
// played or recorded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "components/wave/DoneQueue.h"
#include "components/wave/WaveBuffer.h"

namespace wavetest {

using Bytes = std::vector<uint8_t>;
namespace wave = components::wave;

// Collects the buffers handed back, in order, with their lengths then.
struct Owner : wave::BufferListener {
  std::vector<wave::Buffer *> done;
  std::vector<uint32_t> lengths;
  void bufferDone(wave::Buffer &b) override {
    done.push_back(&b);
    lengths.push_back(b.length);
  }
};

// Waits (polling the descriptor) until `count` notifications wait.
bool waitPending(const wave::DoneQueue &queue, size_t count, int ms = 10000);

// Samples of `bits` (8, 16, 24 or 32) whose value runs up from `start` in
// steps of 3, wrapping below full scale; none is silence.
Bytes ramp(uint16_t bits, size_t samples, int start = 1);
// 16-bit samples of a sine.
Bytes sine16(uint32_t rate, size_t frames, double hz, double amplitude, uint16_t channels = 1);
// 32-bit float samples of a sine.
Bytes sineFloat(uint32_t rate, size_t frames, double hz, double amplitude);

// Samples as doubles, full scale 1: 16-bit integers or 32-bit floats.
std::vector<double> from16(const Bytes &bytes);
std::vector<double> fromFloat(const Bytes &bytes);

// Where `wanted` starts in `heard` at a multiple of `align`, whole.
std::optional<size_t> findAligned(const Bytes &heard, const Bytes &wanted, size_t align);

// Frequency (upward zero crossings per second) and peak of a stretch.
double frequency(const std::vector<double> &x, uint32_t rate, size_t from, size_t to);
double peak(const std::vector<double> &x, size_t from, size_t to);
// The first sample whose magnitude exceeds `level`.
size_t firstAbove(const std::vector<double> &x, double level);

}  // namespace wavetest
