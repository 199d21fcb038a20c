// The buffers of a PortAudio stream, between three threads. The owner
// queues them without a lock; the real-time callback works through them in
// order while it holds the guard, which it only ever try-locks; a courier
// thread posts each buffer the callback has finished to the DoneQueue
// (which locks and allocates: never on the callback's side). The owner takes
// the guard only to hand everything back (reset, close) or, rarely, to make
// room: the callback then plays or drops one period instead of waiting.
#pragma once

#include <semaphore.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "SpscRing.h"
#include "components/wave/WaveBuffer.h"

namespace components::wave {

class CallbackQueue {
 public:
  struct Entry {
    Buffer *buffer = nullptr;
    uint32_t capacity = 0;  // its length when queued
  };
  using Post = std::function<void(Buffer *)>;
  // Sees each queued buffer just before it goes back; `front` marks the one
  // the callback was working on.
  using Adjust = std::function<void(const Entry &entry, bool front)>;

  explicit CallbackQueue(Post post);
  ~CallbackQueue();
  CallbackQueue(const CallbackQueue &) = delete;
  CallbackQueue &operator=(const CallbackQueue &) = delete;

  // Owner. The courier runs from start() to stop().
  bool start();
  void stop();
  // Owner: queues behind the others.
  void push(Buffer &buffer);
  // Owner: keeps the callback out while the lock lives.
  std::unique_lock<std::mutex> exclude() { return std::unique_lock(guard_); }
  // Owner, holding exclude() or with the stream stopped: posts what the
  // callback finished, then every queued buffer, oldest first.
  void handBackAll(const Adjust &adjust);
  // Owner: every buffer has been played and handed back.
  bool idle() const { return outstanding_.load() == 0; }

  // Callback.
  std::unique_lock<std::mutex> tryEnter() { return std::unique_lock(guard_, std::try_to_lock); }
  Entry *front() { return queued_.front(); }
  // The front buffer is done: the courier posts it.
  void finishFront();

 private:
  void run();
  void postFinished();  // with handing_ held

  Post post_;
  std::mutex guard_;    // the callback's side: its queue and its position in the front buffer
  std::mutex handing_;  // the order of posts
  SpscRing<Entry> queued_;
  SpscRing<Buffer *> finished_;
  std::atomic<size_t> outstanding_{0};  // queued or finished, not yet posted
  sem_t wake_{};
  std::atomic<bool> quit_{false};
  std::thread courier_;
};

}  // namespace components::wave
