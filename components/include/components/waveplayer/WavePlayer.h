// The WAV player: a WAV file of any encoding the wave-file component
// decodes, played as 16-bit PCM through a wave output device with 10
// buffers of 4096 bytes. Times in milliseconds; no looping.
//
// Everything runs on the owner's thread: the file is decoded there, when a
// buffer comes back played (inside DoneQueue::dispatch()); device threads
// only read the bytes of buffers they hold.
//
// The stopped notification runs from DoneQueue::dispatch() once the file
// has played out (the player then stays open, at the end, until stop() or
// close()). stop() and close() send none and cancel one not yet delivered.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/wavefile/WaveDecoder.h"
#include "components/waveplayer/PlaybackPump.h"

namespace components {

class WavePlayer {
 public:
  static constexpr size_t kBuffers = 10;
  static constexpr uint32_t kBufferBytes = 4096;
  using DeviceFactory = PlaybackPump::DeviceFactory;

  WavePlayer(wave::DoneQueue &queue, DeviceFactory factory);

  void setOnStopped(std::function<void()> event) { pump_.setOnPlayedOut(std::move(event)); }
  // Sees the PCM of every buffer that has played (PlaybackPump::setTap).
  void setTap(PlaybackPump::Tap tap) { pump_.setTap(std::move(tap)); }

  // Closes what is open, then opens the file at its start. False, with the
  // reason in error, when the file cannot be read or decoded.
  bool open(const std::string &path, std::string *error = nullptr);
  // Stops and closes the file.
  void close();
  bool isOpen() const { return decoder_.isOpen(); }

  // The file's figures, as its header declares them (0 when none is open).
  uint16_t channels() const { return decoder_.declared().channels; }
  int channelMode() const { return channels() == 1 ? 3 : 0; }  // 0 stereo, 3 single channel
  uint32_t sampleRate() const { return decoder_.declared().sampleRate; }
  uint16_t bitsPerSample() const { return decoder_.declared().bitsPerSample; }  // 0 where the file says 0
  uint16_t formatTag() const { return decoder_.declared().formatTag; }
  uint64_t dataBytes() const { return decoder_.dataSize(); }
  uint32_t averageBytesPerSecond() const { return decoder_.declared().avgBytesPerSec; }

  // Of the decoded stream.
  uint64_t lengthMs() const;
  uint64_t positionMs() const;  // the device's position while playing

  // Plays from the current position (from the start when it is at the
  // end). False when no file is open or the device cannot be opened.
  bool play();
  bool pause();
  // Resumes after pause().
  bool restart();
  // Stops playing and goes back to the start; the file stays open.
  void stop();
  // Moves to a time (clamped to the length). While playing, the queued
  // buffers are dropped and refilled from there and a paused player stays
  // paused; while stopped, the next play() starts there. False once the
  // file has played out (its stop notification is on its way).
  bool setPositionMs(uint64_t ms);

  bool isPlaying() const { return pump_.isStarted(); }  // playing or paused
  bool isPaused() const { return pump_.isPaused(); }

 private:
  size_t feed(uint8_t *data, size_t capacity);
  uint64_t playingFrame() const;

  WaveDecoder decoder_;
  std::vector<int16_t> samples_;
  PlaybackPump pump_;
  uint64_t baseFrame_ = 0;  // where playing started or was last set to
};

}  // namespace components
