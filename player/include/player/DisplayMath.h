// The display strip's arithmetic: times as hours, minutes and seconds, the
// bit-rate panels, the MP3 and WAV totals and the slider positions. Every
// division has a defined result for a zero divisor, and every slider
// position lies in 0..100.
#pragma once

#include <cstdint>

namespace player {

struct Clock {
  int64_t hours = 0, minutes = 0, seconds = 0;
  bool operator==(const Clock &) const = default;
};
Clock clockFromSeconds(uint64_t seconds);

// The bit-rate panels: whole kbit/s and tenths.
struct BitRate {
  int64_t whole = 0, tenths = 0;
  bool operator==(const BitRate &) const = default;
};

// A WAV file: rate x bits (13000 when the file reports 0 bits), doubled for
// stereo; whole = b / 1000, tenths panel = (b mod 1000) / 10.
BitRate waveBitRate(uint32_t sampleRate, uint32_t bitsPerSample, bool stereo);
// Seconds of a WAV file's sample data; 0 when the average rate is 0.
uint64_t waveTotalSeconds(uint64_t dataBytes, uint64_t averageBytesPerSecond);

// An MP3's duration in whole seconds: frames x milliseconds per frame,
// rounded up when it is not a whole number of seconds (60.000 s -> 60,
// 60.001 s -> 61). 0 without frames or with a rate that is not a number.
uint64_t mpegTotalSeconds(uint64_t frames, double msPerFrame);

// Clamps to 0..100.
int clampPercent(int64_t percent);
// trunc(part x 100 / whole), clamped to 0..100; 0 when whole is 0.
int percentOf(uint64_t part, uint64_t whole);
// trunc(whole x percent / 100), with percent clamped to 0..100.
uint64_t partAt(uint64_t whole, int percent);

}  // namespace player
