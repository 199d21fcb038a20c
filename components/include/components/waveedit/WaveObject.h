// The editor's wave object: a WAV file with a start, an end and a current
// position, with a cut list, markers and a volume envelope attached. It reads
// 16-bit mono PCM block by block with the cut regions left out, and renders
// the range into a new WAV file with the regions left out and the envelope
// applied. It never changes the file it refers to. Used by one thread at a
// time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "components/waveedit/WaveLists.h"
#include "components/waveedit/WaveWriter.h"
#include "components/wavefile/WaveFormat.h"

namespace components {

enum class WaveOpen {
  Ok,
  CannotRead,   // missing, not a RIFF WAVE file, truncated or damaged header
  NoAudio,      // the data chunk is empty (the format is one the object reads)
  Unsupported,  // format() tells which; get_format() names it
};

// Which formats open() accepts beyond 16-bit mono PCM.
enum class FormatRule {
  Editor,   // 8000 or 11025 samples per second only
  AnyRate,  // any sample rate
};

enum class RenderResult { Ok, Cancelled, Failed, RefusedSource };

// Called after every block with the bytes written and the bytes to write;
// false cancels.
using RenderProgress = std::function<bool(uint64_t done, uint64_t total)>;

struct RenderOptions {
  bool skipCuts = true;       // leave the attached cut regions out
  bool applyEnvelope = true;  // apply the attached volume envelope
  RenderProgress progress;
  FreeSpaceProbe freeSpace;   // tests; the file system's figure when empty
};

class WaveObject {
 public:
  static constexpr size_t kIoBufferBytes = 100000;

  WaveObject();
  ~WaveObject();
  WaveObject(const WaveObject &) = delete;
  WaveObject &operator=(const WaveObject &) = delete;

  // Opens a WAV file through the RIFF chunk walker. The format and the sizes
  // are known for every result but CannotRead; only Ok reads and renders.
  // The range becomes the whole file and the position 0.
  WaveOpen open(const std::filesystem::path &path, FormatRule rule = FormatRule::Editor, std::string *error = nullptr);
  // Releases the file; the name, format and sizes are forgotten.
  void close();
  bool isOpen() const { return fd_ >= 0; }

  const std::filesystem::path &fileName() const { return path_; }
  const WaveFormat &format() const { return format_; }
  int64_t dataSamples() const { return dataSamples_; }
  uint64_t dataBytes() const { return dataBytes_; }
  uint64_t fileSize() const { return fileSize_; }

  // The range [start, end) in samples of the file, held within the data.
  int64_t start() const { return start_; }
  int64_t end() const { return end_; }
  void setRange(int64_t start, int64_t end);
  // The current position, counted from start(); reading goes on from
  // start() + position().
  int64_t position() const { return position_; }
  void setPosition(int64_t position);

  // Lists that the object uses but does not own; null detaches.
  void attachCuts(const CutList *cuts) { cuts_ = cuts; }
  void attachMarkers(const MarkerList *markers) { markers_ = markers; }
  void attachEnvelope(const VolumeEnvelope *envelope) { envelope_ = envelope; }
  const CutList *cuts() const { return cuts_; }
  const MarkerList *markers() const { return markers_; }
  const VolumeEnvelope *envelope() const { return envelope_; }

  // Reads up to count samples from the current position on, leaving the cut
  // regions out, and stops at end(). 0 at the end or on a read error
  // (failed() then tells, with error()).
  size_t read(int16_t *samples, size_t count);
  bool failed() const { return !error_.empty(); }
  const std::string &error() const { return error_; }

  // Playback through the attached cut regions. The first sample that plays
  // (end() when none does) and the number of samples that play from start
  // to end.
  int64_t firstPlayable() const;
  int64_t playableLength() const;
  // Where playback starts for a position: the position, or the first sample
  // after the region(s) it lies in; the first playable sample for a
  // position outside [start, end) or one with nothing left to play after it.
  int64_t playablePosition(int64_t position) const;
  // The sample that sounds after `played` samples from `from` (end() at most).
  int64_t positionAfter(int64_t from, int64_t played) const;
  // Samples that play from `from` up to `to`: the output offset of `to`
  // when `from` is firstPlayable().
  int64_t playedBetween(int64_t from, int64_t to) const;

  // Renders [start, end) into a new 16-bit mono WAV file at target (a link
  // is followed, so the file it names gets the result), in
  // blocks of the I/O buffer. The target gets its name only when the file is
  // complete; on a cancel or an error it stays as it was and nothing is left
  // behind. The wave's own file (by any path) is refused.
  RenderResult render(const std::filesystem::path &target, const RenderOptions &options = {},
                      std::string *error = nullptr) const;

 private:
  bool readRaw(int64_t sample, int16_t *samples, size_t count, std::vector<uint8_t> &buffer,
               std::string &why) const;

  std::filesystem::path path_;
  int fd_ = -1;
  WaveFormat format_;
  uint64_t dataOffset_ = 0, dataBytes_ = 0, fileSize_ = 0;
  int64_t dataSamples_ = 0;
  int64_t start_ = 0, end_ = 0, position_ = 0;
  const CutList *cuts_ = nullptr;
  const MarkerList *markers_ = nullptr;
  const VolumeEnvelope *envelope_ = nullptr;
  std::vector<uint8_t> buffer_;
  std::string error_;
};

// Scales one sample by a volume (kUnityVolume = unity), rounding to nearest
// and saturating to 16 bits.
int16_t applyVolume(int16_t sample, int32_t volume);

}  // namespace components
