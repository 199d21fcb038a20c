// A wave output device, as the players drive it: buffers are written in
// order and each comes back as done through the DoneQueue once it has played.
// Every device scales what it plays by the process's output gain
// (OutputGain.h).
#pragma once

#include <cstdint>

#include "components/wave/DoneQueue.h"
#include "components/wave/WaveBuffer.h"

namespace components::wave {

class OutputDevice : public Device {
 public:
  using Device::Device;

  // Opens for the format (8-bit unsigned or 16/24/32-bit signed PCM); running, not paused.
  virtual bool open(const PcmFormat &format) = 0;
  virtual bool isOpen() const = 0;
  // The format of the last open().
  virtual PcmFormat format() const = 0;
  // Queues the buffer behind the others; false (and nothing queued) when closed.
  virtual bool write(Buffer &buffer) = 0;
  // Holds output; queued buffers stay queued.
  virtual void pause() = 0;
  virtual void resume() = 0;
  // Stops output and hands every queued buffer back as done, in order.
  // The pause state stays as it was; the position starts again at 0.
  virtual void reset() = 0;
  // Hands back what is still queued and closes.
  virtual void close() = 0;
  // The position: bytes of the owner's buffers that have reached the device
  // since open() or the last reset(). Any thread.
  virtual uint64_t bytesPlayed() const = 0;

  // The position in milliseconds of the stream's format.
  uint64_t playedMilliseconds() const {
    uint64_t perSecond = format().bytesPerSecond();
    return perSecond ? bytesPlayed() * 1000 / perSecond : 0;
  }
};

}  // namespace components::wave
