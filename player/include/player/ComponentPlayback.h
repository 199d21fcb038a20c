// The MP3 and WAV players of MediaPlayback.h over the audio components: the
// MPEG source with its output (components::MpegSource, MpegOutput) and the
// WAV file player (components::WavePlayer). Each makes its wave output
// device through the factory it is given (the sound card, or a virtual
// device in tests) and reports to the DoneQueue the host dispatches.
//
// Events: started as the component reports it; stopped once per start,
// either when the file has played out (the output is closed first) or
// after stop(), posted through the DoneQueue so that it never runs inside
// the call that caused it. Every buffer that plays is fed to the level
// analyzer given to setLevels().
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "components/mpeg/MpegOutput.h"
#include "components/mpeg/MpegSource.h"
#include "components/waveplayer/PlaybackPump.h"
#include "components/waveplayer/WavePlayer.h"
#include "player/Levels.h"
#include "player/MediaPlayback.h"

namespace player {

using DeviceFactory = components::PlaybackPump::DeviceFactory;

// Hands numbers to `deliver` from the DoneQueue: after the call that posted
// them has returned, in order with the buffers. Nothing arrives once it is
// gone.
class PostedStops {
 public:
  PostedStops(components::wave::DoneQueue &queue, std::function<void(uint64_t)> deliver);
  ~PostedStops();
  PostedStops(const PostedStops &) = delete;
  PostedStops &operator=(const PostedStops &) = delete;

  void post(uint64_t number);

 private:
  class Poster;
  std::function<void(uint64_t)> deliver_;
  std::deque<uint64_t> numbers_;
  std::unique_ptr<Poster> poster_;
};

class ComponentMpegPlayback final : public MpegPlayback {
 public:
  ComponentMpegPlayback(components::wave::DoneQueue &queue, DeviceFactory makeDevice);
  ~ComponentMpegPlayback() override;

  // The analyzer every played buffer is fed to; null: none.
  void setLevels(LevelAnalyzer *levels);

  void setEvents(PlaybackEvents *events) override { events_ = events; }
  bool load(const std::string &path) override;
  void unload() override;
  bool loaded() const override { return source_.isLoaded(); }
  uint64_t frames() const override;
  double msPerFrame() const override { return source_.msPerFrame(); }
  int bitRateKbps() const override { return source_.bitrateKbps(); }
  int channelMode() const override { return source_.channelMode(); }
  // The frame being heard while the output plays (the source decodes up to
  // 64 frames ahead of it); right after seekFrame() the frame sought to.
  uint64_t currentFrame() const override;
  void seekFrame(uint64_t frame) override;

  bool start(uint64_t number) override;
  void stop() override;
  void pause() override { output_.pause(); }
  void resume() override { output_.resume(); }
  bool started() const override { return output_.isStarted(); }
  bool paused() const override { return output_.isPaused(); }
  void refill() override;
  int64_t positionMs() const override { return int64_t(output_.positionMs()); }

 private:
  void playedOut();

  components::MpegSource source_;
  components::MpegOutput output_;
  PostedStops stops_;
  PlaybackEvents *events_ = nullptr;
  uint64_t number_ = 0;
  bool live_ = false;         // started, its stopped event not yet raised
  bool seekPending_ = false;  // the source moved; the output has not refilled yet
};

class ComponentWavPlayback final : public WavPlayback {
 public:
  ComponentWavPlayback(components::wave::DoneQueue &queue, DeviceFactory makeDevice);
  ~ComponentWavPlayback() override;

  void setLevels(LevelAnalyzer *levels);

  void setEvents(PlaybackEvents *events) override { events_ = events; }
  bool open(const std::string &path) override;
  void close() override;
  uint16_t channels() const override { return player_.channels(); }
  uint32_t sampleRate() const override { return player_.sampleRate(); }
  uint16_t bitsPerSample() const override { return player_.bitsPerSample(); }
  uint64_t dataBytes() const override { return player_.dataBytes(); }
  uint64_t averageBytesPerSecond() const override { return player_.averageBytesPerSecond(); }
  int64_t lengthMs() const override { return int64_t(player_.lengthMs()); }
  int64_t positionMs() const override { return int64_t(player_.positionMs()); }

  bool play(uint64_t number) override;
  void pause() override { player_.pause(); }
  void restart() override { player_.restart(); }
  void stop() override;
  bool playing() const override { return player_.isPlaying(); }
  void seekMs(int64_t position) override;

 private:
  void playedOut();

  components::WavePlayer player_;
  PostedStops stops_;
  PlaybackEvents *events_ = nullptr;
  uint64_t number_ = 0;
  bool live_ = false;
};

}  // namespace player
