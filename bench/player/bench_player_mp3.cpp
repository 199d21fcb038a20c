// MP3 playback through the player: the MPEG source and the MP3 output of
// the components (64 one-frame buffers) behind the player logic in the host
// without windows, with a virtual output that plays as fast as buffers
// come. Against libmpg123 alone decoding the same file into memory, and
// `mpg123 -w /dev/null`, in the same run: CPU time per second of sound as
// a fraction of real time, and the ratio libmpg123/player.
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchAudio.h"
#include "BenchPlayer.h"

namespace {

constexpr int kRounds = 5;

// Decodes the whole file to 16-bit PCM in memory; returns the bytes.
size_t decodeWithLibmpg123(const std::string &path, std::vector<unsigned char> &out) {
  mpg123_handle *h = mpg123_new(nullptr, nullptr);
  if (!h) return 0;
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(h);
  for (long rate : {32000L, 44100L, 48000L})
    mpg123_format(h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  size_t total = 0;
  if (mpg123_open(h, path.c_str()) == MPG123_OK) {
    for (;;) {
      size_t done = 0;
      int rc = mpg123_read(h, out.data(), out.size(), &done);
      total += done;
      if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    }
    mpg123_close(h);
  }
  mpg123_delete(h);
  return total;
}

}  // namespace

int main() {
  using namespace benchplayer;
  for (const char *tool : {"espeak-ng", "sox", "lame", "mpg123"})
    if (!bench::haveTool(tool)) {
      std::printf("%s is not installed\n", tool);
      return 1;
    }
  bench::WorkDir dir;
  const fs::path wav = dir / "input.wav", mp3 = dir / "input.mp3";
  if (!bench::makeSpeechAndMusic(dir, wav) ||
      !bench::run("lame --quiet -b 128 '" + wav.string() + "' '" + mp3.string() + "'")) {
    std::printf("could not make the input\n");
    return 1;
  }
  const double audio = 60;
  player::Selection selection;
  selection.pcFolder = mp3.parent_path();
  selection.pcName = mp3.filename().string();

  double oursCpu = 1e30, oursWall = 1e30, peerCpu = 1e30, toolWall = 1e30;
  std::vector<unsigned char> pcm(1 << 16);
  size_t decoded = 0;
  for (int round = 0; round < kRounds; ++round) {
    BenchHost host(nullptr, selection, BenchHost::Pace::FullSpeed, mp3.parent_path());
    double c = cpuSeconds(), w = wallSeconds();
    player::PollHost::Result r = host.host().play();
    oursCpu = std::min(oursCpu, cpuSeconds() - c);
    oursWall = std::min(oursWall, wallSeconds() - w);
    if (!r.started || r.errors != 0) {
      std::printf("the playback failed\n");
      return 1;
    }
    c = cpuSeconds();
    decoded = decodeWithLibmpg123(mp3.string(), pcm);
    peerCpu = std::min(peerCpu, cpuSeconds() - c);
    w = wallSeconds();
    bench::run("mpg123 -q -w /dev/null '" + mp3.string() + "'");
    toolWall = std::min(toolWall, wallSeconds() - w);
  }
  std::printf("MP3 playback: 60 s at 128 kbit/s, 44.1 kHz stereo (%zu PCM bytes), best of %d rounds\n", decoded,
              kRounds);
  std::printf("  player (source, output, display)  %7.3f ms CPU per s of sound  (%5.0fx real time, wall %5.0fx)\n",
              oursCpu * 1000 / audio, audio / oursCpu, audio / oursWall);
  std::printf("  libmpg123 alone                   %7.3f ms CPU per s of sound  (%5.0fx real time)\n",
              peerCpu * 1000 / audio, audio / peerCpu);
  std::printf("  mpg123 -w /dev/null               %7.3f ms wall per s of sound (%5.0fx real time)\n",
              toolWall * 1000 / audio, audio / toolWall);
  std::printf("  ratio libmpg123/player %.3f: the player's own share is %.0f %% of its CPU time\n", peerCpu / oursCpu,
              100.0 * (1 - peerCpu / oursCpu));
  return 0;
}
