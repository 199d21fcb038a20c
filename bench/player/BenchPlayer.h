// What the player benchmarks share: speech made at benchmark time and coded
// as the recorder stores it, a recorder on the in-process flash holding
// recordings, the player in the host without windows over an output at full
// speed or at real time, CPU time, and a CPU load.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchAudio.h"
#include "RealTimeOutput.h"
#include "components/ScriptedJobUi.h"
#include "components/wave/VirtualOutput.h"
#include "player/ComponentPlayback.h"
#include "player/PollHost.h"
#include "q417io/Flash.h"
#include "recorder/jobs/Session.h"
#include "testsupport/MemoryFlashIo.h"

namespace benchplayer {

namespace fs = std::filesystem;
namespace wave = components::wave;

using bench::haveTool;
using bench::run;
using bench::WorkDir;

// `seconds` of speech (espeak-ng, sox) coded in 500-byte blocks with
// voice::EncoderStream; empty when the tools fail.
std::vector<uint8_t> codedSpeech(const WorkDir &dir, double seconds);
// A folder below the work folder, made.
fs::path folderIn(const WorkDir &dir, const std::string &name);
// A voice file of those bytes.
fs::path writeVoiceFile(const fs::path &file, const std::vector<uint8_t> &coded);

// A formatted recorder in memory with the given voice files in folder A,
// connected as the window connects.
class MemoryRecorder {
 public:
  MemoryRecorder(uint32_t blocks, const std::vector<fs::path> &voiceFiles);
  ~MemoryRecorder();
  bool ok() const { return ok_; }
  recorder::FlashVolume &volume() { return session_->volume(); }

 private:
  std::unique_ptr<q417io::Flash> flash_;
  recorder::MemoryFlashIo io_;
  components::ScriptedJobUi ui_;
  std::unique_ptr<recorder::jobs::Session> session_;
  bool ok_ = false;
};

// The player in the host over a recorder (or none), with outputs for the
// voice player and the MP3 and WAV components that play as fast as buffers
// come, or at real time by the wall clock, counting underruns.
class BenchHost {
 public:
  enum class Pace { FullSpeed, RealTime };
  BenchHost(recorder::FlashVolume *recorder, player::Selection selection, Pace pace, const fs::path &tempFolder);
  ~BenchHost();
  player::PollHost &host() { return *host_; }
  // Underruns of every output made so far.
  uint64_t underruns() const;

 private:
  player::OutputFactory factory(Pace pace);

  components::ScriptedJobUi ui_;
  wave::DoneQueue queue_;
  std::vector<RealTimeOutput *> outputs_;
  std::unique_ptr<player::ComponentMpegPlayback> mpeg_;
  std::unique_ptr<player::ComponentWavPlayback> wave_;
  std::unique_ptr<player::PollHost> host_;
};

// CPU time of the whole process (every thread), in seconds.
double cpuSeconds();
double wallSeconds();

// Processes that spin on the CPU beside the benchmark until destroyed.
class CpuLoad {
 public:
  explicit CpuLoad(int processes);
  ~CpuLoad();
  CpuLoad(const CpuLoad &) = delete;
  CpuLoad &operator=(const CpuLoad &) = delete;

 private:
  std::vector<pid_t> children_;
};

}  // namespace benchplayer
