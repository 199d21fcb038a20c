// Opening a two-hour 8 kHz mono WAV (written here): the time until its
// display data is built (goal: under 1 s) against `sox FILE -n stat` over
// the same file, the peer reading every sample once, in the same run.
// Prints the medians, their ratio and the cache's memory per hour.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "BenchWave.h"
#include "components/waveviews/PeakCache.h"

using components::waveviews::PeakCache;

int main(int argc, char **argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const double hours = 2.0;
  const std::string path = benchwave::workFile("2h.wav");
  if (!benchwave::writeLongWave(path, hours * 3600)) {
    std::fprintf(stderr, "bench_waveviews_open: cannot write %s\n", path.c_str());
    return 1;
  }
  std::vector<double> ours, sox;
  size_t memory = 0;
  int64_t frames = 0;
  for (int round = 0; round < rounds; ++round) {
    PeakCache cache;
    std::string error;
    const double start = benchwave::nowMs();
    const auto result = cache.build(path, {}, &error);
    const double ms = benchwave::nowMs() - start;
    if (result != PeakCache::Result::Done) {
      std::fprintf(stderr, "bench_waveviews_open: %s\n", error.c_str());
      std::filesystem::remove(path);
      return 1;
    }
    ours.push_back(ms);
    memory = cache.memoryBytes();
    frames = cache.frames();
    const double peer = benchwave::timedRun({"sox", path, "-n", "stat"});
    if (peer >= 0) sox.push_back(peer);
  }
  std::filesystem::remove(path);
  const double oursMs = benchwave::median(ours), soxMs = benchwave::median(sox);
  std::printf("file: %.1f h of 8 kHz mono, %lld frames, %.1f MB\n", hours, static_cast<long long>(frames),
              frames * 2 / 1e6);
  std::printf("display data built: %.1f ms (median of %d; goal under 1000 ms)\n", oursMs, rounds);
  if (soxMs > 0)
    std::printf("sox -n stat:        %.1f ms\nratio ours/sox:     %.3f\n", soxMs, oursMs / soxMs);
  else
    std::printf("sox -n stat:        not available\n");
  std::printf("peak cache memory:  %.1f kB in all, %.1f kB per hour\n", memory / 1024.0, memory / 1024.0 / hours);
  return 0;
}
