#include "CallbackQueue.h"

#include <cerrno>
#include <system_error>

namespace components::wave {

namespace {
// More than any player queues; the rings double when an owner queues more.
constexpr size_t kInitialCapacity = 256;
}  // namespace

CallbackQueue::CallbackQueue(Post post)
    : post_(std::move(post)), queued_(kInitialCapacity), finished_(kInitialCapacity) {
  ::sem_init(&wake_, 0, 0);
}

CallbackQueue::~CallbackQueue() {
  stop();
  ::sem_destroy(&wake_);
}

bool CallbackQueue::start() {
  if (courier_.joinable()) return true;
  quit_.store(false);
  try {
    courier_ = std::thread([this] { run(); });
  } catch (const std::system_error &) {
    return false;
  }
  return true;
}

void CallbackQueue::stop() {
  if (!courier_.joinable()) return;
  quit_.store(true);
  ::sem_post(&wake_);
  courier_.join();
  std::lock_guard lock(handing_);
  postFinished();
}

void CallbackQueue::push(Buffer &buffer) {
  if (outstanding_.load() + 1 > queued_.capacity()) {
    auto keepOut = exclude();
    std::lock_guard lock(handing_);
    queued_.grow(2 * queued_.capacity());
    finished_.grow(queued_.capacity());
  }
  outstanding_.fetch_add(1);
  queued_.push({&buffer, buffer.length});
}

void CallbackQueue::finishFront() {
  Entry *entry = queued_.front();
  if (!entry) return;
  // Never full: it holds at most the outstanding buffers.
  finished_.push(entry->buffer);
  queued_.pop();
  ::sem_post(&wake_);
}

void CallbackQueue::postFinished() {
  while (Buffer **buffer = finished_.front()) {
    Buffer *done = *buffer;
    finished_.pop();
    post_(done);
    outstanding_.fetch_sub(1);
  }
}

void CallbackQueue::handBackAll(const Adjust &adjust) {
  std::lock_guard lock(handing_);
  postFinished();
  bool front = true;
  while (Entry *entry = queued_.front()) {
    Entry e = *entry;
    queued_.pop();
    if (adjust) adjust(e, front);
    front = false;
    post_(e.buffer);
    outstanding_.fetch_sub(1);
  }
}

void CallbackQueue::run() {
  for (;;) {
    while (::sem_wait(&wake_) != 0 && errno == EINTR) {
    }
    if (quit_.load()) return;
    std::lock_guard lock(handing_);
    postFinished();
  }
}

}  // namespace components::wave
