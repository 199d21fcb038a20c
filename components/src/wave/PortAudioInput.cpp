#include "components/wave/PortAudioInput.h"

#include <portaudio.h>

#include "CallbackQueue.h"
#include "InputCapturer.h"

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

PortAudioInput::PortAudioInput(DoneQueue &queue, BufferListener &listener)
    : InputDevice(queue, listener),
      queue_(std::make_unique<CallbackQueue>([this](Buffer *buffer) { notifyDone(buffer); })),
      capturer_(std::make_unique<InputCapturer>(*queue_)) {}

PortAudioInput::~PortAudioInput() { close(); }

bool PortAudioInput::open(const PcmFormat &format) {
  if (stream_ || !session_.ok()) return false;
  PaSampleFormat sf = sampleFormat(format.bitsPerSample);
  if (sf == 0 || format.channels == 0 || format.sampleRate == 0) return false;
  PaStreamParameters params{};
  params.device = session_.inputDevice();
  const PaDeviceInfo *info = params.device >= 0 ? Pa_GetDeviceInfo(params.device) : nullptr;
  if (!info) return false;
  params.channelCount = format.channels;
  params.sampleFormat = sf;
  params.suggestedLatency = info->defaultHighInputLatency;

  QuietStderr quiet;
  // Samples to convert arrive as floats.
  auto takes = [&](uint32_t rate) {
    PaStreamParameters p = params;
    if (rate != format.sampleRate) p.sampleFormat = paFloat32;
    return Pa_IsFormatSupported(&p, nullptr, rate) == paFormatIsSupported;
  };
  const uint32_t rate = chooseDeviceRate(format.sampleRate, preferredRate_, info->defaultSampleRate, takes);
  if (rate == 0) return false;
  const bool convert = rate != format.sampleRate;
  if (convert) params.sampleFormat = paFloat32;

  beginSession();
  format_ = format;
  if (!capturer_->prepare(format, rate) || !queue_->start()) return false;
  PaStream *stream = nullptr;
  if (Pa_OpenStream(&stream, &params, nullptr, rate, paFramesPerBufferUnspecified, convert ? paDitherOff : paNoFlag,
                    &PortAudioInput::callback, capturer_.get()) != paNoError) {
    queue_->stop();
    return false;
  }
  stream_ = stream;
  running_ = false;
  deviceRate_ = rate;
  return true;
}

bool PortAudioInput::isOpen() const { return stream_ != nullptr; }

bool PortAudioInput::add(Buffer &buffer) {
  if (!stream_) return false;
  queue_->push(buffer);
  return true;
}

void PortAudioInput::start() {
  if (!stream_ || running_) return;
  QuietStderr quiet;
  running_ = Pa_StartStream(static_cast<PaStream *>(stream_)) == paNoError;
}

void PortAudioInput::pause() {
  if (!stream_ || !running_) return;
  QuietStderr quiet;
  // Returns once the callback has run for the last time.
  Pa_AbortStream(static_cast<PaStream *>(stream_));
  running_ = false;
}

void PortAudioInput::reset() {
  if (!stream_) return;
  pause();
  auto keepOut = queue_->exclude();
  capturer_->handBackAll();
}

void PortAudioInput::close() {
  if (!stream_) return;
  pause();
  {
    QuietStderr quiet;
    Pa_CloseStream(static_cast<PaStream *>(stream_));
  }
  stream_ = nullptr;
  {
    auto keepOut = queue_->exclude();
    capturer_->handBackAll();
  }
  queue_->stop();
  capturer_->release();
  deviceRate_ = 0;
}

uint64_t PortAudioInput::bytesRecorded() const { return capturer_->bytesRecorded(); }

int PortAudioInput::callback(const void *input, void *, unsigned long frames, const PaStreamCallbackTimeInfo *,
                             unsigned long, void *capturer) {
  static_cast<InputCapturer *>(capturer)->capture(input, frames);
  return paContinue;
}

}  // namespace components::wave
