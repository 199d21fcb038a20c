#include "InputCapturer.h"

#include <algorithm>
#include <cstring>

#include "components/wave/Samples.h"

namespace components::wave {

namespace {
// Converted frames made at a time, into buffers made before the stream starts.
constexpr size_t kChunkFrames = 256;
}  // namespace

bool InputCapturer::prepare(const PcmFormat &format, uint32_t deviceRate) {
  format_ = format;
  filledInFront_ = 0;
  recorded_.store(0);
  if (deviceRate == format.sampleRate) {
    converter_.release();
    return true;
  }
  if (!converter_.init(format.channels, deviceRate, format.sampleRate)) return false;
  converted_.assign(kChunkFrames * format.channels, 0.0f);
  samples_.assign(kChunkFrames * format.blockAlign(), 0);
  return true;
}

void InputCapturer::handBackAll() {
  queue_.handBackAll([this](const CallbackQueue::Entry &entry, bool front) {
    entry.buffer->length = front ? filledInFront_ : 0;
  });
  filledInFront_ = 0;
  converter_.reset();
}

void InputCapturer::capture(const void *in, unsigned long frames) {
  auto entered = queue_.tryEnter();
  if (!entered || !in) return;  // the owner is handing everything back: this period is lost
  if (!converter_.active()) {
    store(static_cast<const uint8_t *>(in), size_t(frames) * format_.blockAlign());
    return;
  }
  const uint16_t channels = format_.channels;
  const float *from = static_cast<const float *>(in);
  long left = long(frames);
  for (;;) {
    auto step = converter_.process(from, left, converted_.data(), long(kChunkFrames));
    from += step.used * channels;
    left -= step.used;
    if (step.generated > 0) {
      floatToSamples(converted_.data(), samples_.data(), size_t(step.generated) * channels, format_.bitsPerSample,
                     1.0f);
      store(samples_.data(), size_t(step.generated) * format_.blockAlign());
    }
    if (left == 0 && step.generated < long(kChunkFrames)) break;
    if (step.used == 0 && step.generated == 0) break;
  }
}

void InputCapturer::store(const uint8_t *data, size_t bytes) {
  // An empty buffer at the front goes back at once, even with no bytes.
  for (;;) {
    CallbackQueue::Entry *entry = queue_.front();
    if (!entry) break;
    size_t n = std::min<size_t>(bytes, entry->capacity - filledInFront_);
    if (n) std::memcpy(entry->buffer->data + filledInFront_, data, n);
    data += n;
    bytes -= n;
    filledInFront_ += uint32_t(n);
    // Counted before the buffer goes back: an owner never sees a full
    // buffer ahead of the position.
    recorded_.fetch_add(n);
    if (filledInFront_ < entry->capacity) break;
    entry->buffer->length = entry->capacity;
    queue_.finishFront();
    filledInFront_ = 0;
  }
}

}  // namespace components::wave
