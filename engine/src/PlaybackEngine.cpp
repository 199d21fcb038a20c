#include "PlaybackEngine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>

#include "WavSource.h"

namespace sonavel {

namespace {
// The source kind by the last three characters of the path, any case.
enum class Kind { None, Wav, Mp3 };
Kind kindOf(const char *path, size_t length) {
  if (length < 3) return Kind::None;
  char end[4] = {};
  for (int k = 0; k < 3; ++k) end[k] = char(std::tolower(static_cast<unsigned char>(path[length - 3 + k])));
  if (std::strcmp(end, "wav") == 0) return Kind::Wav;
  if (std::strcmp(end, "mp3") == 0) return Kind::Mp3;
  return Kind::None;
}
}  // namespace

PlaybackEngine::PlaybackEngine(OutputFactory factory) : factory_(std::move(factory)) {}

PlaybackEngine::~PlaybackEngine() {
  // A conversion thread must not outlive the library, nor a device play freed buffers.
  stopConvert();
  joinConversion();
  if (device_) device_->close();
  device_.reset();
}

int32_t PlaybackEngine::openFile(const char *path) {
  if (!path || state_ != kStopped) return 0;
  size_t length = std::strlen(path);
  if (length >= kNameSize) return 0;
  Kind kind = kindOf(path, length);
  if (kind == Kind::None) return 0;

  // The current file goes first; a failed open leaves no file at all, never
  // the old name over a source that is gone.
  forgetFile();
  if (kind == Kind::Wav)
    source_ = std::make_unique<WavSource>();
  else
    source_ = std::make_unique<Mp3Source>();
  SonavelWaveFormat format{};
  if (!source_->open(path, format) || !modifier_.init(format)) {
    forgetFile();
    return 0;
  }
  // The buffer size changes only once every buffer has that size.
  const uint32_t align = std::max<uint32_t>(format.blockAlign, 1);
  const uint32_t bufferSize = format.avgBytesPerSec / 10 / align * align;
  try {
    for (size_t k = 0; k < kBuffers; ++k) {
      buffers_[k].assign(bufferSize, 0);
      headers_[k] = {};
    }
  } catch (const std::bad_alloc &) {
    forgetFile();
    return 0;
  }
  bufferSize_ = bufferSize;
  format_ = format;
  std::memcpy(fileName_.data(), path, length + 1);
  source_->seek(0, kMilliseconds);
  resetRange();
  return 1;
}

void PlaybackEngine::forgetFile() {
  source_.reset();
  fileName_[0] = 0;
  format_ = {};
  bufferSize_ = 0;
  position_ = 0;
  seekInProgress_ = false;
  rangeStart_ = rangeEnd_ = 0;
  loop_ = 0;
}

uint32_t PlaybackEngine::sourcePosition() const { return source_ ? source_->position(kSampleFrames) : 0; }

int32_t PlaybackEngine::play() {
  // From Paused the caller resumes with restart(): the device is open already.
  if (state_ != kStopped || !isLoaded() || !source_) return 0;
  if (!modifier_.init(format_)) return 0;
  applyRate(rate_);
  ring_.allocate(4 * bufferSize_);
  scratch_.assign(size_t(4) * bufferSize_, 0);  // never more than the ring takes

  // A new device: notifications of the previous one are never delivered.
  // One that cannot be made or opened refuses the Play: nothing would
  // sound and the position would never move.
  device_.reset();
  deviceOpen_ = false;
  try {
    device_ = factory_ ? factory_(queue_, *this) : nullptr;
    deviceOpen_ = device_ && device_->open({format_.channels, format_.samplesPerSec, format_.bitsPerSample});
  } catch (...) {
    deviceOpen_ = false;
  }
  if (!deviceOpen_) {
    device_.reset();
    return 0;
  }
  state_ = kPlaying;
  position_ = 0;
  seekInProgress_ = false;
  device_->pause();
  for (size_t k = 0; k < kBuffers; ++k) {
    wave::Buffer &h = headers_[k];
    h = {};
    h.data = buffers_[k].data();
    h.length = bufferSize_;
    h.user = sourcePosition();
    fill(h);
  }
  if (device_ && state_ == kPlaying) device_->resume();
  return 1;
}

void PlaybackEngine::silenceBuffers() {
  for (auto &b : buffers_) std::fill(b.begin(), b.end(), uint8_t(0));
}

int32_t PlaybackEngine::stop() {
  state_ = kStopped;
  if (device_ && deviceOpen_) device_->pause();
  silenceBuffers();
  ring_.clear();
  modifier_.clear();
  if (device_ && deviceOpen_) {
    // Every queued buffer comes back as done; those notifications update
    // the position when dispatched and refill nothing.
    device_->reset();
    device_->close();
  }
  deviceOpen_ = false;
  return 1;
}

int32_t PlaybackEngine::pause() {
  if (state_ != kPlaying) return 0;
  if (device_) device_->pause();
  state_ = kPaused;
  return 1;
}

int32_t PlaybackEngine::restart() {
  if (state_ != kPaused) return 0;
  if (device_) device_->resume();
  state_ = kPlaying;
  return 1;
}

void PlaybackEngine::fill(wave::Buffer &header) {
  if (state_ == kStopped) return;
  // DllMS_Init shares the modifier: the file plays on in its own format (at
  // the stored rate) whatever was set there meanwhile.
  if (!modifier_.formatIs(format_)) {
    if (!modifier_.init(format_)) {
      stop();
      return;
    }
    applyRate(rate_);
  }
  try {
    const uint32_t align = std::max<uint32_t>(format_.blockAlign, 1);
    while (ring_.filled() < bufferSize_) {
      // No more input than the ring takes the output of: at a speed set
      // directly far below 0.5x a buffer of input gives more than that.
      uint32_t want = std::min<uint32_t>(bufferSize_, uint32_t(modifier_.maxInput(ring_.free())));
      want -= want % align;
      if (want == 0 || int64_t(scratch_.size()) < modifier_.maxOutput(int32_t(want))) break;
      int32_t got = source_ ? source_->read(header.data, int32_t(want)) : 0;
      if (got <= 0 || uint32_t(got) < want) break;  // a short tail is not played
      int32_t produced = 0;
      modifier_.process(header.data, got, scratch_.data(), &produced);
      if (!ring_.write(scratch_.data(), uint32_t(produced))) break;
    }
  } catch (...) {
    stop();
    return;
  }
  uint32_t n = std::min(ring_.filled(), bufferSize_);
  ring_.read(header.data, n);
  header.length = n;
  if (device_) device_->write(header);
}

void PlaybackEngine::bufferDone(wave::Buffer &header) {
  // No refill marks a buffer as the last: the caller sees the end from the
  // position and stops, so every user word is a real position.
  if (!seekInProgress_) {
    position_ = header.user;
    fill(header);
    header.user = sourcePosition();
    return;
  }
  if (++returnedBuffers_ < kBuffers) return;
  seekInProgress_ = false;
  for (auto &h : headers_) {
    h.user = sourcePosition();
    fill(h);
  }
}

int32_t PlaybackEngine::setRange(uint32_t start, uint32_t end, int32_t unit) {
  if (unit == kSampleFrames) {
    uint32_t rate = source_ ? source_->sampleRate() : 0;
    if (rate == 0) return 0;
    rangeStart_ = uint32_t(uint64_t(start) * 1000 / rate);
    rangeEnd_ = uint32_t(uint64_t(end) * 1000 / rate);
    return int32_t(rangeEnd_);
  }
  rangeStart_ = start;
  rangeEnd_ = end;
  return unit;
}

int32_t PlaybackEngine::enableLoop(int32_t flag) {
  loop_ = flag;
  return flag;
}

int32_t PlaybackEngine::resetRange() {
  if (source_) {
    loop_ = 0;
    rangeStart_ = 0;
    rangeEnd_ = source_->totalTime();
  }
  return 0;
}

void PlaybackEngine::applyRate(double rate) {
  if (rate == 0.0)
    modifier_.setMode(1.0, TimeScaleModifier::kNormal);
  else if (rate > 0)
    modifier_.setMode(1.0 + rate / 2.0, TimeScaleModifier::kFaster);
  else
    modifier_.setMode(1.0 - rate / 2.0, TimeScaleModifier::kSlower);
}

double PlaybackEngine::setRate(double rate) {
  if (std::isnan(rate) || std::fabs(rate) > 2.0) return rate_;
  if (isLoaded()) applyRate(rate);
  rate_ = rate;
  return rate_;
}

int32_t PlaybackEngine::setPosition(uint32_t value, int32_t unit) {
  const uint32_t rate = format_.samplesPerSec;
  if (!source_ || !isLoaded() || rate == 0) return 0;
  const bool frames = unit != kMilliseconds;
  uint64_t target = frames ? uint64_t(value) * 1000 / rate : value;
  if (target < rangeStart_ || target > rangeEnd_) return 0;

  // A seek while the buffers of an earlier one are still coming back keeps
  // counting them: the reset below hands back only what the device holds.
  if (!seekInProgress_) returnedBuffers_ = 0;
  seekInProgress_ = true;
  position_ = frames ? value : uint32_t(uint64_t(value) * rate / 1000);
  if (device_ && deviceOpen_) device_->pause();
  silenceBuffers();
  ring_.clear();
  modifier_.clear();
  if (device_ && deviceOpen_) {
    device_->reset();
    if (state_ == kPlaying) device_->resume();
  }
  source_->seek(value, frames ? kSampleFrames : kMilliseconds);
  return 1;
}

uint32_t PlaybackEngine::position(int32_t unit) const {
  if (unit != kMilliseconds) return position_;
  if (format_.samplesPerSec == 0) return 0;
  return uint32_t(double(position_) * 1000.0 / double(format_.samplesPerSec));
}

void PlaybackEngine::close() {
  if (isLoaded() && source_) source_->close();
}

uint32_t PlaybackEngine::totalTime() const { return source_ ? source_->totalTime() : 0; }

int32_t PlaybackEngine::convertToPcm() {
  // The open file's own source: never while it plays.
  if (!source_ || !isLoaded() || state_ != kStopped) return 0;
  return source_->convertToPcm();
}

void PlaybackEngine::joinConversion() {
  if (conversion_.joinable()) conversion_.join();
}

int32_t PlaybackEngine::convertToWave(const char *source, const char *destination) {
  // One conversion at a time: a running one is stopped first.
  if (conversion_.joinable()) {
    stopConvert();
    joinConversion();
  }
  conversionSource_.prepareConversion(source, destination);
  try {
    conversion_ = std::thread([this] { conversionSource_.runWaveConversion(); });
  } catch (...) {
    conversionSource_.requestStop();
  }
  return 1;
}

}  // namespace sonavel
