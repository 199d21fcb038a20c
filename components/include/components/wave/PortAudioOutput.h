// The sound card's output through PortAudio: the default output device,
// else the first device with outputs. Where the device refuses the
// stream's rate it opens at a rate it takes and the samples are converted
// on the way. The real-time callback takes no lock the owner can hold for
// long and allocates nothing: buffers reach it through a lock-free queue
// and go back through a courier thread.
#pragma once

#include <cstdint>
#include <memory>

#include "components/wave/OutputDevice.h"
#include "components/wave/PortAudio.h"

struct PaStreamCallbackTimeInfo;

namespace components::wave {

class CallbackQueue;
class OutputRenderer;

class PortAudioOutput final : public OutputDevice {
 public:
  PortAudioOutput(DoneQueue &queue, BufferListener &listener);
  ~PortAudioOutput() override;

  // True when PortAudio has an output device.
  bool available() const { return session_.hasOutputDevice(); }
  // The rate the next open() asks of the device before the stream's own
  // (0, the default: the stream's own rate wherever the device takes it).
  void setDeviceRate(uint32_t rate) { preferredRate_ = rate; }
  // The rate the device runs at while open; 0 when closed.
  uint32_t deviceRate() const { return deviceRate_; }

  bool open(const PcmFormat &format) override;
  bool isOpen() const override;
  PcmFormat format() const override { return format_; }
  bool write(Buffer &buffer) override;
  void pause() override;
  void resume() override;
  void reset() override;
  void close() override;
  uint64_t bytesPlayed() const override;

 private:
  static int callback(const void *input, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *time,
                      unsigned long statusFlags, void *renderer);

  PortAudioSession session_;
  std::unique_ptr<CallbackQueue> queue_;
  std::unique_ptr<OutputRenderer> renderer_;
  void *stream_ = nullptr;
  PcmFormat format_;
  uint32_t preferredRate_ = 0;
  uint32_t deviceRate_ = 0;
};

}  // namespace components::wave
