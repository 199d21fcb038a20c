// A wave input without a sound card, for tests and machines without sound.
// What the device hears comes from the source (silence without one). With
// the driven clock nothing is heard until the owner calls record() or
// recordNext(); with the timed clock a thread of the device hears about
// 10 ms at a time at `speed` times real time, and what finds no queued
// buffer is lost, as on a sound card (speed 0: each queued buffer is filled
// as soon as it is the oldest, nothing is lost).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "components/wave/InputDevice.h"

namespace components::wave {

class VirtualInput final : public InputDevice {
 public:
  enum class Clock { Driven, Timed };
  // Makes the next `size` bytes the device hears at `data` (on the
  // recording thread, with the device's lock held: it must not call the
  // device).
  using Source = std::function<void(uint8_t *data, size_t size)>;

  VirtualInput(DoneQueue &queue, BufferListener &listener, Clock clock, double speed = 1.0);
  ~VirtualInput() override;

  void setSource(Source source);

  bool open(const PcmFormat &format) override;
  bool isOpen() const override;
  PcmFormat format() const override;
  bool add(Buffer &buffer) override;
  void start() override;
  void pause() override;
  void reset() override;
  void close() override;
  uint64_t bytesRecorded() const override;

  // Driven clock: hears `bytes` (rounded down to whole frames) and records
  // them into the queued buffers in order, handing back each that fills up;
  // what finds no buffer is lost. Returns the bytes recorded; 0 when closed
  // or not started.
  size_t record(size_t bytes);
  // Driven clock: fills the rest of the oldest queued buffer and hands it
  // back. False when closed, not started or nothing is queued.
  bool recordNext();

  size_t queued() const;
  bool recording() const;

 private:
  struct Slot {
    Buffer *buffer;
    uint32_t capacity;
  };
  void run();
  size_t recordLocked(size_t bytes);          // with mutex_ held
  void hear(uint8_t *data, size_t bytes);    // with mutex_ held
  void handBackAll();                         // with mutex_ held

  const Clock clock_;
  const double speed_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  Source source_;
  PcmFormat format_;
  bool open_ = false;
  bool recording_ = false;
  bool quit_ = false;
  std::deque<Slot> queue_;
  uint32_t filledInFront_ = 0;
  uint64_t generation_ = 0;  // changes whenever the queue is handed back
  uint64_t bytesRecorded_ = 0;
  std::vector<uint8_t> lost_;
  std::thread worker_;
};

}  // namespace components::wave
