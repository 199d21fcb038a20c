// Buffer-done notifications travel from a device's own thread to the thread
// that owns the device: the device posts them here, the owner's event loop
// watches descriptor() and calls dispatch(), which hands each buffer to the
// device's listener on the owner's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>

#include "components/wave/WaveBuffer.h"

namespace components::wave {

class Device;

// Implemented by the owner; called only from DoneQueue::dispatch().
class BufferListener {
 public:
  virtual void bufferDone(Buffer &buffer) = 0;

 protected:
  ~BufferListener() = default;
};

class DoneQueue {
 public:
  DoneQueue();
  ~DoneQueue();
  DoneQueue(const DoneQueue &) = delete;
  DoneQueue &operator=(const DoneQueue &) = delete;

  // Readable (poll/select) while notifications wait; -1 if none could be made.
  int descriptor() const { return fd_; }
  // Hands the notifications waiting now to their listeners, oldest first.
  // Notifications posted meanwhile (a listener that queues a buffer which
  // comes straight back) wait for the next call. At most `limit` are handed
  // (a host may run other events between them). Returns how many it handed.
  size_t dispatch(size_t limit = std::numeric_limits<size_t>::max());
  size_t pending() const;

 private:
  friend class Device;
  struct Entry {
    Device *device;
    Buffer *buffer;
    uint64_t session;
  };
  void post(Device &device, Buffer *buffer, uint64_t session);
  void forget(const Device &device);
  bool take(Entry &entry);

  int fd_ = -1;
  mutable std::mutex mutex_;
  std::deque<Entry> entries_;
};

// Base of every wave device: posts done notifications for its listener.
// Each opening of the device is a session of its own; a notification posted
// in an earlier session is dropped, never delivered, so a buffer the owner
// has queued again is not handed back twice.
class Device {
 public:
  Device(DoneQueue &queue, BufferListener &listener) : queue_(queue), listener_(listener) {}
  virtual ~Device();
  Device(const Device &) = delete;
  Device &operator=(const Device &) = delete;

 protected:
  // Any thread: the buffer is handed back to the owner.
  void notifyDone(Buffer *buffer) { queue_.post(*this, buffer, session_.load()); }
  // At every open.
  void beginSession() { session_.fetch_add(1); }

 private:
  friend class DoneQueue;
  DoneQueue &queue_;
  BufferListener &listener_;
  std::atomic<uint64_t> session_{0};
};

}  // namespace components::wave
