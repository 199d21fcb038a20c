// The sound card's input through PortAudio: the default input device, else
// the first device with inputs. Where the device refuses the stream's rate
// it records at a rate it takes and the samples are converted on the way.
// The real-time callback takes no lock the owner can hold for long and
// allocates nothing: buffers reach it through a lock-free queue and go back
// through a courier thread.
#pragma once

#include <cstdint>
#include <memory>

#include "components/wave/InputDevice.h"
#include "components/wave/PortAudio.h"

struct PaStreamCallbackTimeInfo;

namespace components::wave {

class CallbackQueue;
class InputCapturer;

class PortAudioInput final : public InputDevice {
 public:
  PortAudioInput(DoneQueue &queue, BufferListener &listener);
  ~PortAudioInput() override;

  // True when PortAudio has an input device.
  bool available() const { return session_.hasInputDevice(); }
  // The rate the next open() asks of the device before the stream's own
  // (0, the default: the stream's own rate wherever the device takes it).
  void setDeviceRate(uint32_t rate) { preferredRate_ = rate; }
  // The rate the device runs at while open; 0 when closed.
  uint32_t deviceRate() const { return deviceRate_; }

  bool open(const PcmFormat &format) override;
  bool isOpen() const override;
  PcmFormat format() const override { return format_; }
  bool add(Buffer &buffer) override;
  void start() override;
  void pause() override;
  void reset() override;
  void close() override;
  uint64_t bytesRecorded() const override;

 private:
  static int callback(const void *input, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *time,
                      unsigned long statusFlags, void *capturer);

  PortAudioSession session_;
  std::unique_ptr<CallbackQueue> queue_;
  std::unique_ptr<InputCapturer> capturer_;
  void *stream_ = nullptr;
  bool running_ = false;
  PcmFormat format_;
  uint32_t preferredRate_ = 0;
  uint32_t deviceRate_ = 0;
};

}  // namespace components::wave
