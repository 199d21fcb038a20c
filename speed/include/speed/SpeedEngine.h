// What the speed player asks of the playback engine: the calls it makes, in
// sample frames. The program uses Sonavel's exports (makeSonavelEngine);
// tests put a scripted engine behind the same interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace speed {

class SpeedEngine {
 public:
  enum State : uint32_t { Playing = 0, Stopped = 1, Paused = 2 };

  virtual ~SpeedEngine() = default;

  virtual bool openFile(const std::string &path) = 0;
  virtual void play() = 0;
  virtual void stop() = 0;
  virtual void close() = 0;
  virtual bool isLoaded() = 0;
  virtual uint32_t state() = 0;
  virtual void setRate(double rate) = 0;
  virtual uint32_t position() = 0;                // sample frames
  virtual void setPosition(uint32_t frame) = 0;  // sample frames
  // Sample frames the open file plays: where the position stops at its end.
  virtual int64_t lengthFrames() = 0;

  // Converting an MP3 file into a WAV file on the engine's thread.
  virtual void convertToWave(const std::string &source, const std::string &destination) = 0;
  virtual int progress() = 0;  // percent; 100 when the conversion has ended
  virtual void stopConvert() = 0;
};

// The engine of libsonavel.so.
std::unique_ptr<SpeedEngine> makeSonavelEngine();

}  // namespace speed
