// A player over doubles: views that keep what they were shown, timers and
// posted events the test runs, MP3 and WAV components that report what they
// were asked, and virtual wave devices on the driven clock, so that every
// buffer event happens when the test says.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "components/ScriptedJobUi.h"
#include "components/wave/VirtualInput.h"
#include "components/wave/VirtualOutput.h"
#include "player/Player.h"
#include "testsupport/TempDir.h"

namespace playertest {

using player::ButtonChange;
using player::Clock;

class FakeDisplay : public player::PlayDisplay {
 public:
  void showPlayKind(std::string_view t) override { kind = t; }
  void showBitRate(int64_t w, int64_t t) override { bitRate = {w, t}; }
  void showStereo(bool s) override { stereo = s; }
  void showTotalTime(int64_t h, int64_t m, int64_t s) override { total = {h, m, s}; }
  void showElapsedTime(int64_t h, int64_t m, int64_t s) override {
    elapsed = {h, m, s};
    ++elapsedWrites;
  }
  void showPosition(int p) override { positions.push_back(p); }
  void showFileName(std::string_view n) override { fileName = n; }
  void showLevels(const player::LevelFrame &f) override { levels = f; }
  void showRetryPanel(bool v) override { retryPanel = v; }

  int position() const { return positions.empty() ? -1 : positions.back(); }

  std::string kind, fileName;
  std::pair<int64_t, int64_t> bitRate{-1, -1};
  std::optional<bool> stereo;
  Clock total{-1, -1, -1}, elapsed{-1, -1, -1};
  int elapsedWrites = 0;
  std::vector<int> positions;
  player::LevelFrame levels;
  std::optional<bool> retryPanel;
};

class FakeButtons : public player::TransportButtons {
 public:
  void setButtons(const ButtonChange &c) override {
    ++calls;
    if (c.record) record = *c.record;
    if (c.play) play = *c.play;
    if (c.pause) pause = *c.pause;
  }
  int calls = 0;
  bool record = true, play = true, pause = true;
};

class FakeEvents : public player::PlayerEvents {
 public:
  void runDisplayTimer(bool on) override { displayTimer = on; }
  void runMpegTimer(bool on) override { mpegTimer = on; }
  void post(std::function<void()> e) override { posted.push_back(std::move(e)); }
  // Runs the posted events, those they post included; returns how many ran.
  int runPosted() {
    int n = 0;
    while (!posted.empty()) {
      auto e = std::move(posted.front());
      posted.pop_front();
      e();
      ++n;
    }
    return n;
  }
  bool displayTimer = false, mpegTimer = false;
  std::deque<std::function<void()>> posted;
};

class FakeLists : public player::PlayerLists {
 public:
  int activeList() const override { return active; }
  std::filesystem::path pcFolder() const override { return folder; }
  std::optional<std::string> pcSelectedName() const override { return pcName; }
  std::optional<int> recorderSelectedIndex() const override { return recorderIndex; }
  void refreshPcList() override { ++refreshes; }
  std::optional<std::filesystem::path> askSavePath(const std::filesystem::path &start) override {
    askedIn.push_back(start);
    if (saveAnswers.empty()) return std::nullopt;
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }

  int active = 0;
  std::filesystem::path folder;
  std::optional<std::string> pcName;
  std::optional<int> recorderIndex;
  int refreshes = 0;
  std::deque<std::optional<std::filesystem::path>> saveAnswers;
  std::vector<std::filesystem::path> askedIn;
};

// An MPEG source and output that play what the test sets.
class FakeMpeg : public player::MpegPlayback {
 public:
  void setEvents(player::PlaybackEvents *e) override { events = e; }
  bool load(const std::string &path) override {
    ++loads;
    isLoaded = valid;
    loadedPath = path;
    current = 0;
    return valid;
  }
  void unload() override { isLoaded = false; }
  bool loaded() const override { return isLoaded; }
  uint64_t frames() const override { return frameCount; }
  double msPerFrame() const override { return ms; }
  int bitRateKbps() const override { return kbps; }
  int channelMode() const override { return mode; }
  uint64_t currentFrame() const override { return current; }
  void seekFrame(uint64_t f) override { current = std::min(f, frameCount); }
  bool start(uint64_t n) override {
    ++starts;
    if (failStart) return false;
    isStarted = true;
    isPaused = false;
    number = n;
    if (events) events->started(n);
    return true;
  }
  void stop() override {
    ++stops;
    isStarted = false;
    isPaused = false;
    if (events) events->stopped(number);
  }
  void pause() override { isPaused = true; }
  void resume() override { isPaused = false; }
  bool started() const override { return isStarted; }
  bool paused() const override { return isPaused; }
  void refill() override {
    ++refills;
    position = 0;
  }
  int64_t positionMs() const override { return position; }

  // The end of the file: the output stops by itself.
  void finish() {
    isStarted = false;
    if (events) events->stopped(number);
  }

