#include "OutputRenderer.h"

#include <algorithm>
#include <cstring>

#include "components/wave/OutputGain.h"
#include "components/wave/Samples.h"

namespace components::wave {

namespace {
// Source frames converted at a time: the converter's input buffer, made
// before the stream starts, holds this many.
constexpr size_t kChunkFrames = 256;
}  // namespace

bool OutputRenderer::prepare(const PcmFormat &format, uint32_t deviceRate) {
  format_ = format;
  paused_.store(false);
  if (deviceRate == format.sampleRate) {
    converter_.release();
  } else {
    if (!converter_.init(format.channels, format.sampleRate, deviceRate)) return false;
    input_.assign(kChunkFrames * format.channels, 0.0f);
  }
  restart();
  return true;
}

void OutputRenderer::restart() {
  playedInFront_ = 0;
  inputAt_ = inputFrames_ = 0;
  sourceFrames_ = deviceFrames_ = 0;
  converter_.reset();
  played_.store(0);
}

void OutputRenderer::render(void *out, unsigned long frames) {
  const bool convert = converter_.active();
  auto entered = queue_.tryEnter();
  if (!entered) {
    // The owner is handing everything back: this period stays silent.
    if (convert)
      std::fill_n(static_cast<float *>(out), size_t(frames) * format_.channels, 0.0f);
    else
      std::memset(out, silenceByte(format_.bitsPerSample), size_t(frames) * format_.blockAlign());
    return;
  }
  if (convert)
    renderConverted(static_cast<float *>(out), frames);
  else
    renderSamples(static_cast<uint8_t *>(out), frames);
}

void OutputRenderer::renderSamples(uint8_t *out, unsigned long frames) {
  const float gain = outputGain();
  size_t need = size_t(frames) * format_.blockAlign();
  while (!paused_.load(std::memory_order_relaxed) && need > 0) {
    CallbackQueue::Entry *entry = queue_.front();
    if (!entry) break;
    size_t n = std::min<size_t>(need, entry->capacity - playedInFront_);
    if (n) scaleSamples(entry->buffer->data + playedInFront_, out, n, format_.bitsPerSample, gain);
    out += n;
    need -= n;
    playedInFront_ += uint32_t(n);
    // Counted before the buffer goes back: an owner never sees a played
    // buffer ahead of the position.
    played_.fetch_add(n);
    if (playedInFront_ >= entry->capacity) {
      queue_.finishFront();
      playedInFront_ = 0;
    }
  }
  std::memset(out, silenceByte(format_.bitsPerSample), need);
}

void OutputRenderer::pullSource(size_t deviceFramesWanted) {
  const uint16_t channels = format_.channels;
  const uint32_t align = format_.blockAlign();
  inputAt_ = inputFrames_ = 0;
  while (inputFrames_ < kChunkFrames) {
    CallbackQueue::Entry *entry = queue_.front();
    if (!entry) break;
    size_t available = (entry->capacity - playedInFront_) / align;
    size_t n = std::min(available, kChunkFrames - inputFrames_);
    if (n) samplesToFloat(entry->buffer->data + playedInFront_, input_.data() + inputFrames_ * channels, n * channels,
                   format_.bitsPerSample);
    inputFrames_ += n;
    sourceFrames_ += n;
    playedInFront_ += uint32_t(n * align);
    if (entry->capacity - playedInFront_ < align) {
      queue_.finishFront();
      playedInFront_ = 0;
    }
  }
  if (inputFrames_ > 0) return;
  // Run dry: silence behind the last samples carries them out of the
  // converter. Only what this period needs, so that a buffer queued late
  // follows soon.
  size_t n = std::min(kChunkFrames, deviceFramesWanted * converter_.fromRate() / converter_.toRate() + 1);
  std::fill_n(input_.data(), n * channels, 0.0f);
  inputFrames_ = n;
}

void OutputRenderer::renderConverted(float *out, unsigned long frames) {
  const uint16_t channels = format_.channels;
  const size_t samples = size_t(frames) * channels;
  if (paused_.load(std::memory_order_relaxed)) {
    std::fill_n(out, samples, 0.0f);
    return;
  }
  const float gain = outputGain();
  const uint64_t from = converter_.fromRate(), to = converter_.toRate();
  long left = long(frames);
  float *at = out;
  while (left > 0) {
    if (inputFrames_ == 0) pullSource(size_t(left));
    auto step = converter_.process(input_.data() + inputAt_ * channels, long(inputFrames_), at, left);
    inputAt_ += size_t(step.used);
    inputFrames_ -= size_t(step.used);
    for (long k = 0; k < step.generated * channels; ++k) at[k] = std::clamp(at[k] * gain, -1.0f, 1.0f);
    at += step.generated * channels;
    left -= step.generated;
    // Frames made from the owner's samples; the silence after them is not.
    deviceFrames_ = std::min(deviceFrames_ + uint64_t(step.generated), (sourceFrames_ * to + from - 1) / from);
    if (step.used == 0 && step.generated == 0) break;
  }
  std::fill(at, out + samples, 0.0f);
  played_.store(std::min(sourceFrames_, deviceFrames_ * from / to) * format_.blockAlign());
}

}  // namespace components::wave
