// How a sound level becomes a bar: amplitudes (0..1 of full scale) and
// decibels map onto a meter position of 0..1 on a linear dB scale from
// kMeterFloorDb (empty) to 0 dB (full). Anything out of range or not a
// number is clamped, so a bad level can never draw outside its bar.
#pragma once

#include <cstdint>

namespace components::display {

inline constexpr double kMeterFloorDb = -48.0;

// 20 log10(amplitude); silence (0, negative, NaN) is minus infinity.
double dbFromAmplitude(double amplitude);
// Position 0..1 of a level in dB; below the floor (and NaN) is 0, above
// 0 dB is 1.
double positionFromDb(double db, double floorDb = kMeterFloorDb);
double positionFromAmplitude(double amplitude, double floorDb = kMeterFloorDb);
// A position 0..1 (clamped, NaN is 0) as a number of lit steps out of `steps`.
int litSteps(double position, int steps);

// The peak mark of a bar: it follows a rising level at once, stays for
// holdMs after the last rise, then falls at fallPerSecond (positions per
// second) until it meets the level again. Time comes from the caller, so
// the mark moves with the updates it is fed.
class PeakHold {
 public:
  explicit PeakHold(std::int64_t holdMs = 1000, double fallPerSecond = 0.5)
      : holdMs_(holdMs), fallPerSecond_(fallPerSecond) {}

  // Feeds a position 0..1 at time nowMs and returns the peak position.
  double update(double position, std::int64_t nowMs);
  double peak() const { return peak_; }
  void reset() { peak_ = 0; held_ = 0; heldSinceMs_ = 0; }

 private:
  std::int64_t holdMs_;
  double fallPerSecond_;
  double peak_ = 0;
  double held_ = 0;
  std::int64_t heldSinceMs_ = 0;
};

}  // namespace components::display
