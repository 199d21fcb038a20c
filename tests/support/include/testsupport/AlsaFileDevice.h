// ALSA's default device for this process as files, so that the road to the
// sound card runs without a sound card: what a PortAudio stream plays lands
// in played() byte for byte (after the stream's leading silence), and a
// capture stream reads the raw samples given to setCaptureSamples(). Both
// run faster than real time.
//
// ALSA reads its configuration (ALSA_CONFIG_PATH: the system's alsa.conf,
// then this device's file) when PortAudio first initialises, and PortAudio
// lists its devices then: install() before anything in the process touches
// PortAudio (from a static initialiser or the top of main), once per test
// program. A test that needs another configuration is a program of its own.
#pragma once

#include <filesystem>

#include "testsupport/Files.h"
#include "testsupport/TempDir.h"

namespace testsupport {

class AlsaFileDevice {
 public:
  // The process's device, configured at the first call.
  static AlsaFileDevice &install();

  // The raw samples of the last playback stream (ALSA's file device empties
  // its file whenever a stream opens), or since clearPlayed().
  Bytes played() const { return readFile(playbackFile_); }
  void clearPlayed() const;
  // The raw samples, in the stream's format, that the next capture stream
  // reads from their start. Past their end a capture reads leftovers.
  void setCaptureSamples(const Bytes &samples) const;

  const std::filesystem::path &playbackFile() const { return playbackFile_; }
  const std::filesystem::path &captureFile() const { return captureFile_; }

 private:
  AlsaFileDevice();

  TempDir dir_;
  std::filesystem::path playbackFile_;
  std::filesystem::path captureFile_;
};

}  // namespace testsupport
