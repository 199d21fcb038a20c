// Reads an MP3 file (MPEG-1, 2 and 2.5 Layer III) frame by frame and
// delivers 16-bit stereo PCM at the stream's own rate. Timing follows whole
// frames and a frame count estimated from the first header and the file
// size. The same object runs a conversion into a WAV file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AudioSource.h"
#include "ByteRing.h"
#include "Mp3Decoder.h"
#include "Mp3Frames.h"

namespace sonavel {

class Mp3Source final : public AudioSource {
 public:
  // Milliseconds per frame, rounded to single precision.
  static float timePerFrame(uint32_t sampleRate, uint32_t samplesPerFrame);
  // File size ÷ (frame length without padding + 1).
  static uint32_t estimateFrames(uint64_t fileSize, const FrameHeader &first);
  // count × 100 ÷ total (above 100 for a file longer than its estimate).
  static int32_t progressOf(uint64_t count, uint32_t total);

  int32_t open(const char *path, SonavelWaveFormat &format) override;
  int32_t read(uint8_t *destination, int32_t length) override;
  void close() override;
  void seek(uint32_t value, int32_t unit) override;
  uint32_t position(int32_t unit) const override;
  uint32_t totalTime() const override { return totalTime_; }
  // Writes NAME.PCM beside the file: every frame from the first, 16-bit
  // stereo. 0 when that file cannot be written.
  int32_t convertToPcm() override;
  uint32_t sampleRate() const override { return sampleRate_; }

  uint32_t estimatedFrames() const { return estimatedFrames_; }
  uint32_t decodedFrames() const { return decodedFrames_; }
  uint32_t samplesPerFrame() const { return samplesPerFrame_; }

  // The WAV conversion job: paths and counters are set on the caller's
  // thread, run() on the conversion thread. After each frame written the
  // observer (if any) sees the frame count.
  using FrameObserver = std::function<void(uint32_t frames)>;
  void prepareConversion(const char *source, const char *destination);
  void runWaveConversion(const FrameObserver &observer = {});
  void requestStop() { stopRequest_.store(1); }
  int32_t progress() const { return progress_.load(); }

 private:
  bool openStream(const char *path);
  // The next frame decoded into scratch_; false at the end of the data.
  bool decodeNext();
  uint32_t frameBytes() const { return samplesPerFrame_ * 4; }

  uint32_t sampleRate_ = 0;
  ByteRing ring_;
  uint32_t decodedFrames_ = 0;
  uint32_t bytesPerFrameEstimate_ = 0;
  uint32_t estimatedFrames_ = 0;
  uint32_t totalTime_ = 0;
  std::string destinationPath_;
  std::string sourcePath_;
  std::atomic<int32_t> progress_{0};
  std::atomic<int32_t> stopRequest_{0};

  std::string path_;
  FrameReader reader_;
  Mp3Decoder decoder_;
  float timePerFrame_ = 0;
  uint32_t samplesPerFrame_ = 0;
  std::vector<uint8_t> frame_;
  std::vector<uint8_t> scratch_;
};

}  // namespace sonavel
