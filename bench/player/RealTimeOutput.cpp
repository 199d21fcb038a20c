#include "RealTimeOutput.h"

namespace benchplayer {

namespace wave = components::wave;

RealTimeOutput::RealTimeOutput(wave::DoneQueue &queue, wave::BufferListener &listener)
    : OutputDevice(queue, listener), worker_([this] { run(); }) {}

RealTimeOutput::~RealTimeOutput() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  worker_.join();
}

bool RealTimeOutput::open(const wave::PcmFormat &format) {
  std::lock_guard lock(mutex_);
  if (format.bytesPerSecond() == 0) return false;
  handBackAll();
  beginSession();
  format_ = format;
  open_ = true;
  paused_ = false;
  started_ = false;
  played_ = 0;
  return true;
}

bool RealTimeOutput::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

wave::PcmFormat RealTimeOutput::format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

RealTimeOutput::Clock::duration RealTimeOutput::span(uint32_t bytes) const {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(double(bytes) / double(format_.bytesPerSecond())));
}

bool RealTimeOutput::write(wave::Buffer &buffer) {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    const Clock::time_point now = Clock::now();
    Clock::time_point start;
    if (paused_) {
      start = started_ ? std::max(lastEnd_, pausedAt_) : pausedAt_;
    } else if (started_ && now <= lastEnd_) {
      start = lastEnd_;
    } else {
      // Everything before it has played: the card has run dry.
      if (started_) ++underruns_;
      start = now;
    }
    lastEnd_ = start + span(buffer.length);
    started_ = true;
    queue_.push_back({&buffer, lastEnd_});
  }
  wake_.notify_all();
  return true;
}

void RealTimeOutput::pause() {
  std::lock_guard lock(mutex_);
  if (paused_ || !open_) return;
  paused_ = true;
  pausedAt_ = Clock::now();
}

void RealTimeOutput::resume() {
  {
    std::lock_guard lock(mutex_);
    if (!paused_) return;
    const Clock::duration shift = Clock::now() - pausedAt_;
    for (Queued &q : queue_) q.end += shift;
    lastEnd_ += shift;
    paused_ = false;
    started_ = !queue_.empty();
  }
  wake_.notify_all();
}

void RealTimeOutput::handBackAll() {
  for (Queued &q : queue_) notifyDone(q.buffer);
  queue_.clear();
  started_ = false;
}

void RealTimeOutput::reset() {
  std::lock_guard lock(mutex_);
  handBackAll();
  played_ = 0;
}

void RealTimeOutput::close() {
  std::lock_guard lock(mutex_);
  handBackAll();
  open_ = false;
}

void RealTimeOutput::run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!open_ || paused_ || queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const Clock::time_point end = queue_.front().end;
    if (Clock::now() < end) {
      wake_.wait_until(lock, end);
      continue;
    }
    Queued done = queue_.front();
    queue_.pop_front();
    played_ += done.buffer->length;
    notifyDone(done.buffer);
  }
}

}  // namespace benchplayer
