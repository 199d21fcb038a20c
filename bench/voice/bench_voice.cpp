// EncodeWaveToG729 and DecodeG729ToWave over ten minutes of speech, against
// bcg729 called directly on the same samples in memory, in the same run.
// The codec is the limit: the file handling should cost almost nothing, so
// the ratio of the two throughputs should be at least 0.95.
//
//   bench_voice [SPEECH.wav]   (16-bit mono 8000 Hz; made with espeak-ng and sox when absent)
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
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include "components/TerminalJobUi.h"
#include "components/wavefile/WaveFile.h"
#include "voice/G729Conversion.h"

namespace {

constexpr double kSeconds = 600;
constexpr int kRounds = 5;

struct Timing {
  double wall, cpu;
};

double clockSeconds(clockid_t id) {
  timespec t{};
  clock_gettime(id, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// The best of kRounds runs of each, taken in turns so that both see the same
// load: wall time, and CPU time of the process (user and system), which
// other programs on a shared machine disturb less.
std::pair<Timing, Timing> bestOfPair(const std::function<void()> &ours, const std::function<void()> &peer) {
  Timing b[2] = {{1e30, 1e30}, {1e30, 1e30}};
  for (int i = 0; i < kRounds; ++i) {
    for (int which = 0; which < 2; ++which) {
      double w = clockSeconds(CLOCK_MONOTONIC), c = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
      (which == 0 ? ours : peer)();
      b[which].wall = std::min(b[which].wall, clockSeconds(CLOCK_MONOTONIC) - w);
      b[which].cpu = std::min(b[which].cpu, clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - c);
    }
  }
  return {b[0], b[1]};
}

bool makeSpeech(const std::string &path, const std::string &folder) {
  const std::string raw = folder + "/espeak.wav";
  const std::string text =
      "Quillorn keeps the recordings of the voice recorder on the computer. Every recording is G seven two nine "
      "speech behind a header of two hundred and fifty six bytes. The quick brown fox jumps over the lazy dog, "
      "and seven silver swans sing softly by the river while the meeting notes are read aloud.";
  if (std::system(("espeak-ng -w '" + raw + "' '" + text + "' >/dev/null 2>&1").c_str()) != 0) return false;
  // Long enough, then cut to exactly ten minutes.
  std::string cmd = "sox '" + raw + "' -r 8000 -c 1 -b 16 -e signed-integer '" + path + "' repeat 80 trim 0 " +
                    std::to_string(static_cast<int>(kSeconds)) + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

void report(const char *what, double audio, Timing ours, Timing peer) {
  std::printf("%-7s ours %7.1fx real time (cpu %7.1fx)   bcg729 alone %7.1fx (cpu %7.1fx)   ratio %.3f (cpu %.3f)\n",
              what, audio / ours.wall, audio / ours.cpu, audio / peer.wall, audio / peer.cpu, peer.wall / ours.wall,
              peer.cpu / ours.cpu);
}

}  // namespace

int main(int argc, char **argv) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("quillorn-bench-voice-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::string speech = argc > 1 ? argv[1] : (folder / "speech.wav").string();
  if (argc <= 1 && !makeSpeech(speech, folder.string())) {
    std::fprintf(stderr, "bench_voice: espeak-ng and sox are needed to make the speech file\n");
    return 1;
  }

  components::WaveFile wave;
  if (!wave.open(speech) || !wave.format().isPcm(16, 1, 8000)) {
    std::fprintf(stderr, "bench_voice: %s is not a 16-bit mono 8000 Hz WAV file\n", speech.c_str());
    return 1;
  }
  std::vector<int16_t> samples(wave.dataSize() / 2);
  wave.read(samples.data(), samples.size() * 2);  // little-endian host
  wave.close();
  const double audio = samples.size() / 8000.0;
  const size_t frames = samples.size() / 80;
  std::printf("speech: %.1f s, %zu frames of 10 ms; best of %d rounds\n", audio, frames, kRounds);

  components::TerminalJobUi ui(nullptr, false, false);
  voice::G729Conversion conversion(ui, wave);
  const std::string dvg = (folder / "speech.dvg").string(), back = (folder / "back.wav").string();

  std::vector<uint8_t> coded(frames * 10);
  auto [encodeOurs, encodePeer] = bestOfPair(
      [&] {
        if (!wave.open(speech) || !conversion.EncodeWaveToG729(dvg, 16, 8000, 1)) std::exit(1);
        wave.close();
      },
      [&] {
        auto *encoder = initBcg729EncoderChannel(0);
        for (size_t f = 0; f < frames; ++f) {
          uint8_t length = 0;
          bcg729Encoder(encoder, &samples[f * 80], &coded[f * 10], &length);
        }
        closeBcg729EncoderChannel(encoder);
      });

  std::vector<int16_t> decoded(frames * 80);
  auto [decodeOurs, decodePeer] = bestOfPair(
      [&] {
        if (!conversion.DecodeG729ToWave(dvg, back)) std::exit(1);
      },
      [&] {
        auto *decoder = initBcg729DecoderChannel();
        for (size_t f = 0; f < frames; ++f) bcg729Decoder(decoder, &coded[f * 10], 10, 0, 0, 0, &decoded[f * 80]);
        closeBcg729DecoderChannel(decoder);
      });

  report("encode", audio, encodeOurs, encodePeer);
  report("decode", audio, decodeOurs, decodePeer);
  std::printf("goal: ratio at least 0.95 in both directions\n");
  fs::remove_all(folder);
  return 0;
}
