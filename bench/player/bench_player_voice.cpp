// Voice playback straight from the recorder, through the player logic in
// the host without windows, with a virtual output that plays as fast as
// buffers come: block reads from the in-process flash, decoding, the
// output's buffers. Against bcg729 alone decoding the same coded bytes in
// memory, in the same run: CPU time per second of speech as a fraction of
// real time, and the ratio (the codec is most of the work).
//
// Then the memory a recorder playback holds (the heap it has in use above
// what the idle player had), for a short and a long recording: the goal is
// one block buffer (131072 bytes) and a little, whatever the length.
//
//   bench_player_voice [MINUTES]   (of the timed recording; default 10)
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

extern "C" {
#include <bcg729/decoder.h>
}

#include "BenchPlayer.h"
#include "recorder/Layout.h"
#include "voice/Codec.h"

// --- The heap in use: every operator new and delete of the program ----------------------

namespace {
std::atomic<int64_t> liveBytes{0}, peakBytes{0};

void counted(void *p) {
  int64_t now = liveBytes += int64_t(malloc_usable_size(p));
  int64_t peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
}
}  // namespace

void *operator new(std::size_t size) {
  void *p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  counted(p);
  return p;
}
void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *p) noexcept {
  if (!p) return;
  liveBytes -= int64_t(malloc_usable_size(p));
  std::free(p);
}
void operator delete[](void *p) noexcept { operator delete(p); }
void operator delete(void *p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void *p, std::size_t) noexcept { operator delete(p); }

namespace {

using namespace benchplayer;

constexpr int kRounds = 5;

player::Selection recording(int index) {
  player::Selection s;
  s.activeList = 1;
  s.recorderIndex = index;
  return s;
}

struct Timing {
  double cpu = 1e30, wall = 1e30;
  void keepBest(double c, double w) {
    cpu = std::min(cpu, c);
    wall = std::min(wall, w);
  }
};

template <class F>
void timed(Timing &t, F &&f) {
  double c = cpuSeconds(), w = wallSeconds();
  f();
  t.keepBest(cpuSeconds() - c, wallSeconds() - w);
}

}  // namespace

int main(int argc, char **argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 10;
  for (const char *tool : {"espeak-ng", "sox"})
    if (!haveTool(tool)) {
      std::printf("%s is not installed\n", tool);
      return 1;
    }
  WorkDir dir;
  const fs::path temp = folderIn(dir, "temp");
  const std::vector<uint8_t> coded = codedSpeech(dir, minutes * 60);
  if (coded.empty()) {
    std::printf("could not make the speech\n");
    return 1;
  }
  // The long recording: the timed one six times over.
  std::vector<uint8_t> longer;
  for (int i = 0; i < 6; ++i) longer.insert(longer.end(), coded.begin(), coded.end());
  const std::vector<uint8_t> shorter(coded.begin(), coded.begin() + std::min<size_t>(coded.size(), 30000));
  MemoryRecorder rec(2048, {writeVoiceFile(dir / "timed.dvg", coded), writeVoiceFile(dir / "short.dvg", shorter),
                            writeVoiceFile(dir / "long.dvg", longer)});
  if (!rec.ok()) {
    std::printf("could not write the recordings to the recorder\n");
    return 1;
  }
  const double audio = double(coded.size()) / 1000.0;  // 1000 coded bytes a second

  // --- CPU ---
  Timing ours, peer;
  std::vector<int16_t> pcm(coded.size() / voice::kFrameBytes * voice::kFrameSamples);
  for (int round = 0; round < kRounds; ++round) {
    BenchHost host(&rec.volume(), recording(0), BenchHost::Pace::FullSpeed, temp);
    timed(ours, [&] {
      player::PollHost::Result r = host.host().play();
      if (!r.started || r.errors != 0) {
        std::printf("the playback failed\n");
        std::exit(1);
      }
    });
    timed(peer, [&] {
      auto *decoder = initBcg729DecoderChannel();
      for (size_t f = 0; f < coded.size() / voice::kFrameBytes; ++f)
        bcg729Decoder(decoder, const_cast<uint8_t *>(&coded[f * voice::kFrameBytes]), voice::kFrameBytes, 0, 0, 0,
                      &pcm[f * voice::kFrameSamples]);
      closeBcg729DecoderChannel(decoder);
    });
  }
  std::printf("voice playback from the recorder: %.1f min of speech, best of %d rounds\n", audio / 60, kRounds);
  std::printf("  player (reads, decoding, output)  %7.3f ms CPU per s of speech  (%6.0fx real time, wall %6.0fx)\n",
              ours.cpu * 1000 / audio, audio / ours.cpu, audio / ours.wall);
  std::printf("  bcg729 alone                      %7.3f ms CPU per s of speech  (%6.0fx real time)\n",
              peer.cpu * 1000 / audio, audio / peer.cpu);
  std::printf("  ratio bcg729/player %.3f: the player's own share is %.0f %% of its CPU time\n", peer.cpu / ours.cpu,
              100.0 * (1 - peer.cpu / ours.cpu));

  // --- Memory ---
  // Held: sampled between the player's events; peak: at any moment,
  // the block read's own working buffer included.
  std::printf("memory of a recorder playback above what the idle player holds:\n");
  struct Case {
    const char *what;
    int index;
    const std::vector<uint8_t> *data;
  } cases[] = {{"short", 1, &shorter}, {"long", 2, &longer}};
  for (const Case &c : cases) {
    BenchHost bench(&rec.volume(), recording(c.index), BenchHost::Pace::FullSpeed, temp);
    player::Player &p = bench.host().player();
    const int64_t before = liveBytes.load();
    peakBytes = before;
    int64_t held = 0;
    p.OnBtnPlayClick();
    const bool started = p.busy();
    bench.host().loop().run([&] {
      held = std::max(held, liveBytes.load() - before);
      return !p.busy();
    });
    const int64_t peak = peakBytes.load() - before;
    const size_t blocks = (c.data->size() + recorder::kPageSize + recorder::kBlockDataSize - 1) / recorder::kBlockDataSize;
    std::printf("  %-5s %5.1f min, %2zu blocks: held %7lld bytes (%.2f block buffers), peak %7lld bytes%s\n", c.what,
                double(c.data->size()) / 60000.0, blocks, static_cast<long long>(held),
                double(held) / double(recorder::kBlockDataSize), static_cast<long long>(peak),
                started ? "" : "  [did not play]");
  }
  std::printf("goal: one block buffer (%u bytes) and a little held, the same for both lengths\n",
              unsigned(recorder::kBlockDataSize));
  return 0;
}
