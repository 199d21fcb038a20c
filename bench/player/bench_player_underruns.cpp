// Playback that must not stutter on a loaded machine: a voice recording
// straight from the recorder and an MP3 file play through the player at
// real time on an output that keeps a sound card's clock and counts the
// times it ran dry, while a busy process per core runs beside them. The
// same playbacks without the load, in the same run, are the peer. Reports
// the counts (goal: 0 under load).
//
//   bench_player_underruns [SECONDS]   (of each playback; default 20)

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "BenchAudio.h"
#include "BenchPlayer.h"

namespace {

using namespace benchplayer;

struct Count {
  uint64_t underruns = 0;
  double seconds = 0;
  bool ok = false;
};

Count playAtRealTime(recorder::FlashVolume *rec, const player::Selection &selection, const fs::path &temp) {
  BenchHost host(rec, selection, BenchHost::Pace::RealTime, temp);
  double w = wallSeconds();
  player::PollHost::Result r = host.host().play();
  return {host.underruns(), wallSeconds() - w, r.started && r.errors == 0};
}

}  // namespace

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
  for (const char *tool : {"espeak-ng", "sox", "lame"})
    if (!haveTool(tool)) {
      std::printf("%s is not installed\n", tool);
      return 1;
    }
  WorkDir dir;
  const fs::path home = folderIn(dir, "player");
  const std::vector<uint8_t> coded = codedSpeech(dir, seconds);
  const fs::path wav = dir / "music.wav", cut = dir / "cut.wav", mp3 = home / "music.mp3";
  if (coded.empty() || !bench::makeSpeechAndMusic(dir, wav) ||
      !run("sox '" + wav.string() + "' '" + cut.string() + "' trim 0 " + std::to_string(seconds)) ||
      !run("lame --quiet -b 128 '" + cut.string() + "' '" + mp3.string() + "'")) {
    std::printf("could not make the inputs\n");
    return 1;
  }
  MemoryRecorder rec(1024, {writeVoiceFile(dir / "memo.dvg", coded)});
  if (!rec.ok()) {
    std::printf("could not write the recording to the recorder\n");
    return 1;
  }
  player::Selection voice;
  voice.activeList = 1;
  voice.recorderIndex = 0;
  player::Selection music;
  music.pcFolder = home;
  music.pcName = "music.mp3";

  const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
  std::printf("underruns at real time, %.0f s each; load: %d busy process(es), one per core\n", seconds, cores);
  for (bool loaded : {false, true}) {
    std::unique_ptr<CpuLoad> load;
    if (loaded) load = std::make_unique<CpuLoad>(cores);
    Count v = playAtRealTime(&rec.volume(), voice, home);
    Count m = playAtRealTime(nullptr, music, home);
    std::printf("  %-12s voice from the recorder: %llu underrun(s) in %.1f s%s;  MP3: %llu underrun(s) in %.1f s%s\n",
                loaded ? "under load" : "idle", static_cast<unsigned long long>(v.underruns), v.seconds,
                v.ok ? "" : " [failed]", static_cast<unsigned long long>(m.underruns), m.seconds,
                m.ok ? "" : " [failed]");
  }
  std::printf("goal: 0 underruns under load\n");
  return 0;
}
