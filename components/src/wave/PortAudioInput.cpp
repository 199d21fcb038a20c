#include "components/wave/PortAudioInput.h"

#include <portaudio.h>

#include "CallbackQueue.h"
#include "InputCapturer.h"
#include "StreamPlan.h"

namespace components::wave {

PortAudioInput::PortAudioInput(DoneQueue &queue, BufferListener &listener)
    : InputDevice(queue, listener),
      queue_(std::make_unique<CallbackQueue>([this](Buffer *buffer) { notifyDone(buffer); })),
      capturer_(std::make_unique<InputCapturer>(*queue_)) {}

PortAudioInput::~PortAudioInput() { close(); }

bool PortAudioInput::open(const PcmFormat &format) {
  if (stream_) return false;
  std::optional<StreamPlan> plan = planStream(session_, StreamDirection::Input, format, preferredRate_);
  if (!plan) return false;
  const uint32_t rate = plan->deviceRate;
  const bool convert = plan->convert;
  QuietStderr quiet;
  beginSession();
  format_ = format;
  if (!capturer_->prepare(format, rate) || !queue_->start()) return false;
  PaStream *stream = nullptr;
  const PaStreamFlags flags = convert ? paDitherOff : paNoFlag;
  if (Pa_OpenStream(&stream, &plan->params, nullptr, rate, paFramesPerBufferUnspecified, flags,
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
