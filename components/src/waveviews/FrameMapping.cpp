#include "components/waveviews/FrameMapping.h"

#include <algorithm>
#include <cmath>

namespace components::waveviews {

namespace {

int64_t floorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

FrameMapping::FrameMapping(int64_t start, int64_t end, int width)
    : start_(start), end_(std::max(end, start + 1)), width_(std::max(1, width)) {
  const int64_t span = end_ - start_;
  sampleMode_ = span < width_;
  if (sampleMode_) {
    fpp_ = 1;
    origin_ = start_;
  } else {
    // Whole frames per column, enough for the range to fit the width.
    fpp_ = (span + width_ - 1) / width_;
    origin_ = floorDiv(start_, fpp_) * fpp_;
  }
}

int64_t FrameMapping::columnOf(int64_t frame) const {
  if (sampleMode_) return static_cast<int64_t>(std::floor(xOf(frame)));
  return floorDiv(frame - origin_, fpp_);
}

double FrameMapping::xOf(int64_t frame) const {
  if (sampleMode_) return static_cast<double>(frame - start_) * width_ / static_cast<double>(end_ - start_);
  return static_cast<double>(frame - origin_) / static_cast<double>(fpp_);
}

int64_t FrameMapping::frameAt(double x) const {
  if (sampleMode_) return start_ + static_cast<int64_t>(std::floor(x * static_cast<double>(end_ - start_) / width_));
  return origin_ + static_cast<int64_t>(std::floor(x)) * fpp_;
}

int64_t TimeGrid::frameOfLine(int64_t k) const { return k * stepMs * sampleRate / 1000; }

int64_t TimeGrid::lineAtOrBefore(int64_t frame) const {
  const int64_t perLine = stepMs * sampleRate;  // frames x 1000 per line
  int64_t k = floorDiv(frame * 1000, perLine);
  while (frameOfLine(k + 1) <= frame) ++k;
  while (k > 0 && frameOfLine(k) > frame) --k;
  return k;
}

int64_t TimeGrid::snap(const FrameMapping &mapping, int64_t frame, int snapPixels) const {
  const int64_t k = lineAtOrBefore(frame);
  int64_t best = frame;
  double bestDistance = snapPixels + 0.5;
  for (int64_t line : {frameOfLine(k), frameOfLine(k + 1)}) {
    const double distance = std::fabs(mapping.xOf(line) - mapping.xOf(frame));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = line;
    }
  }
  return best;
}

TimeGrid timeGrid(const FrameMapping &mapping, int sampleRate, int minPixels) {
  TimeGrid grid;
  grid.sampleRate = std::max(1, sampleRate);
  const double pixelsPerFrame =
      mapping.sampleMode() ? static_cast<double>(mapping.width()) / static_cast<double>(mapping.end() - mapping.start())
                           : 1.0 / static_cast<double>(mapping.framesPerPixel());
  const double pixelsPerMs = pixelsPerFrame * grid.sampleRate / 1000.0;
  static const int64_t steps[] = {1, 2, 5};
  for (int64_t power = 1;; power *= 10) {
    for (int64_t s : steps) {
      grid.stepMs = s * power;
      if (grid.stepMs * pixelsPerMs >= minPixels || grid.stepMs >= 1000LL * 3600 * 24 * 10) return grid;
    }
  }
}

}  // namespace components::waveviews
