#include "player/ComponentPlayback.h"

#include <algorithm>

namespace player {

namespace wave = components::wave;

// --- PostedStops -----------------------------------------------------------------------

// A device that never plays: it only posts its one marker buffer, once per
// number waiting.
class PostedStops::Poster final : public wave::Device, private wave::BufferListener {
 public:
  Poster(wave::DoneQueue &queue, PostedStops &owner) : Device(queue, *this), owner_(owner) {}
  void post() { notifyDone(&marker_); }

 private:
  void bufferDone(wave::Buffer &) override {
    if (owner_.numbers_.empty()) return;
    uint64_t number = owner_.numbers_.front();
    owner_.numbers_.pop_front();
    // Last: the receiver may start or stop outputs.
    if (owner_.deliver_) owner_.deliver_(number);
  }

  PostedStops &owner_;
  wave::Buffer marker_{};
};

PostedStops::PostedStops(wave::DoneQueue &queue, std::function<void(uint64_t)> deliver)
    : deliver_(std::move(deliver)), poster_(std::make_unique<Poster>(queue, *this)) {}

PostedStops::~PostedStops() = default;

void PostedStops::post(uint64_t number) {
  numbers_.push_back(number);
  poster_->post();
}

namespace {

components::PlaybackPump::Tap levelTap(LevelAnalyzer *levels) {
  if (!levels) return {};
  return [levels](const uint8_t *data, size_t size, const wave::PcmFormat &format) { levels->feed(data, size, format); };
}

}  // namespace

// --- MP3 -----------------------------------------------------------------------------------

ComponentMpegPlayback::ComponentMpegPlayback(wave::DoneQueue &queue, DeviceFactory makeDevice)
    : output_(source_, queue, std::move(makeDevice)), stops_(queue, [this](uint64_t n) {
        if (events_) events_->stopped(n);
      }) {
  output_.setOnStarted([this] {
    if (events_ && live_) events_->started(number_);
  });
  output_.setOnStopped([this] { playedOut(); });
}

ComponentMpegPlayback::~ComponentMpegPlayback() {
  // The output goes before the source it reads.
  output_.stop();
}

void ComponentMpegPlayback::setLevels(LevelAnalyzer *levels) { output_.setTap(levelTap(levels)); }

bool ComponentMpegPlayback::load(const std::string &path) {
  unload();
  return source_.load(path);
}

void ComponentMpegPlayback::unload() {
  // The source is never unloaded under an open output.
  if (output_.isOpen()) stop();
  source_.unload();
  seekPending_ = false;
}

uint64_t ComponentMpegPlayback::frames() const { return uint64_t(std::max(0L, source_.frames())); }

uint64_t ComponentMpegPlayback::currentFrame() const {
  long frame = !seekPending_ && output_.isOpen() ? output_.playingFrame() : source_.currentFrame();
  return uint64_t(std::clamp(frame, 0L, std::max(0L, source_.frames())));
}

void ComponentMpegPlayback::seekFrame(uint64_t frame) {
  if (!source_.isLoaded()) return;
  source_.seekFrame(long(std::min(frame, frames())));
  // An open output plays what it holds until refill().
  seekPending_ = output_.isOpen();
}

bool ComponentMpegPlayback::start(uint64_t number) {
  // The output restarts (MpegOutput::start stops what plays first).
  if (live_) {
    live_ = false;
    stops_.post(number_);
  }
  number_ = number;
  seekPending_ = false;
  live_ = output_.start();
  return live_;
}

void ComponentMpegPlayback::stop() {
  output_.stop();
  seekPending_ = false;
  if (!live_) return;
  live_ = false;
  stops_.post(number_);
}

void ComponentMpegPlayback::refill() {
  seekPending_ = false;
  output_.refill();
}

void ComponentMpegPlayback::playedOut() {
  // The file has played out: the output closes and says so.
  output_.stop();
  if (!live_) return;
  live_ = false;
  if (events_) events_->stopped(number_);
}

// --- WAV -----------------------------------------------------------------------------------

ComponentWavPlayback::ComponentWavPlayback(wave::DoneQueue &queue, DeviceFactory makeDevice)
    : player_(queue, std::move(makeDevice)), stops_(queue, [this](uint64_t n) {
        if (events_) events_->stopped(n);
      }) {
  player_.setOnStopped([this] { playedOut(); });
}

ComponentWavPlayback::~ComponentWavPlayback() { player_.close(); }

void ComponentWavPlayback::setLevels(LevelAnalyzer *levels) { player_.setTap(levelTap(levels)); }

bool ComponentWavPlayback::open(const std::string &path) {
  close();
  return player_.open(path);
}

void ComponentWavPlayback::close() {
  stop();
  player_.close();
}

bool ComponentWavPlayback::play(uint64_t number) {
  // From the position set: a stop would rewind it.
  if (live_) {
    live_ = false;
    stops_.post(number_);
  }
  number_ = number;
  live_ = player_.play();
  return live_;
}

void ComponentWavPlayback::stop() {
  player_.stop();
  if (!live_) return;
  live_ = false;
  stops_.post(number_);
}

void ComponentWavPlayback::seekMs(int64_t position) { player_.setPositionMs(uint64_t(std::max<int64_t>(0, position))); }

void ComponentWavPlayback::playedOut() {
  player_.stop();
  if (!live_) return;
  live_ = false;
  if (events_) events_->stopped(number_);
}

}  // namespace player
