#include "MpegScan.h"

#include <mutex>

namespace components::mpegscan {

namespace {

void initOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

int channelModeOf(int mode) {
  switch (mode) {
    case MPG123_M_STEREO: return 0;
    case MPG123_M_JOINT: return 1;
    case MPG123_M_DUAL: return 2;
    default: return 3;
  }
}

}  // namespace

void HandleDeleter::operator()(mpg123_handle *h) const {
  mpg123_close(h);
  mpg123_delete(h);
}

Handle open(const std::string &path) {
  initOnce();
  int err = MPG123_OK;
  Handle h(mpg123_new(nullptr, &err));
  if (!h) return nullptr;
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_param(h.get(), MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  // Whatever the rate and channels, decode to 16-bit signed samples.
  mpg123_format_none(h.get());
  const long *rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t k = 0; k < count; ++k)
    mpg123_format(h.get(), rates[k], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(h.get(), path.c_str()) != MPG123_OK) return nullptr;
  return h;
}

std::optional<MpegInfo> scanFrames(mpg123_handle *h) {
  MpegInfo info;
  int firstBitrate = 0;
  bool variable = false;
  for (;;) {
    // Parses the next frame without decoding it.
    int rc = mpg123_framebyframe_next(h);
    if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    mpg123_frameinfo fi{};
    if (mpg123_info(h, &fi) != MPG123_OK) break;
    if (info.frames == 0) {
      info.sampleRate = fi.rate;
      info.channelMode = channelModeOf(fi.mode);
      info.channels = fi.mode == MPG123_M_MONO ? 1 : 2;
      info.samplesPerFrame = mpg123_spf(h);
      info.msPerFrame = mpg123_tpf(h) * 1000.0;
      firstBitrate = fi.bitrate;
      // An Xing or VBRI header may declare a variable rate over frames that
      // happen to agree so far.
      variable = fi.vbr != MPG123_CBR;
    } else if (fi.bitrate != firstBitrate) {
      // Headers that differ are what a variable rate is, whether or not a
      // tag says so.
      variable = true;
    }
    ++info.frames;
  }
  if (info.frames <= 0 || info.sampleRate <= 0 || info.samplesPerFrame <= 0 || info.msPerFrame <= 0)
    return std::nullopt;
  info.bitrateKbps = variable ? 0 : firstBitrate;
  return info;
}

}  // namespace components::mpegscan
