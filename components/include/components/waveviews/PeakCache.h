// The display data of one WAV file: min/max of every 256 sample frames as
// the base level, each coarser level summarising four entries of the one
// below. Built once per load from the file in large chunks, on a worker
// thread or on the caller's; the audio itself is never held in memory.
// Channels are merged: an entry holds the minimum and maximum over all
// channels, which is what a single trace per pane draws.
//
// Views read a cache while it builds; make a new cache for each load rather
// than building again into one that views still show.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace components {
class WaveDecoder;
}

namespace components::waveviews {

// The extremes of a run of samples; an empty run has min > max.
struct Peak {
  int16_t min = 1;
  int16_t max = 0;
  bool empty() const { return min > max; }
  void add(int16_t v) {
    if (empty()) {
      min = max = v;
    } else {
      if (v < min) min = v;
      if (v > max) max = v;
    }
  }
  void add(Peak p) {
    if (p.empty()) return;
    add(p.min);
    add(p.max);
  }
  bool operator==(const Peak &) const = default;
};

class PeakCache {
 public:
  static constexpr int64_t kBaseFrames = 256;
  static constexpr int kLevelFactor = 4;
  // Frames decoded per step of a build; progress and cancel are checked per step.
  static constexpr int64_t kChunkFrames = 1 << 16;
  // Frames of decoded samples kept around the last fine-zoom read.
  static constexpr int64_t kSampleWindow = 1 << 18;

  enum class Result { Done, Cancelled, Failed };
  // Called on the building thread of build() with the percentage done;
  // returning false cancels. It may run the caller's event loop.
  using Progress = std::function<bool(int percent)>;

  PeakCache();
  ~PeakCache();  // cancels and joins a running build
  PeakCache(const PeakCache &) = delete;
  PeakCache &operator=(const PeakCache &) = delete;

  // Builds on a worker thread and returns when it ends; meanwhile calls
  // `progress` on this thread about every `intervalMs`. Failed, with the
  // reason in `error`, when the file cannot be decoded.
  Result build(const std::string &path, const Progress &progress = {}, std::string *error = nullptr,
               int intervalMs = 50);
  // Starts a build on a worker thread and returns at once; false, with the
  // reason, when the file cannot be opened. Poll filledFrames() and
  // finished(), or wait().
  bool start(const std::string &path, std::string *error = nullptr);
  // Asks a running build to stop after its current chunk.
  void cancel();
  // Joins the worker; the build's outcome.
  Result wait();
  // Forgets the file and every level.
  void clear();

  // Writes the levels to a side file, under a temporary name then renamed,
  // with what identifies the source: its size and modification time as the
  // build found them, and the wave's figures. Only a complete build saves;
  // false, with the reason, otherwise, when the source changed since the
  // build opened it, or when the file cannot be written.
  bool save(const std::string &peaksPath, std::string *error = nullptr) const;
  // A complete cache of `sourcePath` from a side file save() wrote, without
  // reading the audio; null, with the reason, unless the file is intact and
  // the source still has the size and modification time saved with it.
  static std::shared_ptr<PeakCache> load(const std::string &peaksPath, const std::string &sourcePath,
                                         std::string *error = nullptr);

  bool finished() const { return finished_.load(std::memory_order_acquire); }
  Result result() const { return result_.load(std::memory_order_acquire); }
  bool complete() const { return finished() && result() == Result::Done; }
  // Frames summarised so far; entries below it are final.
  int64_t filledFrames() const { return filled_.load(std::memory_order_acquire); }
  int percent() const;

  // The file's figures, known once start() or build() opened it.
  const std::string &path() const { return path_; }
  int64_t frames() const { return frames_.load(std::memory_order_acquire); }
  int channels() const { return channels_; }
  int sampleRate() const { return sampleRate_; }

  // Levels: 0 is the base; level L summarises kBaseFrames * 4^L frames per entry.
  int levelCount() const { return static_cast<int>(levels_.size()); }
  static int64_t levelFrames(int level);
  // The coarsest level whose entry spans no more than framesPerPixel; -1
  // below kBaseFrames (the samples are read from the file then).
  static int levelFor(int64_t framesPerPixel);
  // Entry i of a level; empty beyond what is filled.
  Peak entry(int level, int64_t index) const;
  // What the levels take (the sample window adds at most kSampleWindow x 2 bytes).
  size_t memoryBytes() const;

  // Min/max of `count` columns of `framesPerPixel` frames each, column i
  // covering [first + i * fpp, first + (i + 1) * fpp). Callers pass a
  // `first` that is a multiple of the zoom so that columns never jitter as
  // the view scrolls. Below kBaseFrames per pixel the samples come from the
  // file; columns beyond the wave or not yet filled come back empty.
  void columns(int64_t first, int64_t framesPerPixel, int count, std::vector<Peak> &out) const;
  // Up to `count` frames from `first`, channels averaged, read from the file
  // through a small window of decoded samples (for fine zooms).
  size_t samples(int64_t first, size_t count, std::vector<int16_t> &out) const;

 private:
  bool open(const std::string &path, std::string *error);
  void run();
  void summarise(int64_t fromEntry, int64_t toEntry, bool last);
  bool readWindow(int64_t start, size_t count) const;

  std::string path_;
  // The source as open() found it; a side file is valid for this state only.
  int64_t sourceBytes_ = -1;
  int64_t sourceMtimeNs_ = 0;
  std::unique_ptr<WaveDecoder> source_;  // the worker's
  mutable std::unique_ptr<WaveDecoder> reader_;  // fine zooms, under readLock_
  mutable std::mutex readLock_;
  mutable std::vector<int16_t> window_;  // channels averaged, under readLock_
  mutable int64_t windowStart_ = 0;
  int channels_ = 0;
  int sampleRate_ = 0;
  std::atomic<int64_t> frames_{0};
  std::atomic<int64_t> filled_{0};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{true};
  std::atomic<Result> result_{Result::Done};
  std::vector<std::vector<Peak>> levels_;  // sized at start, never resized while building
  std::thread worker_;
  std::mutex doneLock_;
  std::condition_variable done_;
};

}  // namespace components::waveviews
