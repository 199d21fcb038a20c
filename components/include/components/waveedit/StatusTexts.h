// The texts of the editor's status bar and range scroller.
#pragma once

#include <cstdint>
#include <string>

namespace components {

// Milliseconds of a sample count at a rate, in 64 bits; 0 for a rate of 0
// or a negative count.
int64_t samplesToMilliseconds(int64_t samples, uint32_t rate);

// "m:ss.mmm" below one hour, "h:mm:ss.mmm" below one day, "d:hh:mm:ss.mmm"
// from one day on.
std::string timeText(int64_t samples, uint32_t rate);
std::string millisecondsText(int64_t milliseconds);

// "8.000 Hz", "11.025 Hz".
std::string rateText(uint32_t rate);
// "16 Bit".
std::string bitsText(unsigned bits);
// "0.00 dB": two decimals, whatever the process's locale.
std::string gainText(double decibels);

}  // namespace components
