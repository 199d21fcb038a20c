// What the host tests share: a host for voice files and recordings whose
// MP3 and WAV players hold nothing, voice files made at test time, the
// decoder's own output for coded data, and a pipe that catches what the
// host writes for the user.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "player/MediaPlayback.h"

namespace e2etest {

using Bytes = std::vector<uint8_t>;

// MP3 and WAV players for a host that plays voice files only: nothing loads.
class NoMpeg final : public player::MpegPlayback {
 public:
  void setEvents(player::PlaybackEvents *) override {}
  bool load(const std::string &) override { return false; }
  void unload() override {}
  bool loaded() const override { return false; }
  uint64_t frames() const override { return 0; }
  double msPerFrame() const override { return 0; }
  int bitRateKbps() const override { return 0; }
  int channelMode() const override { return 0; }
  uint64_t currentFrame() const override { return 0; }
  void seekFrame(uint64_t) override {}
  bool start(uint64_t) override { return false; }
  void stop() override {}
  void pause() override {}
  void resume() override {}
  bool started() const override { return false; }
  bool paused() const override { return false; }
  void refill() override {}
  int64_t positionMs() const override { return 0; }
};

class NoWav final : public player::WavPlayback {
 public:
  void setEvents(player::PlaybackEvents *) override {}
  bool open(const std::string &) override { return false; }
  void close() override {}
  uint16_t channels() const override { return 0; }
  uint32_t sampleRate() const override { return 0; }
  uint16_t bitsPerSample() const override { return 0; }
  uint64_t dataBytes() const override { return 0; }
  uint64_t averageBytesPerSecond() const override { return 0; }
  int64_t lengthMs() const override { return 0; }
  int64_t positionMs() const override { return 0; }
  bool play(uint64_t) override { return false; }
  void pause() override {}
  void restart() override {}
  void stop() override {}
  bool playing() const override { return false; }
  void seekMs(int64_t) override {}
};

// A voice file: a header made for its path, then the coded bytes.
std::filesystem::path writeVoiceFile(const std::filesystem::path &file, const Bytes &coded);
// The coded bytes behind a voice file's header.
Bytes voiceData(const std::filesystem::path &file);
// What voice::DecoderStream makes of coded data in 500-byte chunks (the
// last one zero-filled), keeping 16 PCM bytes per coded byte.
Bytes decodeReference(const Bytes &coded);
// Speech-like coded data: `seconds` of a rising and falling tone mixture,
// encoded with voice::EncoderStream.
Bytes codedTone(double seconds);
// Spoken English of at least `seconds` as 16-bit mono 8000 Hz samples,
// made with espeak-ng and sox in `folder` (repeated to the length).
// Throws testsupport::MissingTool when one is not installed.
std::vector<int16_t> speech(const std::filesystem::path &folder, double seconds);
// Coded data of samples (whole blocks, the last one filled with silence).
Bytes encode(const std::vector<int16_t> &samples);
// The samples that are not silence (exactly 0), in order.
std::vector<int16_t> sounding(const std::vector<int16_t> &samples);
// 16-bit mono 8000 Hz samples as bytes and back.
Bytes pcmBytes(const std::vector<int16_t> &samples);
std::vector<int16_t> pcmSamples(const Bytes &bytes, size_t from = 0);

// The best normalised cross-correlation of b against a within lags
// 0..maxLag (b delayed), and the lag where it is found.
struct Match {
  double correlation = 0;
  size_t lag = 0;
};
Match bestCorrelation(const std::vector<int16_t> &a, const std::vector<int16_t> &b, size_t maxLag);

// A pipe whose write end stands for standard error.
class CapturePipe {
 public:
  CapturePipe();
  ~CapturePipe();
  CapturePipe(const CapturePipe &) = delete;
  CapturePipe &operator=(const CapturePipe &) = delete;
  int writeEnd() const { return fds_[1]; }
  // What has been written so far.
  std::string read();

 private:
  int fds_[2] = {-1, -1};
  std::string got_;
};

// Where `wanted` starts in `heard` at an even offset, whole; npos when nowhere.
size_t findBytes(const Bytes &heard, const Bytes &wanted);

}  // namespace e2etest
