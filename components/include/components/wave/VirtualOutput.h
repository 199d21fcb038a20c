// A wave output without a sound card, for tests and machines without sound.
// With the driven clock nothing plays until the owner calls playNext(); with
// the timed clock a thread of the device plays the queued buffers at `speed`
// times real time (speed 0: as fast as buffers arrive). What plays is
// scaled by the output gain, as on a sound card, and the sink hears that.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "components/wave/OutputDevice.h"

namespace components::wave {

class VirtualOutput final : public OutputDevice {
 public:
  enum class Clock { Driven, Timed };
  // Sees every byte as it plays (on the playing thread).
  using Sink = std::function<void(const uint8_t *data, size_t size)>;

  VirtualOutput(DoneQueue &queue, BufferListener &listener, Clock clock, double speed = 1.0);
  ~VirtualOutput() override;

  void setSink(Sink sink);

  bool open(const PcmFormat &format) override;
  bool isOpen() const override;
  PcmFormat format() const override;
  bool write(Buffer &buffer) override;
  void pause() override;
  void resume() override;
  void reset() override;
  void close() override;
  uint64_t bytesPlayed() const override;

  // Driven clock: plays the rest of the oldest queued buffer and hands it
  // back. False when closed, paused or nothing is queued.
  bool playNext();

  size_t queued() const;
  bool paused() const;

 private:
  void run();
  void play(Buffer &buffer, uint32_t bytes);  // with mutex_ held
  void handBackAll();                          // with mutex_ held

  const Clock clock_;
  const double speed_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  Sink sink_;
  PcmFormat format_;
  bool open_ = false;
  bool paused_ = false;
  bool quit_ = false;
  std::deque<Buffer *> queue_;
  uint32_t playedInFront_ = 0;
  uint64_t generation_ = 0;  // changes whenever the queue is handed back
  uint64_t bytesPlayed_ = 0;
  std::vector<uint8_t> scaled_;
  std::thread worker_;
};

}  // namespace components::wave
