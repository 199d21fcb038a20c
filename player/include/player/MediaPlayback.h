// What the main window's MP3 and WAV players need of their audio components.
// The components (the MPEG source with its output, the WAV file player) are
// adapted to these interfaces by the window; tests put fakes in their place.
// Every call and every event is on the main thread.
#pragma once

#include <cstdint>
#include <string>

namespace player {

// Events of an output. Each start carries a number from the caller, and the
// events of that output report it back, so that the late event of an output
// that has since been stopped or restarted is recognised and ignored.
class PlaybackEvents {
 public:
  virtual void started(uint64_t number) = 0;
  // The output stopped by itself (the end of the file) or was stopped.
  virtual void stopped(uint64_t number) = 0;

 protected:
  ~PlaybackEvents() = default;
};

// An MPEG audio file source and the output it feeds.
class MpegPlayback {
 public:
  virtual ~MpegPlayback() = default;
  virtual void setEvents(PlaybackEvents *events) = 0;

  // --- The source -------------------------------------------------------------
  // Loads a file; false (nothing loaded) when it is not MPEG audio with at
  // least one frame.
  virtual bool load(const std::string &path) = 0;
  virtual void unload() = 0;
  virtual bool loaded() const = 0;
  virtual uint64_t frames() const = 0;
  virtual double msPerFrame() const = 0;
  virtual int bitRateKbps() const = 0;  // 0 for a variable bit rate
  virtual int channelMode() const = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  virtual uint64_t currentFrame() const = 0;
  // Moves the source to a frame (clamped to the file); an open output plays
  // on from there once refill() has discarded its queued buffers.
  virtual void seekFrame(uint64_t frame) = 0;

  // --- The output ---------------------------------------------------------------
  // Opens the output and plays the loaded file from its first frame; the
  // started event follows. False when the output cannot be opened.
  virtual bool start(uint64_t number) = 0;
  // Closes the output; the stopped event follows.
  virtual void stop() = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
  virtual bool started() const = 0;
  virtual bool paused() const = 0;
  // Discards the queued buffers and refills them from the source's
  // position; the position restarts at 0. The pause state stays.
  virtual void refill() = 0;
  // Milliseconds played since the start or the last refill.
  virtual int64_t positionMs() const = 0;
};

// A WAV file player: its own file reader and output.
class WavPlayback {
 public:
  virtual ~WavPlayback() = default;
  // Only stopped is raised.
  virtual void setEvents(PlaybackEvents *events) = 0;

  // Opens a file; false when it cannot be read or played.
  virtual bool open(const std::string &path) = 0;
  virtual void close() = 0;
  virtual uint16_t channels() const = 0;  // 1 mono, 2 or more stereo
  virtual uint32_t sampleRate() const = 0;
  virtual uint16_t bitsPerSample() const = 0;  // 0 for an encoding without a sample width
  virtual uint64_t dataBytes() const = 0;
  virtual uint64_t averageBytesPerSecond() const = 0;
  virtual int64_t lengthMs() const = 0;
  virtual int64_t positionMs() const = 0;

  // Starts playing from the position; false when the output cannot be opened.
  virtual bool play(uint64_t number) = 0;
  virtual void pause() = 0;
  virtual void restart() = 0;  // resumes after pause()
  virtual void stop() = 0;
  // Open and started, paused or not.
  virtual bool playing() const = 0;
  virtual void seekMs(int64_t position) = 0;
};

}  // namespace player
