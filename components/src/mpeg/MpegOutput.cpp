#include "components/mpeg/MpegOutput.h"

namespace components {

MpegOutput::MpegOutput(MpegSource &source, wave::DoneQueue &queue, DeviceFactory factory)
    : source_(source), pump_(queue, std::move(factory), kBuffers) {
  pump_.setFeed([this](uint8_t *data, size_t capacity) { return feed(data, capacity); });
}

bool MpegOutput::start() {
  pump_.stop();
  baseFrame_ = 0;
  if (!source_.isLoaded() || !source_.seekFrame(0)) return false;
  loadId_ = source_.loadId();
  frameBytes_ = source_.frameBytes();
  wave::PcmFormat format{static_cast<uint16_t>(source_.channels()), static_cast<uint32_t>(source_.sampleRate()), 16};
  bytesPerSecond_ = format.bytesPerSecond();
  return pump_.start(format, frameBytes_);
}

void MpegOutput::stop() { pump_.stop(); }

bool MpegOutput::pause() { return pump_.pause(); }

bool MpegOutput::resume() { return pump_.resume(); }

bool MpegOutput::seekFrame(long frame) {
  if (!pump_.isStarted() || source_.loadId() != loadId_) return false;
  const bool wasPaused = pump_.isPaused();
  // Held while the source moves, so that nothing queued plays meanwhile.
  pump_.pause();
  const bool moved = source_.seekFrame(frame);
  if (moved) refill();
  if (!wasPaused) pump_.resume();
  return moved;
}

bool MpegOutput::refill() {
  if (!pump_.isStarted() || source_.loadId() != loadId_) return false;
  baseFrame_ = source_.currentFrame();
  return pump_.discard();
}

uint64_t MpegOutput::positionMs() const {
  if (!pump_.isOpen() || bytesPerSecond_ == 0) return 0;
  return pump_.playedBytes() * 1000 / bytesPerSecond_;
}

long MpegOutput::playingFrame() const {
  if (!pump_.isOpen() || frameBytes_ == 0) return baseFrame_;
  return baseFrame_ + static_cast<long>(pump_.playedBytes() / frameBytes_);
}

size_t MpegOutput::feed(uint8_t *data, size_t capacity) {
  // A source loaded anew (or unloaded) since start() is not this stream.
  if (source_.loadId() != loadId_) return 0;
  return source_.read(data, capacity);
}

}  // namespace components
