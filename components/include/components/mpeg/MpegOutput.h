// The MP3 output: an MpegSource played through a wave output device with
// 64 buffers of one MPEG frame each.
//
// Everything runs on the owner's thread. Frames are decoded there, when a
// buffer comes back played (inside DoneQueue::dispatch()); device threads
// only read the bytes of buffers they hold and never see the decoder. The
// owner keeps the source alive while the output is open and may unload it
// only after stop() (an output whose source was unloaded or reloaded plays
// out what it holds and stops).
//
// Notifications run from DoneQueue::dispatch(), never inside the call that
// caused them: started after start(), stopped when the file has played out
// (the output then stays open until stop()). stop() sends none and cancels
// those not yet delivered.
#pragma once

#include <cstdint>
#include <functional>

#include "components/mpeg/MpegSource.h"
#include "components/waveplayer/PlaybackPump.h"

namespace components {

class MpegOutput {
 public:
  static constexpr size_t kBuffers = 64;
  using DeviceFactory = PlaybackPump::DeviceFactory;

  MpegOutput(MpegSource &source, wave::DoneQueue &queue, DeviceFactory factory);

  void setOnStarted(std::function<void()> event) { pump_.setOnStarted(std::move(event)); }
  void setOnStopped(std::function<void()> event) { pump_.setOnPlayedOut(std::move(event)); }
  // Sees the PCM of every buffer that has played (PlaybackPump::setTap).
  void setTap(PlaybackPump::Tap tap) { pump_.setTap(std::move(tap)); }

  // Plays the loaded file from its first frame, stopping what plays first.
  // False when nothing is loaded or the device cannot be opened.
  bool start();
  // Stops and closes the device.
  void stop();
  bool pause();
  bool resume();
  // Moves the source to a frame (clamped to 0..frames) and refills every
  // buffer from there; a paused output stays paused, a playing one plays
  // on. The position restarts at 0. False unless started.
  bool seekFrame(long frame);
  // The same after the owner has moved the source itself: drops the queued
  // buffers and refills them from the source's current frame.
  bool refill();

  bool isOpen() const { return pump_.isOpen(); }        // from start() until stop()
  bool isStarted() const { return pump_.isStarted(); }  // playing or paused, not played out
  bool isPaused() const { return pump_.isPaused(); }
  // Milliseconds played since start() or the last seek (the device's
  // position).
  uint64_t positionMs() const;
  // The frame being heard: the frame started or sought to plus the frames
  // played since.
  long playingFrame() const;

 private:
  size_t feed(uint8_t *data, size_t capacity);

  MpegSource &source_;
  PlaybackPump pump_;
  uint64_t loadId_ = 0;
  long baseFrame_ = 0;
  uint32_t frameBytes_ = 0;
  uint64_t bytesPerSecond_ = 0;
};

}  // namespace components
