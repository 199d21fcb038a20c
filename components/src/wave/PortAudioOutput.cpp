#include "components/wave/PortAudioOutput.h"

#include <portaudio.h>

#include <algorithm>
#include <cstring>

namespace components::wave {

namespace {
PaSampleFormat sampleFormat(uint16_t bits) {
  switch (bits) {
    case 8: return paUInt8;
    case 16: return paInt16;
    case 24: return paInt24;
    case 32: return paInt32;
    default: return 0;
  }
}
}  // namespace

PortAudioOutput::PortAudioOutput(DoneQueue &queue, BufferListener &listener) : OutputDevice(queue, listener) {}

PortAudioOutput::~PortAudioOutput() { close(); }

bool PortAudioOutput::open(const PcmFormat &format) {
  if (stream_ || !session_.hasOutputDevice()) return false;
  PaSampleFormat sf = sampleFormat(format.bitsPerSample);
  if (sf == 0 || format.channels == 0 || format.sampleRate == 0) return false;
  PaStreamParameters params{};
  params.device = Pa_GetDefaultOutputDevice();
  const PaDeviceInfo *info = Pa_GetDeviceInfo(params.device);
  if (!info) return false;
  params.channelCount = format.channels;
  params.sampleFormat = sf;
  params.suggestedLatency = info->defaultHighOutputLatency;
  {
    std::lock_guard lock(mutex_);
    beginSession();
    format_ = format;
    paused_ = false;
    playedInFront_ = 0;
  }
  PaStream *stream = nullptr;
  QuietStderr quiet;
  PaError err = Pa_OpenStream(&stream, nullptr, &params, format.sampleRate, paFramesPerBufferUnspecified, paNoFlag,
                              &PortAudioOutput::callback, this);
  if (err != paNoError) return false;
  if (Pa_StartStream(stream) != paNoError) {
    Pa_CloseStream(stream);
    return false;
  }
  stream_ = stream;
  return true;
}

bool PortAudioOutput::isOpen() const { return stream_ != nullptr; }

bool PortAudioOutput::write(Buffer &buffer) {
  if (!stream_) return false;
  std::lock_guard lock(mutex_);
  queue_.push_back(&buffer);
  return true;
}

void PortAudioOutput::pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void PortAudioOutput::resume() {
  std::lock_guard lock(mutex_);
  paused_ = false;
}

void PortAudioOutput::handBackAll() {
  for (Buffer *b : queue_) notifyDone(b);
  queue_.clear();
  playedInFront_ = 0;
}

void PortAudioOutput::reset() {
  std::lock_guard lock(mutex_);
  handBackAll();
}

void PortAudioOutput::close() {
  if (stream_) {
    QuietStderr quiet;
    Pa_AbortStream(static_cast<PaStream *>(stream_));
    Pa_CloseStream(static_cast<PaStream *>(stream_));
    stream_ = nullptr;
  }
  std::lock_guard lock(mutex_);
  handBackAll();
  paused_ = false;
}

int PortAudioOutput::callback(const void *, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *,
                              unsigned long,
                              void *self) {
  static_cast<PortAudioOutput *>(self)->render(static_cast<uint8_t *>(output), frames);
  return paContinue;
}

void PortAudioOutput::render(uint8_t *out, unsigned long frames) {
  std::lock_guard lock(mutex_);
  size_t need = size_t(frames) * format_.blockAlign();
  while (!paused_ && !queue_.empty() && need > 0) {
    Buffer *b = queue_.front();
    size_t n = std::min<size_t>(need, b->length - playedInFront_);
    std::memcpy(out, b->data + playedInFront_, n);
    out += n;
    need -= n;
    playedInFront_ += uint32_t(n);
    if (playedInFront_ >= b->length) {
      queue_.pop_front();
      playedInFront_ = 0;
      notifyDone(b);
    }
  }
  // Silence: unsigned 8-bit samples rest at 128.
  std::memset(out, format_.bitsPerSample == 8 ? 0x80 : 0, need);
}

}  // namespace components::wave
