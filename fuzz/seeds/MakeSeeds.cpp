// Makes the seed corpora of the recorder and voice targets:
//   fuzz_seeds OUT_DIR SPEECH_WAV [MP3_FILE]
// SPEECH_WAV is 16-bit mono 8000 Hz PCM; it is encoded into a voice file as
// the program's conversion does. The recorders are made by the program's
// own jobs (format, write, erase) on the in-process flash; the recovery
// seeds are those jobs cut off after each of their first flash operations.
// Seeds of the other targets are sample files that scripts/fuzz makes.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ChipImage.h"
#include "components/ScriptedJobUi.h"
#include "components/wavefile/WaveFile.h"
#include "recorder/Layout.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Session.h"
#include "recorder/jobs/Writer.h"
#include "testsupport/MemoryFlashIo.h"
#include "voice/G729Conversion.h"
#include "voice/VoiceHeader.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// Option bits of the index target's chip descriptions beside ChipImage.h's.
constexpr uint8_t kReadOnly = 0x10;
constexpr uint8_t kRecordInBackup = 0x04;  // recovery target
constexpr size_t kMaxChangedBlocks = 16;

void writeFile(const fs::path &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

Bytes readFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

fs::path encodeVoice(const fs::path &wav, const fs::path &dvg) {
  components::ScriptedJobUi ui;
  components::WaveFile wave;
  std::string error;
  if (!wave.open(wav.string(), &error)) {
    std::fprintf(stderr, "fuzz_seeds: %s: %s\n", wav.c_str(), error.c_str());
    std::exit(1);
  }
  voice::G729Conversion conversion(ui, wave);
  if (!conversion.EncodeWaveToG729(dvg.string(), 16, 8000, 1)) {
    std::fprintf(stderr, "fuzz_seeds: encoding %s failed\n", wav.c_str());
    std::exit(1);
  }
  return dvg;
}

void voiceSeeds(const fs::path &dir, const fs::path &dvg) {
  Bytes speech = readFile(dvg);
  writeFile(dir / "speech.dvg", speech);
  Bytes head(speech.begin(), speech.begin() + std::min<size_t>(speech.size(), voice::header::kSize));
  writeFile(dir / "header-only.dvg", head);
  Bytes odd(speech.begin(), speech.begin() + std::min<size_t>(speech.size(), voice::header::kSize + 733));
  writeFile(dir / "partial-block.dvg", odd);
  Bytes lp = odd;
  if (lp.size() > voice::header::kKind) lp[voice::header::kKind] = voice::header::kKindLP;
  writeFile(dir / "mode-lp.dvg", lp);
  Bytes generic(voice::header::kSize);
  uint8_t source[voice::header::kSize];
  uint8_t info[4] = {80, 0, 3, 25};
  voice::PrepareGenericSource(source, "/music/Some Song.mp3", voice::HeaderTime{2023, 12, 31, 23, 59, 58}, info);
  voice::BuildFileHeader(source, generic.data());
  writeFile(dir / "generic-header.bin", generic);
}

// Blocks whose contents differ from the base chip's, past the system blocks.
std::vector<uint32_t> changedBlocks(q417io::Flash &flash, const fuzz::BaseChip &base, uint32_t backup) {
  std::vector<uint32_t> out;
  auto now = flash.memory()->snapshot();
  for (uint32_t b = 1; b < now.size() && out.size() < kMaxChangedBlocks; ++b)
    if (b != backup && now[b] != base.snapshot[b]) out.push_back(b);
  return out;
}

struct Job {
  std::string name;
  std::function<void(recorder::jobs::Session &)> run;
  std::vector<uint64_t> cuts;  // after this many flash operations
};

// Each job cut off after its n-th flash operation, for a few n: the
// recovery seed holds the job record and the blocks the job changed; the
// index seed the whole interrupted chip.
void cutJobSeeds(const fs::path &indexDir, const fs::path &recoveryDir, size_t baseIndex, const fuzz::BaseChip &base,
                 const std::vector<Job> &jobs) {
  for (const Job &job : jobs) {
    for (uint64_t cut : job.cuts) {
      auto flash = q417io::Flash::inMemory(base.blocks);
      flash->memory()->restore(base.snapshot);
      recorder::MemoryFlashIo io(*flash);
      components::ScriptedJobUi ui;
      {
        recorder::jobs::Session session(io, ui);
        if (!session.connect()) continue;
        flash->faults().cutAfter = flash->counters().erases + flash->counters().writes + cut;
        job.run(session);
      }
      Bytes block0 = flash->peek(0);
      const uint8_t *record = block0.data() + recorder::rawSpareOffset(0) + recorder::jobrecord::kFirst;
      if (record[recorder::jobrecord::kCode - recorder::jobrecord::kFirst] == recorder::jobrecord::kNone) continue;
      uint32_t backup = recorder::readU16(block0.data() + recorder::header::kBackupBlock);
      Bytes backupRaw = flash->peek(backup);
      bool inBackup = std::equal(record, record + recorder::jobrecord::kLength,
                                 backupRaw.data() + recorder::rawSpareOffset(0) + recorder::jobrecord::kFirst);
      std::vector<uint32_t> changed = changedBlocks(*flash, base, backup);

      Bytes seed{static_cast<uint8_t>(baseIndex | (inBackup ? kRecordInBackup : 0))};
      seed.insert(seed.end(), record, record + recorder::jobrecord::kLength);
      for (uint32_t b : changed) fuzz::appendBlockRecord(seed, *flash, b);
      std::string name = base.name + "-" + job.name + "-cut" + std::to_string(cut);
      writeFile(recoveryDir / name, seed);

      Bytes chip = fuzz::describeChip(*flash, 0);
      for (uint32_t b : changed) fuzz::appendBlockRecord(chip, *flash, b);
      writeFile(indexDir / name, chip);
    }
  }
}

// Records that only the recorder itself writes (deleting a whole folder),
// and a rewrite of an existing entry, on the base chip as it stands.
void recorderRecordSeeds(const fs::path &recoveryDir, size_t baseIndex, const fuzz::BaseChip &base) {
  using namespace recorder::jobrecord;
  const uint8_t records[][kLength] = {
      {0xFF, 0xFF, 0xFF, 0xFF, kDeleteAllBase + 1, 0xFF, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFF, 0xFF, 0xFF, kDeleteAllBase + 2, 0xFF, 0xFF, 0xFF, 0xFF},
      {0x00, 0x00, 0x02, kRewrite, kWriteBase + 1, 0x01, 0xAA, 0x00, 0x40},
      {0xFF, 0xFF, 0xFF, 0xFF, 0x77, 0x01, 0xFF, 0xFF, 0xFF},
  };
  int n = 0;
  for (const auto &record : records) {
    Bytes seed{static_cast<uint8_t>(baseIndex)};
    seed.insert(seed.end(), record, record + kLength);
    writeFile(recoveryDir / (base.name + "-record" + std::to_string(++n)), seed);
  }
}

void indexSeeds(const fs::path &dir, const fuzz::BaseChip &base) {
  auto flash = q417io::Flash::inMemory(base.blocks);
  flash->memory()->restore(base.snapshot);
  const struct {
    const char *name;
    uint8_t options;
  } variants[] = {
      {"", 0},
      {"-backup-only", fuzz::chip::kNoBlock0},
      {"-read-only-backup", kReadOnly | fuzz::chip::kNoBlock0},
      {"-given-check-bytes", fuzz::chip::kGivenCheckBytes},
  };
  for (const auto &v : variants) writeFile(dir / (base.name + v.name), fuzz::describeChip(*flash, v.options));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR SPEECH_WAV [MP3_FILE]\n");
    return 2;
  }
  const fs::path out = argv[1], speechWav = argv[2];
  const fs::path indexDir = out / "index", recoveryDir = out / "recovery", voiceDir = out / "voice";
  for (const fs::path &d : {indexDir, recoveryDir, voiceDir}) fs::create_directories(d);

  char pattern[] = "/tmp/quillorn-seeds-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path work(pattern);
  const fs::path dvg = encodeVoice(speechWav, work / "SPEECH.DVG");
  voiceSeeds(voiceDir, dvg);

  std::vector<fuzz::PlacedFile> files{{1, dvg}};
  if (argc == 4) files.push_back({5, fs::path(argv[3])});
  fuzz::BaseChip spoken = fuzz::makeBaseChip("spoken-1024", 1024, {}, files);
  indexSeeds(indexDir, spoken);

  const auto &bases = fuzz::baseChips();
  const fs::path longVoice = work / "LONG.DVG";
  {
    Bytes bytes(voice::header::kSize);
    voice::MakeG729FileHeader(bytes.data(), 16, 8000, 1, longVoice.string(), true, voice::HeaderTime{2024, 1, 2, 3, 4, 5});
    Bytes data = readFile(dvg);
    while (bytes.size() < 200000) bytes.insert(bytes.end(), data.begin() + voice::header::kSize, data.end());
    writeFile(longVoice, bytes);
  }
  const fs::path plain = work / "TEXT.TXT";
  writeFile(plain, Bytes(5000, 'x'));
  std::vector<Job> jobs{
      {"write-voice", [&](auto &s) { recorder::jobs::Writer(s.volume(), &s.panel()).OnBtnFileToFlashClick(3, {longVoice}); },
       {5, 6, 8, 9, 10, 11, 12, 14}},
      {"write-file", [&](auto &s) { recorder::jobs::Writer(s.volume(), &s.panel()).OnBtnFileToFlashClick(2, {plain}); },
       {6, 8, 9, 10}},
      {"erase", [](auto &s) { recorder::jobs::Eraser(s.volume(), &s.panel()).DeleteFlashFile(s.volume().directory.records(2).empty() ? 1 : 2, {0}); },
       {1, 2, 3, 4, 5, 6}},
      {"format", [](auto &s) { recorder::jobs::Formatter(s.volume(), &s.panel()).formatNow(); }, {2, 3, 6, 9}},
  };
  for (size_t i = 0; i < bases.size(); ++i) {
    indexSeeds(indexDir, bases[i]);
    cutJobSeeds(indexDir, recoveryDir, i, bases[i], jobs);
    recorderRecordSeeds(recoveryDir, i, bases[i]);
  }
  fs::remove_all(work);
  return 0;
}
