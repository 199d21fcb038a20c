#include "components/waveedit/WaveObject.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "components/waveedit/ListEdits.h"
#include "components/wavefile/RiffWave.h"

namespace components {

namespace {

constexpr size_t kBytesPerSample = 2;
constexpr size_t kBlockSamples = WaveObject::kIoBufferBytes / kBytesPerSample;
const CutList kNoCuts;
const VolumeEnvelope kUnity;

bool readableFormat(const WaveFormat &f, FormatRule rule) {
  if (!f.isPcm(16, 1, f.sampleRate) || f.blockAlign != kBytesPerSample) return false;
  return rule == FormatRule::AnyRate || f.sampleRate == 8000 || f.sampleRate == 11025;
}

// The first region that starts after position, or the end of the list.
CutList::const_iterator nextCut(const CutList &cuts, int64_t position) {
  return std::upper_bound(cuts.begin(), cuts.end(), position,
                          [](int64_t pos, const CutRegion &r) { return pos < r.start; });
}

int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Walks the envelope forwards sample by sample without searching it again.
class EnvelopeWalk {
 public:
  explicit EnvelopeWalk(const VolumeEnvelope &envelope) : env_(envelope) {}

  // Scales samples that start at position; positions only grow between calls.
  void apply(int64_t position, int16_t *samples, size_t count) {
    size_t i = 0;
    while (i < count) {
      int64_t x = position + static_cast<int64_t>(i);
      while (segment_ + 1 < env_.size() && env_[segment_ + 1].position <= x) ++segment_;
      int64_t left = static_cast<int64_t>(count - i);
      // Up to the next point the volume is flat or a straight line.
      int64_t stop;
      bool flat = true;
      int32_t v;
      if (x < env_.front().position) {
        stop = env_.front().position;
        v = env_.front().volume;
      } else if (segment_ + 1 >= env_.size()) {
        stop = x + left;
        v = env_.back().volume;
      } else {
        stop = env_[segment_ + 1].position;
        v = env_[segment_].volume;
        flat = env_[segment_ + 1].volume == v;
      }
      size_t run = static_cast<size_t>(std::min(stop - x, left));
      if (flat) {
        if (v != kUnityVolume)
          for (size_t k = 0; k < run; ++k) samples[i + k] = applyVolume(samples[i + k], v);
      } else {
        const VolumePoint &a = env_[segment_], &b = env_[segment_ + 1];
        int64_t rise = static_cast<int64_t>(b.volume) - a.volume, span = b.position - a.position;
        for (size_t k = 0; k < run; ++k) {
          int64_t volume = a.volume + floorDiv(rise * (x + static_cast<int64_t>(k) - a.position), span);
          samples[i + k] = applyVolume(samples[i + k], static_cast<int32_t>(std::clamp<int64_t>(volume, 0, kMaxVolume)));
        }
      }
      i += run;
    }
  }

 private:
  const VolumeEnvelope &env_;
  size_t segment_ = 0;
};

}  // namespace

int16_t applyVolume(int16_t sample, int32_t volume) {
  int64_t v = (static_cast<int64_t>(sample) * volume + kUnityVolume / 2) >> 14;
  return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

WaveObject::WaveObject() = default;

WaveObject::~WaveObject() { close(); }

void WaveObject::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  format_ = {};
  dataOffset_ = dataBytes_ = fileSize_ = 0;
  dataSamples_ = start_ = end_ = position_ = 0;
  error_.clear();
}

WaveOpen WaveObject::open(const std::filesystem::path &path, FormatRule rule, std::string *error) {
  close();
  std::string why;
  std::FILE *file = std::fopen(path.c_str(), "rb");
  struct stat info {};
  riff::WaveLayout layout;
  bool parsed = false;
  if (!file) {
    why = std::strerror(errno);
  } else if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "not a regular file";
  } else {
    parsed = riff::parseWave(file, static_cast<uint64_t>(info.st_size), layout, why);
  }
  int fd = parsed ? ::fcntl(fileno(file), F_DUPFD_CLOEXEC, 0) : -1;
  if (file) std::fclose(file);
  if (!parsed || fd < 0) {
    if (error) *error = why.empty() ? "the file cannot be read" : why;
    return WaveOpen::CannotRead;
  }
  path_ = path;
  format_ = layout.format;
  dataOffset_ = layout.dataOffset;
  dataBytes_ = layout.dataSize;
  fileSize_ = static_cast<uint64_t>(info.st_size);
  dataSamples_ = static_cast<int64_t>(dataBytes_ / kBytesPerSample);
  start_ = 0;
  end_ = dataSamples_;
  if (!readableFormat(format_, rule)) {
    ::close(fd);
    if (error) *error = "the format is not 16-bit mono PCM at a rate the editor takes";
    return WaveOpen::Unsupported;
  }
  if (dataSamples_ == 0) {
    ::close(fd);
    if (error) *error = "the file holds no audio data";
    return WaveOpen::NoAudio;
  }
  fd_ = fd;
  return WaveOpen::Ok;
}

void WaveObject::setRange(int64_t start, int64_t end) {
  start_ = std::clamp<int64_t>(start, 0, dataSamples_);
  end_ = std::clamp<int64_t>(end, start_, dataSamples_);
  setPosition(position_);
}

void WaveObject::setPosition(int64_t position) { position_ = std::clamp<int64_t>(position, 0, end_ - start_); }

