#include "components/wave/PortAudioOutput.h"

#include <portaudio.h>

#include "CallbackQueue.h"
#include "OutputRenderer.h"
#include "StreamPlan.h"

namespace components::wave {

PortAudioOutput::PortAudioOutput(DoneQueue &queue, BufferListener &listener)
    : OutputDevice(queue, listener),
      queue_(std::make_unique<CallbackQueue>([this](Buffer *buffer) { notifyDone(buffer); })),
      renderer_(std::make_unique<OutputRenderer>(*queue_)) {}

PortAudioOutput::~PortAudioOutput() { close(); }

bool PortAudioOutput::open(const PcmFormat &format) {
  if (stream_) return false;
  std::optional<StreamPlan> plan = planStream(session_, StreamDirection::Output, format, preferredRate_);
  if (!plan) return false;
  const uint32_t rate = plan->deviceRate;
  const bool convert = plan->convert;
  QuietStderr quiet;
  beginSession();
  format_ = format;
  if (!renderer_->prepare(format, rate) || !queue_->start()) return false;
  PaStream *stream = nullptr;
  const PaStreamFlags flags = convert ? paDitherOff : paNoFlag;
  if (Pa_OpenStream(&stream, nullptr, &plan->params, rate, paFramesPerBufferUnspecified, flags,
                    &PortAudioOutput::callback, renderer_.get()) != paNoError) {
    queue_->stop();
    return false;
  }
  if (Pa_StartStream(stream) != paNoError) {
    Pa_CloseStream(stream);
    queue_->stop();
    return false;
  }
  stream_ = stream;
  deviceRate_ = rate;
  return true;
}

bool PortAudioOutput::isOpen() const { return stream_ != nullptr; }

bool PortAudioOutput::write(Buffer &buffer) {
  if (!stream_) return false;
  queue_->push(buffer);
  return true;
}

void PortAudioOutput::pause() { renderer_->setPaused(true); }

void PortAudioOutput::resume() { renderer_->setPaused(false); }

void PortAudioOutput::reset() {
  if (!stream_) return;
  auto keepOut = queue_->exclude();
  queue_->handBackAll({});
  renderer_->restart();
}

void PortAudioOutput::close() {
  if (!stream_) return;
  {
    QuietStderr quiet;
    // Returns once the callback has run for the last time. With every
    // buffer played, the card's own buffer still holds the end of the sound:
    // it plays out instead of being cut off.
    if (queue_->idle() && !renderer_->paused())
      Pa_StopStream(static_cast<PaStream *>(stream_));
    else
      Pa_AbortStream(static_cast<PaStream *>(stream_));
    Pa_CloseStream(static_cast<PaStream *>(stream_));
  }
  stream_ = nullptr;
  {
    auto keepOut = queue_->exclude();
    queue_->handBackAll({});
    renderer_->restart();
  }
  queue_->stop();
  renderer_->release();
  renderer_->setPaused(false);
  deviceRate_ = 0;
}

uint64_t PortAudioOutput::bytesPlayed() const { return renderer_->bytesPlayed(); }

int PortAudioOutput::callback(const void *, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *,
                              unsigned long, void *renderer) {
  static_cast<OutputRenderer *>(renderer)->render(output, frames);
  return paContinue;
}

}  // namespace components::wave
