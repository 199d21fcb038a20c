#include "components/waveplayer/WavePlayer.h"

#include <algorithm>
#include <cstring>

namespace components {

WavePlayer::WavePlayer(wave::DoneQueue &queue, DeviceFactory factory) : pump_(queue, std::move(factory), kBuffers) {
  pump_.setFeed([this](uint8_t *data, size_t capacity) { return feed(data, capacity); });
}

bool WavePlayer::open(const std::string &path, std::string *error) {
  close();
  return decoder_.open(path, error);
}

void WavePlayer::close() {
  pump_.stop();
  decoder_.close();
  baseFrame_ = 0;
}

uint64_t WavePlayer::lengthMs() const {
  if (decoder_.sampleRate() == 0) return 0;
  return decoder_.frames() * 1000 / decoder_.sampleRate();
}

uint64_t WavePlayer::playingFrame() const {
  if (!pump_.isOpen()) return baseFrame_;
  const uint64_t align = uint64_t(decoder_.channels()) * 2;
  return std::min(decoder_.frames(), baseFrame_ + pump_.playedBytes() / align);
}

uint64_t WavePlayer::positionMs() const {
  if (decoder_.sampleRate() == 0) return 0;
  return playingFrame() * 1000 / decoder_.sampleRate();
}

bool WavePlayer::play() {
  if (!decoder_.isOpen()) return false;
  if (pump_.isStarted()) return true;
  pump_.stop();
  if (baseFrame_ >= decoder_.frames()) baseFrame_ = 0;
  if (!decoder_.seek(baseFrame_)) return false;
  wave::PcmFormat format{decoder_.channels(), decoder_.sampleRate(), 16};
  return pump_.start(format, kBufferBytes);
}

bool WavePlayer::pause() { return pump_.pause(); }

bool WavePlayer::restart() { return pump_.isPaused() && pump_.resume(); }

void WavePlayer::stop() {
  pump_.stop();
  baseFrame_ = 0;
}

bool WavePlayer::setPositionMs(uint64_t ms) {
  if (!decoder_.isOpen()) return false;
  uint64_t frame = std::min(decoder_.frames(), ms * decoder_.sampleRate() / 1000);
  if (pump_.isOpen() && !pump_.isStarted()) return false;  // played out: its stop notification is on its way
  if (!pump_.isStarted()) {
    baseFrame_ = frame;  // where the next play() starts
    return true;
  }
  const bool wasPaused = pump_.isPaused();
  pump_.pause();
  bool moved = decoder_.seek(frame);
  if (moved) {
    baseFrame_ = frame;
    pump_.discard();
  }
  if (!wasPaused) pump_.resume();
  return moved;
}

size_t WavePlayer::feed(uint8_t *data, size_t capacity) {
  const size_t align = size_t(decoder_.channels()) * 2;
  if (align == 0) return 0;
  // 16-bit samples in host order, which is what the devices play.
  samples_.resize(capacity / 2);
  size_t frames = decoder_.read(samples_.data(), capacity / align);
  std::memcpy(data, samples_.data(), frames * align);
  return frames * align;
}

}  // namespace components
