// A wave output that behaves like a sound card's clock: it plays the queued
// buffers one after the other at exactly the stream's rate by the wall
// clock, and a buffer that arrives after the one before it has finished is
// an underrun (the card would have played silence; the stream goes on from
// when the buffer came). Each buffer's start and end are computed from the
// times at which it was written and the previous one ended, not from when
// the device's thread happens to wake, so a loaded machine delays only the
// hand-back of finished buffers, as a card's interrupt would be handled late.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "components/wave/OutputDevice.h"

namespace benchplayer {

class RealTimeOutput final : public components::wave::OutputDevice {
 public:
  using Clock = std::chrono::steady_clock;

  RealTimeOutput(components::wave::DoneQueue &queue, components::wave::BufferListener &listener);
  ~RealTimeOutput() override;

  bool open(const components::wave::PcmFormat &format) override;
  bool isOpen() const override;
  components::wave::PcmFormat format() const override;
  bool write(components::wave::Buffer &buffer) override;
  void pause() override;
  void resume() override;
  void reset() override;
  void close() override;
  uint64_t bytesPlayed() const override { return played_.load(); }

  uint64_t underruns() const { return underruns_.load(); }

 private:
  struct Queued {
    components::wave::Buffer *buffer;
    Clock::time_point end;  // when it has played
  };
  void run();
  Clock::duration span(uint32_t bytes) const;
  void handBackAll();  // with mutex_ held

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  components::wave::PcmFormat format_;
  bool open_ = false, paused_ = false, quit_ = false;
  bool started_ = false;               // a buffer has played since open, reset or resume
  Clock::time_point lastEnd_{};        // when the last queued buffer ends
  Clock::time_point pausedAt_{};
  std::deque<Queued> queue_;
  std::atomic<uint64_t> played_{0}, underruns_{0};
  std::thread worker_;
};

}  // namespace benchplayer
