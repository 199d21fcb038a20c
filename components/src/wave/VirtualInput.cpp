#include "components/wave/VirtualInput.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "components/wave/Samples.h"

namespace components::wave {

VirtualInput::VirtualInput(DoneQueue &queue, BufferListener &listener, Clock clock, double speed)
    : InputDevice(queue, listener), clock_(clock), speed_(speed > 0 ? speed : 0) {
  if (clock_ == Clock::Timed) worker_ = std::thread([this] { run(); });
}

VirtualInput::~VirtualInput() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void VirtualInput::setSource(Source source) {
  std::lock_guard lock(mutex_);
  source_ = std::move(source);
}

bool VirtualInput::open(const PcmFormat &format) {
  std::lock_guard lock(mutex_);
  if (open_ || format.blockAlign() == 0 || format.sampleRate == 0) return false;
  beginSession();
  format_ = format;
  open_ = true;
  recording_ = false;
  bytesRecorded_ = 0;
  return true;
}

bool VirtualInput::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

PcmFormat VirtualInput::format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

bool VirtualInput::add(Buffer &buffer) {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    queue_.push_back({&buffer, buffer.length});
  }
  wake_.notify_all();
  return true;
}

void VirtualInput::start() {
  {
    std::lock_guard lock(mutex_);
    if (open_) recording_ = true;
  }
  wake_.notify_all();
}

void VirtualInput::pause() {
  {
    std::lock_guard lock(mutex_);
    recording_ = false;
  }
  wake_.notify_all();
}

void VirtualInput::handBackAll() {
  bool front = true;
  for (Slot &slot : queue_) {
    slot.buffer->length = front ? filledInFront_ : 0;
    front = false;
    notifyDone(slot.buffer);
  }
  queue_.clear();
  filledInFront_ = 0;
  ++generation_;
}

void VirtualInput::reset() {
  {
    std::lock_guard lock(mutex_);
    recording_ = false;
    handBackAll();
  }
  wake_.notify_all();
}

void VirtualInput::close() {
  {
    std::lock_guard lock(mutex_);
    recording_ = false;
    handBackAll();
    open_ = false;
  }
  wake_.notify_all();
}

uint64_t VirtualInput::bytesRecorded() const {
  std::lock_guard lock(mutex_);
  return bytesRecorded_;
}

size_t VirtualInput::queued() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

bool VirtualInput::recording() const {
  std::lock_guard lock(mutex_);
  return recording_;
}

void VirtualInput::hear(uint8_t *data, size_t bytes) {
  if (bytes == 0) return;
  if (source_)
    source_(data, bytes);
  else
    std::memset(data, silenceByte(format_.bitsPerSample), bytes);
}

size_t VirtualInput::recordLocked(size_t bytes) {
  size_t stored = 0;
  for (;;) {
    if (queue_.empty()) {
      lost_.resize(bytes);
      hear(lost_.data(), bytes);
      break;
    }
    Slot &slot = queue_.front();
    size_t n = std::min<size_t>(bytes, slot.capacity - filledInFront_);
    hear(slot.buffer->data + filledInFront_, n);
    filledInFront_ += uint32_t(n);
    stored += n;
    bytes -= n;
    // An empty buffer at the front goes back at once, even with no bytes.
    if (filledInFront_ < slot.capacity) break;
    Buffer *full = slot.buffer;
    full->length = slot.capacity;
    queue_.pop_front();
    filledInFront_ = 0;
    notifyDone(full);
  }
  bytesRecorded_ += stored;
  return stored;
}

size_t VirtualInput::record(size_t bytes) {
  std::lock_guard lock(mutex_);
  if (!open_ || !recording_) return 0;
  return recordLocked(bytes - bytes % format_.blockAlign());
}

bool VirtualInput::recordNext() {
  std::lock_guard lock(mutex_);
  if (!open_ || !recording_ || queue_.empty()) return false;
  recordLocked(queue_.front().capacity - filledInFront_);
  return true;
}

void VirtualInput::run() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!open_ || !recording_ || (speed_ == 0 && queue_.empty())) {
      wake_.wait(lock);
      continue;
    }
    if (speed_ == 0) {
      recordLocked(queue_.front().capacity - filledInFront_);
      continue;
    }
    // About 10 ms at a time, so that pause and reset act promptly.
    const uint32_t align = format_.blockAlign();
    const uint64_t chunk = std::max<uint64_t>(align, format_.bytesPerSecond() / 100 / align * align);
    auto span = std::chrono::duration<double>(double(chunk) / double(format_.bytesPerSecond()) / speed_);
    uint64_t generation = generation_;
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(span);
    auto interrupted = [&] { return quit_ || !recording_ || generation != generation_; };
    if (wake_.wait_until(lock, deadline, interrupted)) continue;
    recordLocked(chunk);
  }
}

}  // namespace components::wave
