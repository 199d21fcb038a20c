#include "components/wave/DoneQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace components::wave {

DoneQueue::DoneQueue() { fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

DoneQueue::~DoneQueue() {
  if (fd_ >= 0) ::close(fd_);
}

void DoneQueue::post(Device &device, Buffer *buffer, uint64_t session) {
  {
    std::lock_guard lock(mutex_);
    entries_.push_back({&device, buffer, session});
  }
  if (fd_ >= 0) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(fd_, &one, sizeof one);
  }
}

void DoneQueue::forget(const Device &device) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry &e) { return e.device == &device; });
}

bool DoneQueue::take(Entry &entry) {
  std::lock_guard lock(mutex_);
  if (entries_.empty()) return false;
  entry = entries_.front();
  entries_.pop_front();
  return true;
}

size_t DoneQueue::pending() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

size_t DoneQueue::dispatch(size_t limit) {
  // Drain the descriptor first: anything posted after this signals it again.
  if (fd_ >= 0) {
    uint64_t count;
    [[maybe_unused]] ssize_t got = ::read(fd_, &count, sizeof count);
  }
  size_t waiting = std::min(limit, pending());
  size_t handed = 0;
  Entry entry{};
  for (size_t k = 0; k < waiting && take(entry); ++k) {
    if (entry.session != entry.device->session_.load()) continue;
    entry.device->listener_.bufferDone(*entry.buffer);
    ++handed;
  }
  // Left for the next call: keep the descriptor readable.
  if (fd_ >= 0 && pending() > 0) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(fd_, &one, sizeof one);
  }
  return handed;
}

Device::~Device() { queue_.forget(*this); }

}  // namespace components::wave
