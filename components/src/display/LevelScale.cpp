#include "components/display/LevelScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace components::display {

double dbFromAmplitude(double amplitude) {
  if (!(amplitude > 0)) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(amplitude);
}

double positionFromDb(double db, double floorDb) {
  if (std::isnan(db) || !(floorDb < 0)) return 0;
  return std::clamp((db - floorDb) / -floorDb, 0.0, 1.0);
}

double positionFromAmplitude(double amplitude, double floorDb) {
  return positionFromDb(dbFromAmplitude(amplitude), floorDb);
}

int litSteps(double position, int steps) {
  if (std::isnan(position) || steps <= 0) return 0;
  return static_cast<int>(std::lround(std::clamp(position, 0.0, 1.0) * steps));
}

double PeakHold::update(double position, std::int64_t nowMs) {
  if (std::isnan(position)) position = 0;
  position = std::clamp(position, 0.0, 1.0);
  const std::int64_t since = nowMs - heldSinceMs_;
  double falling = held_;
  if (since > holdMs_) falling = held_ - fallPerSecond_ * static_cast<double>(since - holdMs_) / 1000.0;
  if (position >= falling) {
    // A new peak, or the falling mark has met the level: hold from here.
    held_ = position;
    heldSinceMs_ = nowMs;
    peak_ = position;
  } else {
    peak_ = falling;
  }
  return peak_;
}

}  // namespace components::display
