// A wave input device, as the recorder of the main window drives it: the
// owner queues empty buffers, the device fills them in order and hands each
// back through the DoneQueue once it is full (or, at reset and close, with
// what it holds so far).
#pragma once

#include <cstdint>

#include "components/wave/DoneQueue.h"
#include "components/wave/WaveBuffer.h"

namespace components::wave {

class InputDevice : public Device {
 public:
  using Device::Device;

  // Opens for the format (16-bit signed PCM at least); stopped until start().
  virtual bool open(const PcmFormat &format) = 0;
  virtual bool isOpen() const = 0;
  // The format of the last open().
  virtual PcmFormat format() const = 0;
  // Queues an empty buffer behind the others: `length` is its capacity on
  // the way in and the bytes recorded into it on the way back. False (and
  // nothing queued) when closed.
  virtual bool add(Buffer &buffer) = 0;
  // Starts or resumes recording into the queued buffers. What the device
  // hears while no buffer is queued is lost.
  virtual void start() = 0;
  // Stops recording; queued buffers stay queued, a partly filled one keeps
  // what it holds and goes on filling at the next start().
  virtual void pause() = 0;
  // Stops recording and hands every queued buffer back, in order, the
  // partly filled one with the bytes it holds (the others with length 0).
  virtual void reset() = 0;
  // Hands back what is still queued and closes.
  virtual void close() = 0;
  // Bytes recorded into the owner's buffers since open(): the position of
  // a recording. Any thread.
  virtual uint64_t bytesRecorded() const = 0;

  // The position in milliseconds of the stream's format.
  uint64_t recordedMilliseconds() const {
    uint64_t perSecond = format().bytesPerSecond();
    return perSecond ? bytesRecorded() * 1000 / perSecond : 0;
  }
};

}  // namespace components::wave
