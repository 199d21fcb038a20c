#include "components/wave/VirtualOutput.h"

#include <algorithm>
#include <chrono>

#include "components/wave/OutputGain.h"
#include "components/wave/Samples.h"

namespace components::wave {

namespace {
// A real device hands buffers back on period boundaries; so does this one,
// which keeps an owner that queues empty buffers from spinning.
constexpr auto kPeriod = std::chrono::milliseconds(10);
}  // namespace

VirtualOutput::VirtualOutput(DoneQueue &queue, BufferListener &listener, Clock clock, double speed)
    : OutputDevice(queue, listener), clock_(clock), speed_(speed > 0 ? speed : 0) {
  if (clock_ == Clock::Timed) worker_ = std::thread([this] { run(); });
}

VirtualOutput::~VirtualOutput() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void VirtualOutput::setSink(Sink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

bool VirtualOutput::open(const PcmFormat &format) {
  std::lock_guard lock(mutex_);
  if (open_ || format.blockAlign() == 0 || format.sampleRate == 0) return false;
  beginSession();
  format_ = format;
  open_ = true;
  paused_ = false;
  bytesPlayed_ = 0;
  return true;
}

bool VirtualOutput::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

bool VirtualOutput::write(Buffer &buffer) {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    queue_.push_back(&buffer);
  }
  wake_.notify_all();
  return true;
}

void VirtualOutput::pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void VirtualOutput::resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  wake_.notify_all();
}

void VirtualOutput::handBackAll() {
  for (Buffer *b : queue_) notifyDone(b);
  queue_.clear();
  playedInFront_ = 0;
  bytesPlayed_ = 0;
  ++generation_;
}

void VirtualOutput::play(Buffer &buffer, uint32_t bytes) {
  const uint8_t *data = buffer.data + playedInFront_;
  if (sink_ && bytes > 0) {
    float gain = outputGain();
    if (gain != 1.0f) {
      scaled_.resize(bytes);
      scaleSamples(data, scaled_.data(), bytes, format_.bitsPerSample, gain);
      data = scaled_.data();
    }
    sink_(data, bytes);
  }
  bytesPlayed_ += bytes;
  playedInFront_ += bytes;
}

void VirtualOutput::reset() {
  {
    std::lock_guard lock(mutex_);
    handBackAll();
  }
  wake_.notify_all();
}

void VirtualOutput::close() {
  {
    std::lock_guard lock(mutex_);
    handBackAll();
    open_ = false;
    paused_ = false;
  }
  wake_.notify_all();
}

bool VirtualOutput::playNext() {
  std::lock_guard lock(mutex_);
  if (!open_ || paused_ || queue_.empty()) return false;
  Buffer *b = queue_.front();
  play(*b, b->length - playedInFront_);
  queue_.pop_front();
  playedInFront_ = 0;
  notifyDone(b);
  return true;
}

size_t VirtualOutput::queued() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

bool VirtualOutput::paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

PcmFormat VirtualOutput::format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

uint64_t VirtualOutput::bytesPlayed() const {
  std::lock_guard lock(mutex_);
  return bytesPlayed_;
}

void VirtualOutput::run() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!open_ || paused_ || queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    Buffer *b = queue_.front();
    uint32_t align = format_.blockAlign();
    uint32_t rest = b->length - playedInFront_;
    // About 10 ms at a time, so that pause and reset act promptly.
    uint32_t chunk = rest;
    if (speed_ > 0) {
      uint64_t per = std::max<uint64_t>(align, format_.bytesPerSecond() / 100 / align * align);
      chunk = uint32_t(std::min<uint64_t>(rest, per));
      auto span = rest == 0 ? std::chrono::duration<double>(kPeriod) / speed_
                            : std::chrono::duration<double>(double(chunk) / double(format_.bytesPerSecond()) / speed_);
      uint64_t generation = generation_;
      auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(span);
      wake_.wait_until(lock, deadline, [&] { return quit_ || paused_ || generation != generation_; });
      if (quit_ || paused_ || generation != generation_) continue;
    }
    play(*b, chunk);
    if (playedInFront_ >= b->length) {
      queue_.pop_front();
      playedInFront_ = 0;
      notifyDone(b);
    }
  }
}

}  // namespace components::wave
