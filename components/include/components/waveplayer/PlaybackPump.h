// Plays PCM from a feed through a wave output device with a fixed set of
// buffers: what the MP3 output and the WAV player share.
//
// Ownership: every call, the feed included, runs on the owner's thread. The
// feed is called from start(), discard() and, for a buffer that came back,
// from inside DoneQueue::dispatch(). A device thread only reads the bytes of
// buffers it holds; those bytes stay where they are from start() until the
// device is closed by stop(), so a decoder behind the feed is never touched,
// moved or freed by a device thread.
//
// Notifications (started, played out) travel through the same DoneQueue as
// the buffers and reach their callbacks from dispatch(), after the call that
// caused them has returned. stop() cancels those not yet delivered.
//
// A tap sees the bytes of every buffer that has played, as the device hands
// it back and before it is refilled (the level meters listen there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "components/wave/DoneQueue.h"
#include "components/wave/OutputDevice.h"
#include "components/wave/WaveBuffer.h"

namespace components {

class PlaybackPump final : private wave::BufferListener {
 public:
  // Makes the device once, at the first start(); tests hand out a
  // VirtualOutput, the program the sound card's output.
  using DeviceFactory =
      std::function<std::unique_ptr<wave::OutputDevice>(wave::DoneQueue &, wave::BufferListener &)>;
  // Fills up to `capacity` bytes (whole sample frames) and returns how many;
  // 0 when the stream has ended.
  using Feed = std::function<size_t(uint8_t *data, size_t capacity)>;
  using Event = std::function<void()>;
  // The bytes of a buffer that has played; owner's thread, inside dispatch().
  using Tap = std::function<void(const uint8_t *data, size_t size, const wave::PcmFormat &format)>;

  PlaybackPump(wave::DoneQueue &queue, DeviceFactory factory, size_t buffers);
  ~PlaybackPump();
  PlaybackPump(const PlaybackPump &) = delete;
  PlaybackPump &operator=(const PlaybackPump &) = delete;

  void setFeed(Feed feed) { feed_ = std::move(feed); }
  void setOnStarted(Event event) { onStarted_ = std::move(event); }
  // Every buffer has played and the feed has ended (a paused pump waits for
  // resume()). Not sent for stop().
  void setOnPlayedOut(Event event) { onPlayedOut_ = std::move(event); }
  // Buffers that discard() or stop() take back unplayed are not shown.
  void setTap(Tap tap) { tap_ = std::move(tap); }

  // Stops what plays, opens the device for the format and queues every
  // buffer the feed fills. False when there is no device or it refuses the
  // format (then closed).
  bool start(const wave::PcmFormat &format, uint32_t bufferBytes);
  // Closes the device; its buffers come back unplayed.
  void stop();
  bool pause();
  bool resume();
  // Drops what is queued (for a seek after the feed moved): the device
  // hands every buffer back and each is refilled from the feed as it
  // arrives. The pause state stays; playedBytes() starts again at 0.
  bool discard();

  bool isOpen() const { return state_ != State::Closed; }  // from start() to stop()
  bool isStarted() const { return state_ == State::Started; }
  bool isPaused() const { return state_ == State::Started && paused_; }
  // The device's position: bytes played since start() or the last
  // discard(); 0 when closed.
  uint64_t playedBytes() const;

 private:
  enum class State { Closed, Started, PlayedOut };
  class Poster;
  struct EventListener final : wave::BufferListener {
    explicit EventListener(PlaybackPump &p) : pump(p) {}
    void bufferDone(wave::Buffer &buffer) override { pump.eventDone(buffer); }
    PlaybackPump &pump;
  };

  void bufferDone(wave::Buffer &buffer) override;
  void eventDone(wave::Buffer &event);
  void refill(size_t k);
  void playedOut();
  void post(wave::Buffer &event, uint64_t &pendingRun);

  wave::DoneQueue &queue_;
  DeviceFactory factory_;
  Feed feed_;
  Event onStarted_, onPlayedOut_;
  Tap tap_;
  wave::PcmFormat format_;
  std::unique_ptr<wave::OutputDevice> device_;
  EventListener eventListener_{*this};
  std::unique_ptr<Poster> poster_;

  std::vector<wave::Buffer> headers_;  // never resized: the device and the queue hold their addresses
  std::vector<std::vector<uint8_t>> storage_;
  std::vector<bool> inDevice_;  // written and not yet handed back
  std::vector<bool> dropped_;   // taken back by discard() before it played
  size_t inFlight_ = 0;
  State state_ = State::Closed;
  bool paused_ = false;
  bool feedEnded_ = false;
  uint64_t run_ = 0;    // changes at every start() and stop()
  wave::Buffer startedEvent_{}, playedOutEvent_{};
  uint64_t startedFor_ = 0, playedOutFor_ = 0;  // the run a posted event belongs to
};

}  // namespace components
