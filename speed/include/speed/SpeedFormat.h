// Figures of the speed player: the slider's rate, the speed it plays at,
// and the texts of the status bar.
#pragma once

#include <cstdint>
#include <string>

namespace speed {

// The speed slider runs from -20 to 20; the engine takes a tenth of it.
inline constexpr int kSliderMin = -20;
inline constexpr int kSliderMax = 20;
double rateOfSlider(int position);
// How many times as fast the engine plays at a rate: 1 + r / 2 for r >= 0,
// 1 / (1 - r / 2) below.
double speedOfRate(double rate);

// A position in sample frames as a time: "m:ss.mmm" below one hour,
// "h:mm:ss.mmm" below one day, "d:hh:mm:ss.mmm" from one day on. A rate of
// 0 shows 0:00.000; negative frames show as positive.
std::string frameTime(int64_t frames, uint32_t rate);
// "44.100 Hz"
std::string rateText(uint32_t rate);
// "16 Bit"
std::string bitsText(int bits);

// The ending of a path in capitals (".WAV"), empty when it has none.
std::string upperEnding(const std::string &path);

}  // namespace speed