  player::PlaybackEvents *events = nullptr;
  bool valid = true, failStart = false;
  bool isLoaded = false, isStarted = false, isPaused = false;
  uint64_t frameCount = 1000, current = 0, number = 0;
  double ms = 26.0;
  int kbps = 128, mode = 0;
  int64_t position = 0;
  int loads = 0, starts = 0, stops = 0, refills = 0;
  std::string loadedPath;
};

class FakeWav : public player::WavPlayback {
 public:
  void setEvents(player::PlaybackEvents *e) override { events = e; }
  bool open(const std::string &path) override {
    ++opens;
    openedPath = path;
    isOpen = canOpen;
    return canOpen;
  }
  void close() override { isOpen = false; }
  uint16_t channels() const override { return ch; }
  uint32_t sampleRate() const override { return rate; }
  uint16_t bitsPerSample() const override { return bits; }
  uint64_t dataBytes() const override { return data; }
  uint64_t averageBytesPerSecond() const override { return average; }
  int64_t lengthMs() const override { return length; }
  int64_t positionMs() const override { return position; }
  bool play(uint64_t n) override {
    if (!isOpen) return false;
    isPlaying = true;
    number = n;
    return true;
  }
  void pause() override { isPaused = true; }
  void restart() override { isPaused = false; }
  void stop() override { isPlaying = false; }
  bool playing() const override { return isPlaying; }
  void seekMs(int64_t p) override { seeks.push_back(p); }

  void finish() {
    isPlaying = false;
    if (events) events->stopped(number);
  }

  player::PlaybackEvents *events = nullptr;
  bool canOpen = true, isOpen = false, isPlaying = false, isPaused = false;
  uint16_t ch = 1, bits = 16;
  uint32_t rate = 8000;
  uint64_t data = 160000, average = 16000, number = 0;
  int64_t length = 10000, position = 0;
  int opens = 0;
  std::string openedPath;
  std::vector<int64_t> seeks;
};

// The virtual output with a count of its openings.
class CountingOutput final : public components::wave::OutputDevice {
 public:
  CountingOutput(components::wave::DoneQueue &q, components::wave::BufferListener &l)
      : OutputDevice(q, l), inner(q, l, components::wave::VirtualOutput::Clock::Driven) {}
  bool open(const components::wave::PcmFormat &f) override {
    ++opens;
    return !refuseOpen && inner.open(f);
  }
  bool isOpen() const override { return inner.isOpen(); }
  components::wave::PcmFormat format() const override { return inner.format(); }
  bool write(components::wave::Buffer &b) override { return inner.write(b); }
  void pause() override { inner.pause(); }
  void resume() override { inner.resume(); }
  void reset() override { inner.reset(); }
  void close() override { inner.close(); }
  uint64_t bytesPlayed() const override { return inner.bytesPlayed(); }

  components::wave::VirtualOutput inner;
  int opens = 0;
  bool refuseOpen = false;
};

struct RigOptions {
  recorder::FlashVolume *recorder = nullptr;
  components::ScriptedJobUi *ui = nullptr;  // the fixture's own when null
  bool outputDevice = true;
};

class PlayerRig {
 public:
  explicit PlayerRig(RigOptions options = {});
  ~PlayerRig();

  // Plays the oldest queued buffer, hands back what is done and runs the
  // posted events. False when nothing was queued.
  bool playOne();
  // Plays until nothing is queued; returns the buffers played.
  int playAll();
  // Records the rest of the oldest queued input buffer and hands it back.
  bool recordOne();
  void dispatch() { queue.dispatch(); }

  // A PC voice file in the PC folder with `data` behind its header.
  std::filesystem::path pcVoiceFile(const std::string &name, const std::vector<uint8_t> &data);
  // Selects a PC file and presses Play.
  void playPc(const std::string &name);

  components::ScriptedJobUi &ui() { return *ui_; }
  player::Player &p() { return *player; }
  // Message text keys shown, in order.
  std::vector<std::string> messageKeys() const;

  testsupport::TempDir temp;
  components::ScriptedJobUi ownUi;
  FakeDisplay display;
  FakeButtons buttons;
  FakeEvents events;
  FakeLists lists;
  FakeMpeg mpeg;
  FakeWav wave;
  components::wave::DoneQueue queue;
  CountingOutput *out = nullptr;
  components::wave::VirtualInput *in = nullptr;
  // Every buffer the output played, as played.
  std::vector<std::vector<uint8_t>> played;
  std::unique_ptr<player::Player> player;

 private:
  components::ScriptedJobUi *ui_;
};

// What voice::DecoderStream makes of coded data in 500-byte chunks (the last
// one zero-filled), keeping 16 PCM bytes per coded byte.
std::vector<uint8_t> decodeReference(const uint8_t *coded, size_t size);
std::vector<uint8_t> joined(const std::vector<std::vector<uint8_t>> &buffers, size_t from = 0);
// Equal bytes; else the sizes and the first difference, not the whole dump.
::testing::AssertionResult sameBytes(const std::vector<uint8_t> &got, const std::vector<uint8_t> &want);

}  // namespace playertest
