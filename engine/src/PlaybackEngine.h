// The engine behind the exported functions: one open file, its source, the
// time-scale modifier and the wave output fed through eight rotating
// buffers. Everything runs on the owner's thread; the output's buffer-done
// notifications reach bufferDone() through dispatch().
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "AudioSource.h"
#include "ByteRing.h"
#include "Mp3Source.h"
#include "TimeScaleModifier.h"
#include "components/wave/DoneQueue.h"
#include "components/wave/OutputDevice.h"
#include "sonavel.h"

namespace sonavel {

namespace wave = components::wave;

enum State : uint32_t { kPlaying = 0, kStopped = 1, kPaused = 2 };

class PlaybackEngine final : private wave::BufferListener {
 public:
  static constexpr int kBuffers = 8;
  static constexpr size_t kNameSize = 4096;

  // Makes the output device at every Play.
  using OutputFactory = std::function<std::unique_ptr<wave::OutputDevice>(wave::DoneQueue &, wave::BufferListener &)>;

  explicit PlaybackEngine(OutputFactory factory);
  ~PlaybackEngine();
  PlaybackEngine(const PlaybackEngine &) = delete;
  PlaybackEngine &operator=(const PlaybackEngine &) = delete;

  int32_t openFile(const char *path);
  int32_t play();
  int32_t stop();
  int32_t pause();
  int32_t restart();
  int32_t setRange(uint32_t start, uint32_t end, int32_t unit);
  int32_t enableLoop(int32_t flag);
  int32_t resetRange();
  double setRate(double rate);
  double rate() const { return rate_; }
  uint32_t state() const { return state_; }
  uint32_t sampleRate() const { return format_.samplesPerSec; }
  uint16_t channels() const { return format_.channels; }
  int32_t setPosition(uint32_t value, int32_t unit);
  uint32_t position(int32_t unit) const;
  bool isLoaded() const { return fileName_[0] != 0; }
  void close();
  const char *fileName() const { return fileName_.data(); }
  uint32_t totalTime() const;

  int32_t convertToPcm();
  int32_t convertToWave(const char *source, const char *destination);
  void stopConvert() { conversionSource_.requestStop(); }
  int32_t progress() const { return conversionSource_.progress(); }
  // Waits for a running WAV conversion to end.
  void joinConversion();

  TimeScaleModifier &modifier() { return modifier_; }

  int eventDescriptor() const { return queue_.descriptor(); }
  // Hands the waiting buffer-done notifications to the engine.
  size_t dispatch(size_t limit = std::numeric_limits<size_t>::max()) { return queue_.dispatch(limit); }

  // Inspection.
  uint32_t bufferSize() const { return bufferSize_; }
  const SonavelWaveFormat &format() const { return format_; }
  wave::OutputDevice *device() { return device_.get(); }
  const wave::Buffer &header(int k) const { return headers_[size_t(k)]; }
  bool seekInProgress() const { return seekInProgress_; }
  AudioSource *source() { return source_.get(); }
  uint32_t rangeStart() const { return rangeStart_; }
  uint32_t rangeEnd() const { return rangeEnd_; }
  int32_t loopFlag() const { return loop_; }

 private:
  void bufferDone(wave::Buffer &header) override;
  void fill(wave::Buffer &header);
  void applyRate(double rate);
  // Back to no file, as at load (the rate stays).
  void forgetFile();
  void silenceBuffers();
  uint32_t sourcePosition() const;

  TimeScaleModifier modifier_;
  SonavelWaveFormat format_{};
  std::unique_ptr<AudioSource> source_;
  wave::DoneQueue queue_;  // the hidden window's part: buffer-done notifications for this thread
  std::array<char, kNameSize> fileName_{};
  uint32_t bufferSize_ = 0;
  std::unique_ptr<wave::OutputDevice> device_;
  bool deviceOpen_ = false;
  std::array<wave::Buffer, kBuffers> headers_{};
  std::array<std::vector<uint8_t>, kBuffers> buffers_;
  uint32_t state_ = kStopped;
  uint32_t rangeStart_ = 0;
  uint32_t rangeEnd_ = 0;
  int32_t loop_ = 0;
  ByteRing ring_;
  double rate_ = 0.0;
  uint32_t position_ = 0;
  bool seekInProgress_ = false;
  uint32_t returnedBuffers_ = 0;
  Mp3Source conversionSource_;

  OutputFactory factory_;
  std::vector<uint8_t> scratch_;
  std::thread conversion_;
};

}  // namespace sonavel
