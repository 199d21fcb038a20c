// q417 convert over a folder of 100 WAV files of mixed formats, in the same
// run as its peers:
//   - the 50 files already at 8000 Hz mono 16-bit against bcg729 encoding
//     the same samples in memory (goal: a throughput ratio of at least 0.9);
//   - the 50 files of other formats (44.1 and 48 kHz stereo, 22.05 kHz
//     24-bit, float, 11.025 kHz IMA ADPCM, mu-law) against sox resampling
//     each of them to 8000 Hz mono followed by our encoding of the results.
// Each side is timed as the best of three rounds, taken in turns; the CPU
// time counts the child processes too.
//
//   bench_convert [SECONDS_PER_FILE]   (default 6)
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <bcg729/encoder.h>
}

#include "components/wavefile/WaveFile.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRounds = 3;
constexpr int kFilesPerGroup = 50;

struct Timing {
  double wall = 1e30, cpu = 1e30;
};

double now(clockid_t id) {
  timespec t{};
  clock_gettime(id, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// CPU time of this process and of its waited-for children.
double cpuWithChildren() {
  rusage self{}, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  auto s = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
  return s(self.ru_utime) + s(self.ru_stime) + s(children.ru_utime) + s(children.ru_stime);
}

std::pair<Timing, Timing> bestOfPair(const std::function<void()> &ours, const std::function<void()> &peer) {
  Timing b[2];
  for (int i = 0; i < kRounds; ++i)
    for (int which = 0; which < 2; ++which) {
      double w = now(CLOCK_MONOTONIC), c = cpuWithChildren();
      (which == 0 ? ours : peer)();
      b[which].wall = std::min(b[which].wall, now(CLOCK_MONOTONIC) - w);
      b[which].cpu = std::min(b[which].cpu, cpuWithChildren() - c);
    }
  return {b[0], b[1]};
}

void run(const std::string &command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
    std::fprintf(stderr, "bench_convert: failed: %s\n", command.c_str());
    std::exit(1);
  }
}

std::string q(const fs::path &p) { return "'" + p.string() + "'"; }

std::string convertCommand(const std::vector<fs::path> &files, const fs::path &out) {
  std::string cmd = std::string("XDG_CONFIG_HOME=/nonexistent '") + Q417_TOOL + "' convert --overwrite -o " + q(out);
  for (const fs::path &f : files) cmd += " " + q(f);
  return cmd;
}

void report(const char *what, double audio, Timing ours, Timing peer, const char *peerName) {
  std::printf("%-10s ours %7.1fx real time (cpu %7.1fx)   %s %7.1fx (cpu %7.1fx)   ratio %.3f (cpu %.3f)\n", what,
              audio / ours.wall, audio / ours.cpu, peerName, audio / peer.wall, audio / peer.cpu,
              peer.wall / ours.wall, peer.cpu / ours.cpu);
}

}  // namespace

int main(int argc, char **argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
  const fs::path folder = fs::temp_directory_path() / ("quillorn-bench-convert-" + std::to_string(::getpid()));
  fs::create_directories(folder / "in");
  fs::create_directories(folder / "out");
  fs::create_directories(folder / "resampled");

  // Speech, long enough for every file to take its own stretch.
  const fs::path raw = folder / "espeak.wav", speech = folder / "speech.wav";
  run("espeak-ng -w " + q(raw) +
      " 'Quillorn converts a whole selection of recordings at once. The quick brown fox jumps over the lazy dog, "
      "and seven silver swans sing softly by the river while the meeting notes are read aloud.'");
  // The spoken text lasts about ten seconds.
  run("sox " + q(raw) + " -r 48000 -c 2 -b 16 " + q(speech) + " repeat " +
      std::to_string(kFilesPerGroup * seconds / 8 + 1));

  const std::vector<std::string> others = {
      "-r 44100 -c 2 -b 16 -e signed-integer", "-r 48000 -c 2 -b 16 -e signed-integer",
      "-r 22050 -c 1 -b 24 -e signed-integer", "-r 32000 -c 1 -b 32 -e floating-point",
      "-r 11025 -c 1 -e ima-adpcm",            "-r 16000 -c 1 -e u-law"};
  std::vector<fs::path> plain, mixed;
  for (int i = 0; i < kFilesPerGroup; ++i) {
    const std::string trim = " trim " + std::to_string(i * seconds) + " " + std::to_string(seconds);
    plain.push_back(folder / "in" / ("plain" + std::to_string(i) + ".wav"));
    run("sox " + q(speech) + " -r 8000 -c 1 -b 16 -e signed-integer " + q(plain.back()) + trim);
    mixed.push_back(folder / "in" / ("mixed" + std::to_string(i) + ".wav"));
    run("sox " + q(speech) + " " + others[i % others.size()] + " " + q(mixed.back()) + trim);
  }
  const double audio = static_cast<double>(kFilesPerGroup) * seconds;

  // The 8 kHz samples in memory for the codec alone.
  std::vector<std::vector<int16_t>> samples;
  for (const fs::path &f : plain) {
    components::WaveFile wave;
    if (!wave.open(f.string())) return 1;
    samples.emplace_back(wave.dataSize() / 2);
    wave.read(samples.back().data(), samples.back().size() * 2);
  }
  std::printf("100 files: %d at 8000 Hz mono 16-bit, %d of other formats; %d s each; best of %d rounds\n",
              kFilesPerGroup, kFilesPerGroup, seconds, kRounds);

  std::vector<uint8_t> coded;
  auto [plainOurs, plainPeer] = bestOfPair([&] { run(convertCommand(plain, folder / "out")); },
                                           [&] {
                                             for (const auto &s : samples) {
                                               // A fresh encoder per file, as every conversion has.
                                               auto *encoder = initBcg729EncoderChannel(0);
                                               coded.resize(s.size() / 8);
                                               for (size_t f = 0; f + 80 <= s.size(); f += 80) {
                                                 uint8_t length = 0;
                                                 bcg729Encoder(encoder, &s[f], &coded[f / 8], &length);
                                               }
                                               closeBcg729EncoderChannel(encoder);
                                             }
                                           });

  std::vector<fs::path> resampled;
  for (const fs::path &f : mixed) resampled.push_back(folder / "resampled" / f.filename());
  auto [mixedOurs, mixedPeer] = bestOfPair([&] { run(convertCommand(mixed, folder / "out")); },
                                           [&] {
                                             for (size_t i = 0; i < mixed.size(); ++i)
                                               run("sox " + q(mixed[i]) + " -r 8000 -c 1 -b 16 -e signed-integer " +
                                                   q(resampled[i]));
                                             run(convertCommand(resampled, folder / "out"));
                                           });

  report("8 kHz", audio, plainOurs, plainPeer, "bcg729 alone");
  report("others", audio, mixedOurs, mixedPeer, "sox + encode");
  std::printf("goal: ratio at least 0.9 for the 8 kHz files\n");
  fs::remove_all(folder);
  return 0;
}
