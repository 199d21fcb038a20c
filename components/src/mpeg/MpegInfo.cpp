#include "components/mpeg/MpegInfo.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "MpegScan.h"

namespace components {

uint64_t MpegInfo::durationMsRoundedUp() const {
  if (sampleRate <= 0 || samplesPerFrame <= 0) return 0;
  // In whole samples, so that an exact minute stays an exact minute.
  uint64_t samples = static_cast<uint64_t>(frames) * static_cast<uint64_t>(samplesPerFrame);
  uint64_t rate = static_cast<uint64_t>(sampleRate);
  uint64_t seconds = samples / rate + (samples % rate != 0 ? 1 : 0);
  return seconds * 1000;
}

std::optional<MpegInfo> scanMpegFile(const std::string &path) {
  auto h = mpegscan::open(path);
  if (!h) return std::nullopt;
  return mpegscan::scanFrames(h.get());
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
