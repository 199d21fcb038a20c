#include "components/wavefile/WaveDecoder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "components/wavefile/RiffWave.h"

namespace components {

namespace {
SNDFILE *sf(void *p) { return static_cast<SNDFILE *>(p); }
}  // namespace

WaveDecoder::WaveDecoder() = default;

WaveDecoder::~WaveDecoder() { close(); }

bool WaveDecoder::open(const std::string &path, std::string *error) {
  close();
  std::string why;
  riff::WaveLayout layout;
  std::FILE *file = std::fopen(path.c_str(), "rb");
  struct stat info {};
  if (!file) {
    why = std::strerror(errno);
  } else if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "not a regular file";
  } else if (riff::parseWave(file, static_cast<uint64_t>(info.st_size), layout, why)) {
    fd_ = ::fcntl(fileno(file), F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) why = std::strerror(errno);
  } else if (why.empty()) {
    why = "the file cannot be read";
  }
  if (file) std::fclose(file);
  if (fd_ >= 0) {
    declared_ = layout.format;
    dataSize_ = layout.dataSize;
    if (openSound(why)) {
      frames_ = position_ = 0;
      SF_INFO sfInfo{};
      sf_command(sf(sound_), SFC_GET_CURRENT_SF_INFO, &sfInfo, sizeof sfInfo);
      frames_ = sfInfo.frames > 0 ? static_cast<uint64_t>(sfInfo.frames) : 0;
      if (!declared_.isPcm() && layout.hasFact) frames_ = std::min<uint64_t>(frames_, layout.factSamples);
      return true;
    }
    close();
  }
  if (error) *error = why;
  return false;
}

// libsndfile reads the file from the start through a descriptor of its own.
bool WaveDecoder::openSound(std::string &why) {
  int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
    if (fd >= 0) ::close(fd);
    why = "the file cannot be read";
    return false;
  }
  SF_INFO info{};
  SNDFILE *sound = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
  if (!sound) {
    why = std::string("the WAV encoding cannot be decoded: ") + sf_strerror(nullptr);
    return false;
  }
  if (info.channels <= 0 || info.channels > 0xFFFF || info.samplerate <= 0) {
    sf_close(sound);
    why = "the file names no channels or no sample rate";
    return false;
  }
  const int subtype = info.format & SF_FORMAT_SUBMASK;
  float_ = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
  sound_ = sound;
  seekable_ = info.seekable != 0;
  channels_ = static_cast<uint16_t>(info.channels);
  sampleRate_ = static_cast<uint32_t>(info.samplerate);
  return true;
}

void WaveDecoder::close() {
  if (sound_) sf_close(sf(sound_));
  sound_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  seekable_ = false;
  float_ = false;
  declared_ = {};
  dataSize_ = frames_ = position_ = 0;
  channels_ = 0;
  sampleRate_ = 0;
}

size_t WaveDecoder::read(int16_t *samples, size_t frames) {
  if (!sound_ || position_ >= frames_) return 0;
  uint64_t wanted = std::min<uint64_t>(frames, frames_ - position_);
  sf_count_t got = float_ ? readFloat(samples, wanted) : sf_readf_short(sf(sound_), samples, sf_count_t(wanted));
  if (got <= 0) {
    // Nothing more decodes: the stream ends here.
    frames_ = position_;
    return 0;
  }
  position_ += static_cast<uint64_t>(got);
  return static_cast<size_t>(got);
}

// libsndfile reads float samples as integers unscaled (so a full-scale
// float stream becomes near silence) or scaled to the file's peak (which
// changes its loudness); full scale 1.0 is full scale here.
int64_t WaveDecoder::readFloat(int16_t *samples, uint64_t frames) {
  scratch_.resize(frames * channels_);
  sf_count_t got = sf_readf_float(sf(sound_), scratch_.data(), static_cast<sf_count_t>(frames));
  for (size_t k = 0; got > 0 && k < size_t(got) * channels_; ++k)
    samples[k] = static_cast<int16_t>(std::lrint(std::clamp(scratch_[k] * 32768.0f, -32768.0f, 32767.0f)));
  return got;
}

bool WaveDecoder::seek(uint64_t frame) {
  if (!sound_) return false;
  frame = std::min(frame, frames_);
  if (seekable_) {
    if (sf_seek(sf(sound_), static_cast<sf_count_t>(frame), SEEK_SET) < 0) return false;
    position_ = frame;
    return true;
  }
  if (frame < position_) {
    sf_close(sf(sound_));
    sound_ = nullptr;
    std::string why;
    if (!openSound(why)) {
      frames_ = position_ = 0;
      return false;
    }
    position_ = 0;
  }
  std::vector<int16_t> skip(size_t(4096) * channels_);
  while (position_ < frame) {
    size_t n = read(skip.data(), static_cast<size_t>(std::min<uint64_t>(4096, frame - position_)));
    if (n == 0) return false;
  }
  return true;
}

}  // namespace components
