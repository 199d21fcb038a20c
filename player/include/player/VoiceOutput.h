// The voice output m_G729WaveOut: three buffers of 8000 bytes on a wave
// output device, each refilled when the device hands it back, by decoding
// the next 500 coded bytes of the source with the playback's own decoder.
// When the source has given its last chunk and every buffer has come back,
// the end hook runs (the output's stop event).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "components/wave/OutputDevice.h"
#include "player/CommandGate.h"
#include "player/Levels.h"
#include "player/VoiceSource.h"
#include "voice/Codec.h"

namespace player {

using OutputFactory = std::function<std::unique_ptr<components::wave::OutputDevice>(
    components::wave::DoneQueue &, components::wave::BufferListener &)>;

class VoiceOutput final : public components::wave::BufferListener {
 public:
  static constexpr size_t kBuffers = 3;
  static constexpr uint32_t kBufferBytes = voice::kPcmBlockBytes;

  // onFault runs inside a buffer load whose source failed (nothing more is
  // loaded); onEnd runs once every buffer has come back after the last
  // chunk. Both run with the gate held.
  VoiceOutput(components::wave::DoneQueue &queue, const OutputFactory &makeDevice, CommandGate &gate,
              LevelAnalyzer &levels);
  ~VoiceOutput();
  VoiceOutput(const VoiceOutput &) = delete;
  VoiceOutput &operator=(const VoiceOutput &) = delete;

  std::function<void(SourceFault)> onFault;
  std::function<void()> onEnd;

  // Opens the device for 16-bit mono 8000 Hz and queues up to three
  // buffers. False when there is no device or it cannot be opened (the
  // source is dropped).
  bool start(std::unique_ptr<VoiceSource> source);
  void pause();
  void resume();
  // Moves the source to percent (receives the position shown) and refills
  // the output from there, paused if it was. Discarded buffers never play.
  SourceFault seek(int &percent);
  // Closes the device and drops the source (and with it the block buffer).
  void stop();

  bool active() const { return open_; }
  bool paused() const { return paused_; }
  VoiceSource *source() const { return source_.get(); }
  // Buffers with the device now.
  size_t queued() const { return inFlight_.size(); }

  void bufferDone(components::wave::Buffer &buffer) override;

 private:
  bool openDevice();
  void fill();
  void load(components::wave::Buffer &buffer);
  void handleDone(components::wave::Buffer &buffer);
  void feedLevels();

  CommandGate &gate_;
  LevelAnalyzer &levels_;
  std::unique_ptr<components::wave::OutputDevice> device_;
  std::unique_ptr<VoiceSource> source_;
  std::unique_ptr<voice::DecoderStream> decoder_;
  std::array<std::array<uint8_t, kBufferBytes>, kBuffers> storage_{};
  std::array<components::wave::Buffer, kBuffers> buffers_{};
  std::deque<components::wave::Buffer *> inFlight_;  // in the order written
  uint64_t opening_ = 0;  // counts openings: a deferred event of an earlier one is dropped
  bool open_ = false;
  bool paused_ = false;
  bool ended_ = false;
};

}  // namespace player
