// What the waveform view benchmarks share: a long 8 kHz mono WAV written at
// run time (speech-like bursts of noise with pauses), medians and a child
// process timed to its end.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char **environ;

namespace benchwave {

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

inline double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline void put(std::FILE *f, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xff), f);
}

// A mono 16-bit WAV of `seconds` at `rate`; false when it cannot be written.
inline bool writeLongWave(const std::string &path, double seconds, int rate = 8000) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const uint64_t frames = static_cast<uint64_t>(seconds * rate);
  const uint32_t data = static_cast<uint32_t>(frames * 2);
  std::fwrite("RIFF", 1, 4, f);
  put(f, 36 + data, 4);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put(f, 16, 4);
  put(f, 1, 2);
  put(f, 1, 2);
  put(f, static_cast<uint32_t>(rate), 4);
  put(f, static_cast<uint32_t>(rate * 2), 4);
  put(f, 2, 2);
  put(f, 16, 2);
  std::fwrite("data", 1, 4, f);
  put(f, data, 4);
  std::vector<int16_t> block(65536);
  uint32_t r = 12345;
  uint64_t done = 0;
  while (done < frames) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), frames - done));
    for (size_t i = 0; i < n; ++i) {
      r = r * 1664525u + 1013904223u;
      const uint64_t t = done + i;
      // Syllables of about 200 ms in words of about 2 s, then a pause.
      const double word = (t / (rate * 2)) % 3 == 2 ? 0.0 : 1.0;
      const double syllable = 0.5 + 0.5 * std::sin(static_cast<double>(t) * 2 * M_PI / (rate * 0.2));
      block[i] = static_cast<int16_t>(static_cast<int>((r >> 16) % 16001 - 8000) * word * syllable);
    }
    std::fwrite(block.data(), 2, n, f);
    done += n;
  }
  const bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

// Runs argv with its output to /dev/null; the wall time in ms, or -1 when
// it cannot start or fails.
inline double timedRun(std::vector<std::string> args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char *> argv;
  for (auto &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const double start = nowMs();
  pid_t pid;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double ms = nowMs() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

inline std::string workFile(const std::string &name) {
  return (std::filesystem::temp_directory_path() / ("quillorn-waveviews-bench-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

}  // namespace benchwave
