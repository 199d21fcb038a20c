// What the MP3 component knows of an MPEG audio file, read by walking every
// frame header with libmpg123: the main window's MP3 display (through
// MpegSource) and the header of an MP3 file written to the recorder both use
// it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace components {

struct MpegInfo {
  long frames = 0;             // whole frames, gapless trimming off
  double msPerFrame = 0;
  int bitrateKbps = 0;         // 0 for a variable bit rate (frames of different rates, or tagged so)
  int channelMode = 0;         // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  long sampleRate = 0;
  int channels = 0;            // of the decoded PCM: 1 for single channel, else 2
  int samplesPerFrame = 0;

  // Duration in milliseconds, rounded up to whole seconds as the time
  // displays show it.
  uint64_t durationMsRoundedUp() const;
};

// Scans a file; nothing when it is not MPEG audio with at least one frame.
std::optional<MpegInfo> scanMpegFile(const std::string &path);

// The four audio-info bytes of an MP3 file's recorder header: the average
// data rate in units of 200 bytes per second, then hours, minutes and
// seconds of the duration. Returns false (outputs unchanged) when the file is
// not MPEG audio. A file without a whole second of audio keeps rate as it
// was: a rate over no time has no value.
bool SetDownMpegFileParams(const std::string &path, uint8_t &rate, uint8_t &hours, uint8_t &minutes,
                           uint8_t &seconds);

}  // namespace components
