// DllConvertToWave of a 60 s MP3 against `mpg123 -w` on the same file, both
// timed from start to a finished WAV file. Prints mpg123's time ÷ ours.
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <thread>

#include "BenchAudio.h"
#include "sonavel.h"

namespace fs = bench::fs;

int main() {
  for (const char *tool : {"espeak-ng", "sox", "lame", "mpg123"})
    if (!bench::haveTool(tool)) {
      std::printf("%s is not installed\n", tool);
      return 1;
    }
  bench::WorkDir dir;
  fs::path wav = dir / "input.wav", mp3 = dir / "input.mp3";
  if (!bench::makeSpeechAndMusic(dir, wav) || !bench::run("lame --quiet -b 128 '" + wav.string() + "' '" + mp3.string() + "'")) {
    std::printf("could not make the input\n");
    return 1;
  }
  fs::path ours = dir / "ours.wav", theirs = dir / "mpg123.wav";
  double tOurs = bench::bestSeconds(5, [&] {
    DllConvertToWave(mp3.c_str(), ours.c_str());
    while (DllGetProgress() != 100) std::this_thread::sleep_for(std::chrono::microseconds(200));
  });
  double tMpg123 = bench::bestSeconds(5, [&] { bench::run("mpg123 -q -w '" + theirs.string() + "' '" + mp3.string() + "'"); });
  std::printf("60 s MP3 (128 kbit/s, 44.1 kHz stereo) to WAV, best of 5\n");
  std::printf("DllConvertToWave: %.3f s (%zu bytes)\n", tOurs, size_t(fs::file_size(ours)));
  std::printf("mpg123 -w:        %.3f s (%zu bytes)\n", tMpg123, size_t(fs::file_size(theirs)));
  std::printf("ratio mpg123/ours: %.2f (goal: at least 0.9)\n", tMpg123 / tOurs);
  return 0;
}
