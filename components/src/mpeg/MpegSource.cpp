#include "components/mpeg/MpegSource.h"

#include <sys/stat.h>

#include <algorithm>

#include "MpegScan.h"

namespace components {

struct MpegSource::Decoder {
  mpegscan::Handle handle;
};

MpegSource::MpegSource() = default;
MpegSource::~MpegSource() = default;

bool MpegSource::load(const std::string &path) {
  unload();
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  auto handle = mpegscan::open(path);
  if (!handle) return false;
  auto info = mpegscan::scanFrames(handle.get());
  if (!info) return false;
  // The walk filled libmpg123's frame index, so seeking is exact from here.
  if (mpg123_seek_frame(handle.get(), 0, SEEK_SET) < 0) return false;
  // Later frames that change rate or channels are converted to the first
  // frame's format rather than changing what the output plays.
  mpg123_format_none(handle.get());
  mpg123_format(handle.get(), info->sampleRate, info->channels == 1 ? MPG123_MONO : MPG123_STEREO,
                MPG123_ENC_SIGNED_16);
  decoder_ = std::make_unique<Decoder>();
  decoder_->handle = std::move(handle);
  info_ = *info;
  loaded_ = true;
  ended_ = false;
  sample_ = 0;
  ++loadId_;
  return true;
}

void MpegSource::unload() {
  if (decoder_ || loaded_) ++loadId_;
  decoder_.reset();
  info_ = {};
  loaded_ = false;
  ended_ = false;
  sample_ = 0;
}

long MpegSource::currentFrame() const {
  if (!loaded_) return 0;
  return static_cast<long>(std::min<uint64_t>(sample_ / static_cast<uint64_t>(info_.samplesPerFrame),
                                              static_cast<uint64_t>(info_.frames)));
}

bool MpegSource::seekFrame(long frame) {
  if (!loaded_) return false;
  frame = std::clamp(frame, 0L, info_.frames);
  if (frame == info_.frames) {
    ended_ = true;
    sample_ = static_cast<uint64_t>(frame) * static_cast<uint64_t>(info_.samplesPerFrame);
    return true;
  }
  off_t at = mpg123_seek_frame(decoder_->handle.get(), frame, SEEK_SET);
  if (at < 0) return false;
  ended_ = false;
  sample_ = static_cast<uint64_t>(at) * static_cast<uint64_t>(info_.samplesPerFrame);
  return true;
}

size_t MpegSource::read(uint8_t *out, size_t bytes) {
  if (!loaded_ || ended_) return 0;
  const size_t align = blockAlign();
  bytes -= bytes % align;
  mpg123_handle *h = decoder_->handle.get();
  size_t total = 0;
  while (total < bytes) {
    size_t done = 0;
    int rc = mpg123_read(h, out + total, bytes - total, &done);
    total += done;
    if (rc == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      if (mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK && rate == info_.sampleRate &&
          channels == info_.channels && encoding == MPG123_ENC_SIGNED_16)
        continue;
      ended_ = true;  // a format the output was not opened for
      break;
    }
    if (rc != MPG123_OK || done == 0) {
      // MPG123_DONE at the end; an error where the file stops making sense.
      ended_ = true;
      break;
    }
  }
  total -= total % align;
  sample_ += total / align;
  return total;
}

}  // namespace components
