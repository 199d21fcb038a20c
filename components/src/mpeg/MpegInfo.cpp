#include "components/mpeg/MpegInfo.h"

#include <mpg123.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <mutex>

namespace components {
namespace {

struct HandleDeleter {
  void operator()(mpg123_handle *h) const {
    mpg123_close(h);
    mpg123_delete(h);
  }
};

void initOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

uint64_t MpegInfo::durationMsRoundedUp() const {
  if (sampleRate <= 0 || samplesPerFrame <= 0) return 0;
  // In whole samples, so that an exact minute stays an exact minute.
  uint64_t samples = static_cast<uint64_t>(frames) * static_cast<uint64_t>(samplesPerFrame);
  uint64_t rate = static_cast<uint64_t>(sampleRate);
  uint64_t seconds = samples / rate + (samples % rate != 0 ? 1 : 0);
  return seconds * 1000;
}

std::optional<MpegInfo> scanMpegFile(const std::string &path) {
  initOnce();
  int err = MPG123_OK;
  std::unique_ptr<mpg123_handle, HandleDeleter> h(mpg123_new(nullptr, &err));
  if (!h) return std::nullopt;
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_param(h.get(), MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  if (mpg123_open(h.get(), path.c_str()) != MPG123_OK) return std::nullopt;
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(h.get(), &rate, &channels, &encoding) != MPG123_OK) return std::nullopt;
  if (mpg123_scan(h.get()) != MPG123_OK) return std::nullopt;
  MpegInfo info;
  info.frames = static_cast<long>(mpg123_framelength(h.get()));
  if (info.frames <= 0) return std::nullopt;
  info.msPerFrame = mpg123_tpf(h.get()) * 1000.0;
  mpg123_frameinfo fi{};
  if (mpg123_info(h.get(), &fi) != MPG123_OK) return std::nullopt;
  info.sampleRate = fi.rate;
  info.samplesPerFrame = mpg123_spf(h.get());
  info.bitrateKbps = fi.vbr == MPG123_CBR ? fi.bitrate : 0;
  switch (fi.mode) {
    case MPG123_M_STEREO: info.channelMode = 0; break;
    case MPG123_M_JOINT: info.channelMode = 1; break;
    case MPG123_M_DUAL: info.channelMode = 2; break;
    default: info.channelMode = 3; break;
  }
  return info;
}

bool SetDownMpegFileParams(const std::string &path, uint8_t &rate, uint8_t &hours, uint8_t &minutes,
                           uint8_t &seconds) {
  auto info = scanMpegFile(path);
  if (!info) return false;
  uint64_t total = info->durationMsRoundedUp() / 1000;
  hours = static_cast<uint8_t>(total / 3600);
  minutes = static_cast<uint8_t>(total / 60 % 60);
  seconds = static_cast<uint8_t>(total % 60);
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (!ec && total > 0) {
    double perSecond = static_cast<double>(size) / static_cast<double>(total);
    rate = static_cast<uint8_t>(std::min(255.0, std::floor(perSecond / 200.0 + 0.5)));
  }
  return true;
}

}  // namespace components
