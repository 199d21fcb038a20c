#include "components/waveplayer/PlaybackPump.h"

#include <algorithm>

namespace components {

// Posts the pump's own notifications through the devices' DoneQueue, so
// that they reach the owner's thread in order with the buffers.
class PlaybackPump::Poster final : public wave::Device {
 public:
  using wave::Device::Device;
  void post(wave::Buffer &event) { notifyDone(&event); }
};

PlaybackPump::PlaybackPump(wave::DoneQueue &queue, DeviceFactory factory, size_t buffers)
    : queue_(queue),
      factory_(std::move(factory)),
      poster_(std::make_unique<Poster>(queue, eventListener_)),
      headers_(buffers),
      storage_(buffers),
      inDevice_(buffers, false),
      dropped_(buffers, false) {}

PlaybackPump::~PlaybackPump() {
  stop();
  // The device goes while the buffers it was handed still exist.
  device_.reset();
  poster_.reset();
}

bool PlaybackPump::start(const wave::PcmFormat &format, uint32_t bufferBytes) {
  stop();
  const uint32_t align = format.blockAlign();
  if (align == 0 || format.sampleRate == 0 || headers_.empty()) return false;
  bufferBytes -= bufferBytes % align;
  if (bufferBytes == 0) return false;
  try {
    if (!device_ && factory_) device_ = factory_(queue_, *this);
    if (!device_) return false;
    for (auto &bytes : storage_) bytes.assign(bufferBytes, 0);
    if (!device_->open(format)) return false;
  } catch (...) {
    // A device or an allocation that failed: nothing plays.
    return false;
  }
  ++run_;
  format_ = format;
  state_ = State::Started;
  paused_ = false;
  feedEnded_ = false;
  inFlight_ = 0;
  for (size_t k = 0; k < headers_.size(); ++k) {
    headers_[k] = {};
    headers_[k].data = storage_[k].data();
    inDevice_[k] = false;
    dropped_[k] = false;
  }
  post(startedEvent_, startedFor_);
  for (size_t k = 0; k < headers_.size(); ++k) refill(k);
  if (inFlight_ == 0) playedOut();
  return true;
}

void PlaybackPump::stop() {
  ++run_;
  if (device_ && state_ != State::Closed) device_->close();
  // What close() handed back arrives later and finds nothing to do.
  state_ = State::Closed;
  paused_ = false;
  feedEnded_ = false;
  inFlight_ = 0;
  std::fill(inDevice_.begin(), inDevice_.end(), false);
}

uint64_t PlaybackPump::playedBytes() const {
  return state_ != State::Closed && device_ ? device_->bytesPlayed() : 0;
}

bool PlaybackPump::pause() {
  if (state_ != State::Started) return false;
  device_->pause();
  paused_ = true;
  return true;
}

bool PlaybackPump::resume() {
  if (state_ != State::Started) return false;
  device_->resume();
  paused_ = false;
  // A seek to the end while paused plays out only now.
  if (inFlight_ == 0) playedOut();
  return true;
}

bool PlaybackPump::discard() {
  if (state_ != State::Started) return false;
  feedEnded_ = false;
  // Buffers held by the device come back through the queue and are
  // refilled there; the idle ones are refilled now. The device's position
  // starts again at 0.
  device_->reset();
  for (size_t k = 0; k < headers_.size(); ++k) {
    if (inDevice_[k])
      dropped_[k] = true;
    else
      refill(k);
  }
  if (inFlight_ == 0 && !paused_) playedOut();
  return true;
}

void PlaybackPump::refill(size_t k) {
  if (state_ != State::Started || feedEnded_) return;
  wave::Buffer &b = headers_[k];
  size_t n = 0;
  try {
    if (feed_) n = feed_(b.data, storage_[k].size());
  } catch (...) {
    n = 0;  // a feed that fails ends the stream
  }
  n = std::min(n, storage_[k].size());
  if (n == 0) {
    feedEnded_ = true;
    return;
  }
  b.length = static_cast<uint32_t>(n);
  if (!device_->write(b)) {
    feedEnded_ = true;
    return;
  }
  inDevice_[k] = true;
  dropped_[k] = false;
  ++inFlight_;
}

void PlaybackPump::bufferDone(wave::Buffer &buffer) {
  if (state_ != State::Started || headers_.empty()) return;
  const wave::Buffer *first = headers_.data();
  if (&buffer < first || &buffer >= first + headers_.size()) return;
  size_t k = static_cast<size_t>(&buffer - first);
  if (!inDevice_[k]) return;
  inDevice_[k] = false;
  --inFlight_;
  if (tap_ && !dropped_[k] && buffer.length > 0) tap_(buffer.data, buffer.length, format_);
  refill(k);
  if (inFlight_ == 0 && !paused_) playedOut();
}

void PlaybackPump::playedOut() {
  state_ = State::PlayedOut;
  paused_ = false;
  post(playedOutEvent_, playedOutFor_);
}

void PlaybackPump::post(wave::Buffer &event, uint64_t &pendingRun) {
  pendingRun = run_;
  poster_->post(event);
}

void PlaybackPump::eventDone(wave::Buffer &event) {
  // One delivery per posting run; a run that has ended takes its
  // notifications with it.
  uint64_t *pending = &event == &startedEvent_ ? &startedFor_ : &event == &playedOutEvent_ ? &playedOutFor_ : nullptr;
  if (!pending) return;
  bool current = *pending != 0 && *pending == run_;
  *pending = 0;
  if (!current) return;
  Event callback = &event == &startedEvent_ ? onStarted_ : onPlayedOut_;
  // Last: the callback may stop, restart or destroy the pump.
  if (callback) callback();
}

}  // namespace components
