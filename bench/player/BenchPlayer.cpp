#include "BenchPlayer.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "recorder/jobs/DefaultImage.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace benchplayer {

fs::path folderIn(const WorkDir &dir, const std::string &name) {
  fs::path folder = dir / name;
  fs::create_directories(folder);
  return folder;
}

std::vector<uint8_t> codedSpeech(const WorkDir &dir, double seconds) {
  const fs::path spoken = dir / "spoken.wav", raw = dir / "speech.raw";
  const std::string text =
      "Quillorn keeps the recordings of the voice recorder on the computer and plays them straight from the "
      "recorder. The quick brown fox jumps over the lazy dog, and seven silver swans sing softly by the river "
      "while the meeting notes are read aloud.";
  const int repeats = int(seconds / 10) + 1;
  if (!run("espeak-ng -w '" + spoken.string() + "' '" + text + "'") ||
      !run("sox '" + spoken.string() + "' -r 8000 -c 1 -b 16 -e signed-integer -t raw '" + raw.string() + "' repeat " +
           std::to_string(repeats) + " trim 0 " + std::to_string(seconds)))
    return {};
  std::vector<uint8_t> pcm(fs::file_size(raw));
  FILE *f = std::fopen(raw.c_str(), "rb");
  if (!f) return {};
  size_t got = std::fread(pcm.data(), 1, pcm.size(), f);
  std::fclose(f);
  pcm.resize((got + voice::kPcmBlockBytes - 1) / voice::kPcmBlockBytes * voice::kPcmBlockBytes, 0);
  voice::EncoderStream encoder;
  std::vector<uint8_t> coded;
  coded.reserve(pcm.size() / voice::kPcmBytesPerCodedByte);
  for (size_t at = 0; at < pcm.size(); at += voice::kPcmBlockBytes) {
    const uint8_t *c = encoder.encode(pcm.data() + at);
    coded.insert(coded.end(), c, c + voice::kCodedBlockBytes);
  }
  return coded;
}

fs::path writeVoiceFile(const fs::path &file, const std::vector<uint8_t> &coded) {
  uint8_t header[voice::header::kSize];
  voice::MakeG729FileHeader(header, 16, 8000, 1, file.string(), true);
  FILE *f = std::fopen(file.c_str(), "wb");
  if (!f) return {};
  bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header &&
            std::fwrite(coded.data(), 1, coded.size(), f) == coded.size();
  ok = std::fclose(f) == 0 && ok;
  return ok ? file : fs::path();
}

MemoryRecorder::MemoryRecorder(uint32_t blocks, const std::vector<fs::path> &voiceFiles)
    : flash_(q417io::Flash::inMemory(blocks)), io_(*flash_) {
  std::vector<recorder::jobs::PlacedFile> placed;
  for (const auto &f : voiceFiles) placed.push_back({1, f});
  if (!recorder::jobs::formatAndFill(io_, ui_, placed)) return;
  session_ = std::make_unique<recorder::jobs::Session>(io_, ui_);
  ok_ = session_->connect();
}

MemoryRecorder::~MemoryRecorder() { session_.reset(); }

BenchHost::BenchHost(recorder::FlashVolume *recorder, player::Selection selection, Pace pace,
                     const fs::path &tempFolder)
    : mpeg_(std::make_unique<player::ComponentMpegPlayback>(queue_, factory(pace))),
      wave_(std::make_unique<player::ComponentWavPlayback>(queue_, factory(pace))) {
  player::HostSetup setup{ui_,   queue_,  factory(pace), {},         true, *mpeg_, *wave_, recorder, tempFolder,
                          std::move(selection), false, -1, false};
  host_ = std::make_unique<player::PollHost>(setup);
}

BenchHost::~BenchHost() {
  host_.reset();
  wave_.reset();
  mpeg_.reset();
}

player::OutputFactory BenchHost::factory(Pace pace) {
  return [this, pace](wave::DoneQueue &q, wave::BufferListener &l) -> std::unique_ptr<wave::OutputDevice> {
    if (pace == Pace::FullSpeed) return std::make_unique<wave::VirtualOutput>(q, l, wave::VirtualOutput::Clock::Timed, 0);
    auto d = std::make_unique<RealTimeOutput>(q, l);
    outputs_.push_back(d.get());
    return d;
  };
}

uint64_t BenchHost::underruns() const {
  uint64_t n = 0;
  for (auto *o : outputs_) n += o->underruns();
  return n;
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double wallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

CpuLoad::CpuLoad(int processes) {
  for (int i = 0; i < processes; ++i) {
    pid_t pid = ::fork();
    if (pid == 0) {
      volatile uint64_t x = 0;
      for (;;) x = x + 1;
    }
    if (pid > 0) children_.push_back(pid);
  }
}

CpuLoad::~CpuLoad() {
  for (pid_t pid : children_) ::kill(pid, SIGKILL);
  for (pid_t pid : children_) ::waitpid(pid, nullptr, 0);
}

}  // namespace benchplayer
