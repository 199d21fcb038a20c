#include "components/waveviews/PeakCache.h"

#include <algorithm>
#include <chrono>

#include "PeakStore.h"
#include "components/wavefile/WaveDecoder.h"

namespace components::waveviews {

namespace {

int64_t ceilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

}  // namespace

PeakCache::PeakCache() = default;

PeakCache::~PeakCache() { clear(); }

int64_t PeakCache::levelFrames(int level) {
  int64_t frames = kBaseFrames;
  for (int i = 0; i < level; ++i) frames *= kLevelFactor;
  return frames;
}

int PeakCache::levelFor(int64_t framesPerPixel) {
  if (framesPerPixel < kBaseFrames) return -1;
  int level = 0;
  while (levelFrames(level + 1) <= framesPerPixel) ++level;
  return level;
}

int PeakCache::percent() const {
  const int64_t total = frames();
  if (total <= 0) return finished() ? 100 : 0;
  return static_cast<int>(std::min<int64_t>(100, filledFrames() * 100 / total));
}

size_t PeakCache::memoryBytes() const {
  size_t bytes = sizeof(*this);
  for (const auto &level : levels_) bytes += level.capacity() * sizeof(Peak);
  return bytes;
}

bool PeakCache::open(const std::string &path, std::string *error) {
  clear();
  // Stamped before the decoder reads anything: a write racing the build
  // leaves a stamp that no longer matches, so no side file claims it.
  SourceStamp stamp;
  if (!stampOf(path, stamp)) stamp = {};
  auto decoder = std::make_unique<WaveDecoder>();
  std::string why;
  if (!decoder->open(path, &why)) {
    if (error) *error = why;
    result_.store(Result::Failed, std::memory_order_release);
    return false;
  }
  path_ = path;
  sourceBytes_ = stamp.bytes;
  sourceMtimeNs_ = stamp.mtimeNs;
  channels_ = decoder->channels();
  sampleRate_ = static_cast<int>(decoder->sampleRate());
  const int64_t frames = static_cast<int64_t>(decoder->frames());
  frames_.store(frames, std::memory_order_release);
  int64_t entries = ceilDiv(frames, kBaseFrames);
  while (entries > 0) {
    levels_.emplace_back(static_cast<size_t>(entries));
    if (entries == 1) break;
    entries = ceilDiv(entries, kLevelFactor);
  }
  source_ = std::move(decoder);
  return true;
}

bool PeakCache::start(const std::string &path, std::string *error) {
  if (!open(path, error)) return false;
  cancel_.store(false);
  finished_.store(false, std::memory_order_release);
  worker_ = std::thread([this] { run(); });
  return true;
}

PeakCache::Result PeakCache::build(const std::string &path, const Progress &progress, std::string *error,
                                   int intervalMs) {
  if (!start(path, error)) return Result::Failed;
  bool cancelled = false;
  while (!finished()) {
    {
      std::unique_lock lock(doneLock_);
      done_.wait_for(lock, std::chrono::milliseconds(std::max(1, intervalMs)), [this] { return finished(); });
    }
    if (progress && !cancelled && !finished() && !progress(percent())) {
      cancel();
      cancelled = true;
    }
  }
  const Result outcome = wait();
  if (outcome == Result::Done && progress) progress(100);
  return outcome;
}

void PeakCache::cancel() { cancel_.store(true, std::memory_order_release); }

PeakCache::Result PeakCache::wait() {
  if (worker_.joinable()) worker_.join();
  return result();
}

void PeakCache::clear() {
  cancel();
  wait();
  {
    std::lock_guard lock(readLock_);
    reader_.reset();
    window_.clear();
    windowStart_ = 0;
  }
  source_.reset();
  levels_.clear();
  path_.clear();
  sourceBytes_ = -1;
  sourceMtimeNs_ = 0;
  channels_ = 0;
  sampleRate_ = 0;
  frames_.store(0);
  filled_.store(0);
  cancel_.store(false);
  result_.store(Result::Done);
  finished_.store(true);
}

void PeakCache::run() {
  const int channels = std::max(1, channels_);
  std::vector<int16_t> buffer(static_cast<size_t>(kChunkFrames) * channels);
  int64_t position = 0;
  int64_t summarised = 0;  // base entries whose upper levels are done
  const int64_t total = frames();
  Result outcome = Result::Done;
  Peak *base = levels_.empty() ? nullptr : levels_[0].data();  // null only for an empty wave
  while (position < total) {
    if (cancel_.load(std::memory_order_acquire)) {
      outcome = Result::Cancelled;
      break;
    }
    const size_t want = static_cast<size_t>(std::min<int64_t>(kChunkFrames, total - position));
    const size_t got = source_->read(buffer.data(), want);
    // Channels merge, so a block's frames are one run of samples.
    for (size_t f = 0; f < got;) {
      const int64_t frame = position + static_cast<int64_t>(f);
      const size_t n = std::min<size_t>(got - f, static_cast<size_t>(kBaseFrames - frame % kBaseFrames));
      const int16_t *from = buffer.data() + f * channels;
      const auto [lo, hi] = std::minmax_element(from, from + n * channels);
      base[frame / kBaseFrames].add(Peak{*lo, *hi});
      f += n;
    }
    position += static_cast<int64_t>(got);
    if (got < want) {
      // The file stops decoding early: what decoded is the wave.
      frames_.store(position, std::memory_order_release);
      break;
    }
    const int64_t complete = position / kBaseFrames;
    summarise(summarised, complete, false);
    summarised = complete;
    filled_.store(position, std::memory_order_release);
  }
  if (outcome == Result::Done) {
    summarise(summarised, ceilDiv(position, kBaseFrames), true);
    filled_.store(position, std::memory_order_release);
  }
  source_.reset();
  {
    std::lock_guard lock(doneLock_);
    result_.store(outcome, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
  }
  done_.notify_all();
}

// Fills the upper levels from base entries [fromEntry, toEntry); `last`
// closes the partial entries at the end.
void PeakCache::summarise(int64_t fromEntry, int64_t toEntry, bool last) {
  int64_t from = fromEntry, to = toEntry;
  for (size_t level = 1; level < levels_.size(); ++level) {
    const int64_t upFrom = from / kLevelFactor;
    const int64_t upTo = last ? ceilDiv(to, kLevelFactor) : to / kLevelFactor;
    const std::vector<Peak> &below = levels_[level - 1];
    std::vector<Peak> &here = levels_[level];
    for (int64_t i = upFrom; i < upTo; ++i) {
      Peak peak;
      const int64_t end = std::min<int64_t>((i + 1) * kLevelFactor, static_cast<int64_t>(below.size()));
      for (int64_t j = i * kLevelFactor; j < end; ++j) peak.add(below[static_cast<size_t>(j)]);
      here[static_cast<size_t>(i)] = peak;
    }
    from = upFrom;
    to = upTo;
  }
}

Peak PeakCache::entry(int level, int64_t index) const {
  if (level < 0 || level >= levelCount() || index < 0) return {};
  const std::vector<Peak> &entries = levels_[static_cast<size_t>(level)];
  if (index >= static_cast<int64_t>(entries.size())) return {};
  const int64_t filled = filledFrames();
  const int64_t span = levelFrames(level);
  const bool whole = (index + 1) * span <= filled;
  const bool lastOfAll = filled >= frames() && index * span < filled;
  if (!whole && !lastOfAll) return {};
  return entries[static_cast<size_t>(index)];
}

namespace {

// The peak of entries [i0, i1) of `level`, taking whole entries of the
// levels above wherever they fit.
Peak entriesPeak(const PeakCache &cache, int level, int64_t i0, int64_t i1) {
  Peak peak;
  if (i0 >= i1) return peak;
  if (level + 1 < cache.levelCount()) {
    const int64_t f = PeakCache::kLevelFactor;
    const int64_t j0 = (i0 + f - 1) / f, j1 = i1 / f;
    if (j0 < j1) {
      for (int64_t i = i0; i < j0 * f; ++i) peak.add(cache.entry(level, i));
      peak.add(entriesPeak(cache, level + 1, j0, j1));
      for (int64_t i = j1 * f; i < i1; ++i) peak.add(cache.entry(level, i));
      return peak;
    }
  }
  for (int64_t i = i0; i < i1; ++i) peak.add(cache.entry(level, i));
  return peak;
}

}  // namespace

void PeakCache::columns(int64_t first, int64_t framesPerPixel, int count, std::vector<Peak> &out) const {
  out.assign(static_cast<size_t>(std::max(0, count)), Peak{});
  const int64_t fpp = std::max<int64_t>(1, framesPerPixel);
  const int64_t total = frames();
  if (count <= 0 || total <= 0) return;
  if (fpp >= kBaseFrames) {
    // Each column takes the base blocks it touches.
    for (int c = 0; c < count; ++c) {
      const int64_t a = std::max<int64_t>(0, first + c * fpp);
      const int64_t b = std::min(total, first + (c + 1) * fpp);
      if (a >= b) continue;
      out[static_cast<size_t>(c)] = entriesPeak(*this, 0, a / kBaseFrames, ceilDiv(b, kBaseFrames));
    }
    return;
  }
  // Fine zooms read the frames themselves; the view asks for a screenful
  // (or a newly scrolled-in strip) at a time.
  const int64_t a = std::max<int64_t>(0, first);
  const int64_t b = std::min(total, first + count * fpp);
  if (a >= b) return;
  std::vector<int16_t> frames;
  if (samples(a, static_cast<size_t>(b - a), frames) == 0) return;
  for (size_t i = 0; i < frames.size(); ++i) {
    const int64_t c = (a + static_cast<int64_t>(i) - first) / fpp;
    out[static_cast<size_t>(c)].add(frames[i]);
  }
}

size_t PeakCache::samples(int64_t first, size_t count, std::vector<int16_t> &out) const {
  out.clear();
  const int64_t total = frames();
  if (first < 0 || first >= total || count == 0 || path_.empty()) return 0;
  count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), total - first));
  std::lock_guard lock(readLock_);
  const int64_t end = first + static_cast<int64_t>(count);
  const bool inWindow = first >= windowStart_ && end <= windowStart_ + static_cast<int64_t>(window_.size());
  if (!inWindow) {
    // A window around the request, so that scrolling back and forth at a
    // fine zoom reads the file (or decodes a stream that cannot seek) rarely.
    const int64_t size = std::max<int64_t>(static_cast<int64_t>(count), kSampleWindow);
    const int64_t start = std::clamp<int64_t>(first - (size - static_cast<int64_t>(count)) / 2, 0, std::max<int64_t>(0, total - size));
    if (!readWindow(start, static_cast<size_t>(std::min(size, total - start)))) return 0;
    // A file that stops decoding early leaves the window short.
    if (first >= windowStart_ + static_cast<int64_t>(window_.size())) return 0;
  }
  const auto from = window_.begin() + (first - windowStart_);
  const auto to = window_.begin() + std::min<int64_t>(end - windowStart_, static_cast<int64_t>(window_.size()));
  out.assign(from, to);
  return out.size();
}

bool PeakCache::readWindow(int64_t start, size_t count) const {
  window_.clear();
  windowStart_ = start;
  if (!reader_) {
    reader_ = std::make_unique<WaveDecoder>();
    if (!reader_->open(path_)) {
      reader_.reset();
      return false;
    }
  }
  if (static_cast<int64_t>(reader_->position()) != start && !reader_->seek(static_cast<uint64_t>(start))) return false;
  const int channels = std::max<int>(1, reader_->channels());
  std::vector<int16_t> raw(count * static_cast<size_t>(channels));
  const size_t got = reader_->read(raw.data(), count);
  window_.resize(got);
  for (size_t f = 0; f < got; ++f) {
    int sum = 0;
    for (int c = 0; c < channels; ++c) sum += raw[f * channels + c];
    window_[f] = static_cast<int16_t>(sum / channels);
  }
  return got > 0;
}

}  // namespace components::waveviews