bool WaveObject::readRaw(int64_t sample, int16_t *samples, size_t count, std::vector<uint8_t> &buffer,
                         std::string &why) const {
  size_t bytes = count * kBytesPerSample;
  buffer.resize(kIoBufferBytes);
  off_t offset = static_cast<off_t>(dataOffset_ + static_cast<uint64_t>(sample) * kBytesPerSample);
  size_t got = 0;
  while (got < bytes) {
    ssize_t n = ::pread(fd_, buffer.data() + got, bytes - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = n < 0 ? std::string("cannot read ") + path_.string() + ": " + std::strerror(errno)
                  : "the file " + path_.string() + " ends before its data";
      return false;
    }
    got += static_cast<size_t>(n);
  }
  for (size_t i = 0; i < count; ++i)
    samples[i] = static_cast<int16_t>(static_cast<uint16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8));
  return true;
}

size_t WaveObject::read(int16_t *samples, size_t count) {
  if (fd_ < 0) {
    error_ = "no WAV file is open";
    return 0;
  }
  error_.clear();
  const CutList &cuts = cuts_ ? *cuts_ : kNoCuts;
  int64_t at = start_ + position_;
  size_t done = 0;
  while (done < count) {
    at = skipCuts(cuts, at);
    if (at >= end_) break;
    auto next = nextCut(cuts, at);
    int64_t stop = next == cuts.end() ? end_ : std::min(end_, next->start);
    size_t n = static_cast<size_t>(std::min<int64_t>(stop - at, static_cast<int64_t>(std::min(count - done, kBlockSamples))));
    if (!readRaw(at, samples + done, n, buffer_, error_)) break;
    done += n;
    at += n;
  }
  position_ = std::min(at, end_) - start_;
  return error_.empty() ? done : 0;
}

int64_t WaveObject::firstPlayable() const {
  return std::min(skipCuts(cuts_ ? *cuts_ : kNoCuts, start_), end_);
}

int64_t WaveObject::playableLength() const { return playedLength(cuts_ ? *cuts_ : kNoCuts, start_, end_); }

int64_t WaveObject::playablePosition(int64_t position) const {
  if (position < start_ || position >= end_) return firstPlayable();
  int64_t p = skipCuts(cuts_ ? *cuts_ : kNoCuts, position);
  return p < end_ ? p : firstPlayable();
}

int64_t WaveObject::positionAfter(int64_t from, int64_t played) const {
  return std::min(advancePlayed(cuts_ ? *cuts_ : kNoCuts, from, played), end_);
}

int64_t WaveObject::playedBetween(int64_t from, int64_t to) const {
  return playedLength(cuts_ ? *cuts_ : kNoCuts, std::max(from, start_), std::min(to, end_));
}

RenderResult WaveObject::render(const std::filesystem::path &requested, const RenderOptions &options,
                                std::string *error) const {
  auto failed = [&](RenderResult result, const std::string &why) {
    if (error) *error = why;
    return result;
  };
  if (fd_ < 0) return failed(RenderResult::Failed, "no WAV file is open");

  // A link is followed, so that the file it names gets the result and the
  // link stays a link.
  std::error_code ec;
  std::filesystem::path target = requested;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) {
    target = std::filesystem::weakly_canonical(target, ec);
    if (ec) return failed(RenderResult::Failed, "cannot follow the link " + requested.string());
  }
  if (std::filesystem::equivalent(target, path_, ec) && !ec)
    return failed(RenderResult::RefusedSource, "a wave cannot be rendered onto its own file");

  WaveWriter writer;
  if (options.freeSpace) writer.setFreeSpaceProbe(options.freeSpace);
  std::string why;
  if (!writer.create(target, WaveFormat::pcm(1, format_.sampleRate, 16), &why)) return failed(RenderResult::Failed, why);

  const CutList &cuts = options.skipCuts && cuts_ ? *cuts_ : kNoCuts;
  const VolumeEnvelope *envelope = options.applyEnvelope && envelope_ && !envelope_->empty() ? envelope_ : nullptr;
  EnvelopeWalk walk(envelope ? *envelope : kUnity);
  uint64_t total = static_cast<uint64_t>(playedLength(cuts, start_, end_)) * kBytesPerSample, done = 0;
  if (options.progress && !options.progress(0, total)) return failed(RenderResult::Cancelled, "cancelled");

  std::vector<int16_t> samples(kBlockSamples);
  std::vector<uint8_t> buffer;
  int64_t at = start_;
  while (true) {
    at = skipCuts(cuts, at);
    if (at >= end_) break;
    auto next = nextCut(cuts, at);
    int64_t stop = next == cuts.end() ? end_ : std::min(end_, next->start);
    size_t n = static_cast<size_t>(std::min<int64_t>(stop - at, static_cast<int64_t>(kBlockSamples)));
    if (!readRaw(at, samples.data(), n, buffer, why)) return failed(RenderResult::Failed, why);
    if (envelope) walk.apply(at, samples.data(), n);
    if (!writer.appendSamples(samples.data(), n, &why)) return failed(RenderResult::Failed, why);
    at += static_cast<int64_t>(n);
    done += n * kBytesPerSample;
    if (options.progress && !options.progress(done, total)) return failed(RenderResult::Cancelled, "cancelled");
  }
  if (!writer.commit(&why)) return failed(RenderResult::Failed, why);
  return RenderResult::Ok;
}

}  // namespace components
