// The sound card's default output through PortAudio.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "components/wave/OutputDevice.h"
#include "components/wave/PortAudio.h"

struct PaStreamCallbackTimeInfo;

namespace components::wave {

class PortAudioOutput final : public OutputDevice {
 public:
  PortAudioOutput(DoneQueue &queue, BufferListener &listener);
  ~PortAudioOutput() override;

  // True when PortAudio has a default output device.
  bool available() const { return session_.hasOutputDevice(); }

  bool open(const PcmFormat &format) override;
  bool isOpen() const override;
  bool write(Buffer &buffer) override;
  void pause() override;
  void resume() override;
  void reset() override;
  void close() override;

 private:
  static int callback(const void *input, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *time,
                      unsigned long statusFlags, void *self);
  void render(uint8_t *out, unsigned long frames);
  void handBackAll();  // with mutex_ held

  PortAudioSession session_;
  void *stream_ = nullptr;
  PcmFormat format_;
  mutable std::mutex mutex_;
  std::deque<Buffer *> queue_;
  uint32_t playedInFront_ = 0;
  bool paused_ = false;
};

}  // namespace components::wave
