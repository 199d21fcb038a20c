// The flash reads, erases and writes of the recorder jobs (put, get, rm,
// move, up and the recovery of cut jobs) against the minimum each job needs,
// and the time they take on the recorder, where the flash and not the PC
// sets the pace. Goal: ratio 1.00 for every job.
//
// Each job runs on the in-process flash (1024 blocks) exactly as its q417
// command runs it: a connection of its own (index loaded, interrupted job
// finished), then the job's call. The connection's reads are counted apart
// from the job's: the index (block 0 and each recording's first block) and
// the recovery check (the pending-job record and the backup block).
//
// The minimum is what the file system's rules leave no way around:
// - a block is erased immediately before it is written, meaning that no
//   other operation touches it in between; so one erase per write, and the
//   erase that must come early (the first block before the record names it,
//   the next block when the spare naming it is built, so that a cut write is
//   followed safely) is that same erase: the block is not touched again
//   before its write;
// - the system block is written whole, block 0 then the backup block, each
//   erased first: one system-image write is 2 erases and 2 writes;
// - a write or a deletion is preceded by an image carrying its pending-job
//   record, and the job's final image clears it; a record for the next
//   deletion can ride on the image that completes the previous one;
// - everything a job needs to know about the file system is in the system
//   image loaded at the connection; data blocks are read only for their data
//   or for the chain links in their spare bytes, each once.
//
// Usage: bench_jobs_flash [--trace] [ERASE_MS]
//   ERASE_MS: an erase and its write take 20 ms; the erase takes ERASE_MS
//   of them (10 by default). --trace lists each job's operations in order.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchRecorder.h"
#include "FlashMeter.h"
#include "recorder/Layout.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"
#include "voice/VoiceHeader.h"

namespace fs = std::filesystem;
using bench::BenchRecorder;
using bench::OpCounts;
using bench::Waste;

namespace {

constexpr uint32_t kBlocks = 1024;
constexpr uint64_t kBlockData = recorder::kBlockDataSize;
// On the flash a file is preceded by a header page: a voice file's own
// 256-byte header stays in it (1792 bytes more), any other file gets one.
constexpr uint64_t kVoiceOverhead = 1792, kOtherOverhead = 2048;

struct Result {
  std::string job;
  OpCounts got, min;
  Waste waste;
  OpCounts connection;  // the connection before the job: index and recovery check
  uint64_t recordings = 0;  // on the chip when the connection loaded the index
  std::string trace;        // the job's operations, with --trace
};

[[noreturn]] void die(const std::string &why) {
  std::fprintf(stderr, "bench_jobs_flash: %s\n", why.c_str());
  std::exit(1);
}

OpCounts plus(OpCounts a, const OpCounts &b) {
  a.reads += b.reads;
  a.erases += b.erases;
  a.writes += b.writes;
  return a;
}

// k system-image writes.
OpCounts images(uint64_t k) { return {0, 2 * k, 2 * k}; }

uint64_t blocksFor(uint64_t flashBytes) { return (flashBytes + kBlockData - 1) / kBlockData; }

// ---- PC files ----------------------------------------------------------

std::vector<uint8_t> pattern(size_t n, uint32_t seed) {
  // No 0xFF byte: a recovered file keeps every byte up to its last one that
  // is not 0xFF, so the whole file comes back.
  std::vector<uint8_t> out(n);
  uint32_t x = seed * 2654435761u + 0x9E3779B9u;
  for (auto &b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x % 0xFF);
  }
  return out;
}

void writeFile(const fs::path &file, const std::vector<uint8_t> &bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) die("cannot write " + file.string());
}

std::vector<uint8_t> readFile(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A voice file of `bytes` bytes in all: its header, then whole 10-byte frames.
std::vector<uint8_t> makeVoiceFile(const fs::path &file, size_t bytes, uint32_t seed) {
  std::vector<uint8_t> out(voice::header::kSize);
  voice::MakeG729FileHeader(out.data(), 16, 8000, 1, file.string(), true, voice::HeaderTime{2024, 3, 15, 13, 5, 9});
  size_t frames = (bytes - out.size()) / 10;
  std::vector<uint8_t> data = pattern(frames * 10, seed);
  out.insert(out.end(), data.begin(), data.end());
  writeFile(file, out);
  return out;
}

// ---- running jobs --------------------------------------------------------

OpCounts chipCounts(q417io::Flash &flash) {
  const q417io::Counters &c = flash.counters();
  return {c.reads, c.erases, c.writes};
}

void agree(const std::string &job, const OpCounts &metered, const OpCounts &chip) {
  if (metered.reads != chip.reads || metered.erases != chip.erases || metered.writes != chip.writes)
    die(job + ": the meter and the chip's own counters disagree");
}

void consistent(BenchRecorder &rec, const std::string &job) {
  std::string found = rec.fsck();
  if (!found.empty()) die(job + ": the flash is inconsistent afterwards:\n" + found);
}

// A connection, then the job as its q417 command runs it.
Result runJob(BenchRecorder &rec, const std::string &name, const OpCounts &min,
              const std::function<bool(BenchRecorder &)> &job) {
  rec.meter().clear();
  if (!rec.connect()) die(name + ": the connection failed");
  Result r{name, {}, min, {}, {}, 0, {}};
  r.connection = plus(rec.meter().segment("connect").ops, rec.meter().segment("check").ops);
  for (int f = 1; f <= 8; ++f) r.recordings += rec.fileCount(f);
  rec.meter().enter("job");
  rec.flash().resetCounters();
  if (!job(rec)) die(name + ": the job failed");
  const bench::Segment &s = rec.meter().segment("job");
  agree(name, s.ops, chipCounts(rec.flash()));
  r.got = s.ops;
  r.waste = s.waste;
  r.trace = s.trace;
  consistent(rec, name);
  return r;
}

// A job cut off by a pulled cable where cutAfter says, then the connection
// that finishes it: its index load and check count as the connection, the
// rest of the recovery as the job.
Result runRecovery(BenchRecorder &rec, const std::string &name, const OpCounts &min,
                   const std::function<void(BenchRecorder &)> &cutJob,
                   const std::function<bool(BenchRecorder &)> &verify) {
  rec.meter().clear();
  if (!rec.connect()) die(name + ": the connection before the cut failed");
  // The cut job leaves the folders of the image on the flash as they are.
  uint64_t listed = 0;
  for (int f = 1; f <= 8; ++f) listed += rec.fileCount(f);
  cutJob(rec);
  if (rec.flash().linked()) die(name + ": the job was not cut");
  rec.meter().clear();
  if (!rec.connect()) die(name + ": the connection after the cut failed");
  bench::FlashMeter &m = rec.meter();
  OpCounts connection = plus(m.segment("connect").ops, m.segment("check").ops);
  const bench::Segment &job = m.segment("recovery");
  agree(name, plus(connection, job.ops), chipCounts(rec.flash()));
  Result r{name, job.ops, min, job.waste, connection, listed, job.trace};
  if (!rec.recovery().finished) die(name + ": the recovery did not finish the job: " + rec.recovery().describe());
  if (!verify(rec)) die(name + ": the recovered recorder is not as expected");
  consistent(rec, name);
  return r;
}

// Cuts the link after the n-th write of a data block (neither block 0 nor
// the backup): n blocks of the file are on the flash.
void cutAfterDataWrites(BenchRecorder &rec, uint64_t n) {
  const uint32_t backup = rec.volume().image.backupBlock();
  auto seen = std::make_shared<uint64_t>(0);
  rec.meter().cutAfter = [=](char kind, uint32_t block) {
    return kind == 'W' && block != 0 && block != backup && ++*seen == n;
  };
}

// Cuts the link once the first system image is written whole (its backup).
void cutAfterFirstImage(BenchRecorder &rec) {
  const uint32_t backup = rec.volume().image.backupBlock();
  rec.meter().cutAfter = [=](char kind, uint32_t block) { return kind == 'W' && block == backup; };
}

// ---- the report ----------------------------------------------------------

std::string timeText(double ms) {
  char buf[32];
  if (ms >= 1000) std::snprintf(buf, sizeof buf, "%.2f s", ms / 1000);
  else std::snprintf(buf, sizeof buf, "%.0f ms", ms);
  return buf;
}

std::string excessText(const Result &r) {
  std::string text;
  auto diff = [&](uint64_t got, uint64_t min, const char *what) {
    if (got == min) return;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%+lld %s", text.empty() ? "" : ", ", static_cast<long long>(got) - static_cast<long long>(min), what);
    text += buf;
  };
  diff(r.got.reads, r.min.reads, "reads");
  diff(r.got.erases, r.min.erases, "erases");
  diff(r.got.writes, r.min.writes, "writes");
  if (text.empty()) return "at the minimum";
  std::vector<std::string> seen;
  if (r.waste.reErases) seen.push_back(std::to_string(r.waste.reErases) + " erased a block this job had erased and not touched since");
  if (r.waste.reReads) seen.push_back(std::to_string(r.waste.reReads) + " read a block this job had read and not changed since");
  if (r.waste.sameWrites) seen.push_back(std::to_string(r.waste.sameWrites) + " wrote back the bytes the block held");
  for (size_t i = 0; i < seen.size(); ++i) text += (i == 0 ? "; of these: " : ", ") + seen[i];
  return text;
}

}  // namespace

int main(int argc, char **argv) {
  bench::TimeModel time;
  bool trace = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--trace") {
      trace = true;
      continue;
    }
    char *end = nullptr;
    time.eraseMs = std::strtod(arg.c_str(), &end);
    if (end == arg.c_str() || *end || time.eraseMs < 0 || time.eraseMs > 20)
      die("usage: bench_jobs_flash [--trace] [ERASE_MS], ERASE_MS from 0 to 20");
    time.writeMs = 20 - time.eraseMs;
  }
  fs::path dir = fs::temp_directory_path() / ("q417-bench-flash-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  struct Cleanup {
    fs::path dir;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(dir, ec);
    }
  } cleanup{dir};

  // PC files: a voice file of 1 MB, another file of 10 MB, five short voice recordings.
  const fs::path voiceFile = dir / "speech.dvg", otherFile = dir / "data.bin";
  const std::vector<uint8_t> voiceBytes = makeVoiceFile(voiceFile, 1 << 20, 1);
  const std::vector<uint8_t> otherBytes = pattern(10u << 20, 2);
  writeFile(otherFile, otherBytes);
  std::vector<fs::path> five;
  for (int i = 1; i <= 5; ++i) {
    five.push_back(dir / ("memo" + std::to_string(i) + ".dvg"));
    makeVoiceFile(five.back(), 200 * 1024, 10 + static_cast<uint32_t>(i));
  }
  const uint64_t voiceBlocks = blocksFor(voiceBytes.size() + kVoiceOverhead);
  const uint64_t otherBlocks = blocksFor(otherBytes.size() + kOtherOverhead);

  BenchRecorder rec(kBlocks);
  rec.meter().tracing = trace;
  std::string error;
  if (!rec.format(&error)) die("formatting the chip failed: " + error);
  const BenchRecorder::Snapshot empty = rec.snapshot();
  if (!rec.connect() || !rec.put(1, five)) die("writing five recordings failed");
  const BenchRecorder::Snapshot withFive = rec.snapshot();

  std::vector<Result> results;
  auto put = [&](const fs::path &file, uint64_t blocks, const std::string &name) {
    rec.restore(empty);
    // Each block erased and written once; the record image and the final image.
    OpCounts min = plus({0, blocks, blocks}, images(2));
    results.push_back(runJob(rec, name, min, [&](BenchRecorder &r) {
      return recorder::jobs::Writer(r.volume()).OnBtnFileToFlashClick(1, {file}).ok();
    }));
  };
  auto get = [&](const std::vector<uint8_t> &original, uint64_t blocks, const std::string &name, bool voice) {
    // Each block of the recording read once.
    results.push_back(runJob(rec, name, {blocks, 0, 0}, [&](BenchRecorder &r) {
      fs::remove_all(dir / "out");
      fs::create_directories(dir / "out");
      if (!recorder::jobs::Upload(r.volume()).UploadFlashFileList(1, {0}, dir / "out").ok()) return false;
      fs::path copy = *fs::directory_iterator(dir / "out");
      std::vector<uint8_t> back = readFile(copy);
      // A voice file's header gets the recorder's name fields; its data comes back unchanged.
      size_t from = voice ? voice::header::kSize : 0;
      return back.size() == original.size() && std::equal(back.begin() + static_cast<long>(from), back.end(),
                                                          original.begin() + static_cast<long>(from));
    }));
  };

  put(voiceFile, voiceBlocks, "put 1 MB voice file (" + std::to_string(voiceBlocks) + " blocks)");
  get(voiceBytes, voiceBlocks, "get 1 MB voice file (" + std::to_string(voiceBlocks) + " blocks)", true);
  put(otherFile, otherBlocks, "put 10 MB other file (" + std::to_string(otherBlocks) + " blocks)");
  get(otherBytes, otherBlocks, "get 10 MB other file (" + std::to_string(otherBlocks) + " blocks)", false);

  rec.restore(withFive);
  // k deletions: k + 1 images, each carrying the record of the deletion still due.
  results.push_back(runJob(rec, "rm 2 of 5 recordings", images(2 + 1), [](BenchRecorder &r) {
    return recorder::jobs::Eraser(r.volume()).DeleteFlashFile(1, {1, 3}).ok() && r.fileCount(1) == 3;
  }));
  rec.restore(withFive);
  // A move changes folder pages only: one image for all of them.
  results.push_back(runJob(rec, "move 3 of 5 recordings A -> B", images(1), [](BenchRecorder &r) {
    return recorder::jobs::Reorder(r.volume()).moveToFolder(1, {0, 2, 4}, 2).ok() && r.fileCount(1) == 2 &&
           r.fileCount(2) == 3;
  }));
  rec.restore(withFive);
  results.push_back(runJob(rec, "up: recording 4 of 5", images(1), [](BenchRecorder &r) {
    int row = -1;
    return recorder::jobs::Reorder(r.volume()).UpFlashFile(1, {3}, row).ok() && row == 2;
  }));

  // A voice write cut after `written` blocks: the walk reads them and the
  // erased block the last one names; that block is rewritten as the last;
  // one image enters the chain.
  const uint64_t written = voiceBlocks / 2 + 1;
  rec.restore(empty);
  results.push_back(runRecovery(
      rec, "recover: voice write cut after " + std::to_string(written) + " of " + std::to_string(voiceBlocks) + " blocks",
      plus({written + 1, 1, 1}, images(1)),
      [&](BenchRecorder &r) {
        cutAfterDataWrites(r, written);
        recorder::jobs::Writer(r.volume()).OnBtnFileToFlashClick(1, {voiceFile});
      },
      [&](BenchRecorder &r) {
        std::vector<uint8_t> back;
        if (r.fileCount(1) != 1 || !recorder::jobs::readRecording(r.volume(), 1, 1, back)) return false;
        // The voice data up to the cut, ending on a whole frame.
        uint64_t data = written * kBlockData - recorder::kPageSize;
        data -= data % 10;
        return back.size() == voice::header::kSize + data &&
               std::equal(back.begin() + voice::header::kSize, back.end(), voiceBytes.begin() + voice::header::kSize);
      }));
  // The whole chain written, the final image cut: the walk reads every block;
  // the last one already carries its end mark and count.
  rec.restore(empty);
  results.push_back(runRecovery(
      rec, "recover: 10 MB write cut before its final image", plus({otherBlocks, 0, 0}, images(1)),
      [&](BenchRecorder &r) {
        cutAfterDataWrites(r, otherBlocks);
        recorder::jobs::Writer(r.volume()).OnBtnFileToFlashClick(1, {otherFile});
      },
      [&](BenchRecorder &r) {
        std::vector<uint8_t> back;
        return r.fileCount(1) == 1 && recorder::jobs::readRecording(r.volume(), 1, 1, back) && back == otherBytes;
      }));
  // A deletion cut after its record: one image completes it.
  rec.restore(withFive);
  results.push_back(runRecovery(
      rec, "recover: deletion cut after its record", images(1),
      [](BenchRecorder &r) {
        cutAfterFirstImage(r);
        recorder::jobs::Eraser(r.volume()).DeleteFlashFile(1, {1});
      },
      [](BenchRecorder &r) { return r.fileCount(1) == 4; }));

  // ---- the table -----------------------------------------------------------
  std::printf("bench_jobs_flash: flash operations of the recorder jobs against the minimum each needs\n");
  std::printf("  in-process flash of %u blocks; each job as its q417 command runs it, after a connection of its own\n",
              kBlocks);
  std::printf("  time model: read %.0f ms, erase %.0f ms, write %.0f ms (an erase and its write: 20 ms)\n\n", time.readMs,
              time.eraseMs, time.writeMs);
  std::printf("%-48s %13s %13s %13s %6s %9s %9s\n", "job", "reads", "erases", "writes", "ratio", "time", "minimum");
  std::printf("%-48s %13s %13s %13s\n", "", "got/min", "got/min", "got/min");
  bool atGoal = true;
  for (const Result &r : results) {
    char reads[32], erases[32], writes[32];
    std::snprintf(reads, sizeof reads, "%llu/%llu", static_cast<unsigned long long>(r.got.reads),
                  static_cast<unsigned long long>(r.min.reads));
    std::snprintf(erases, sizeof erases, "%llu/%llu", static_cast<unsigned long long>(r.got.erases),
                  static_cast<unsigned long long>(r.min.erases));
    std::snprintf(writes, sizeof writes, "%llu/%llu", static_cast<unsigned long long>(r.got.writes),
                  static_cast<unsigned long long>(r.min.writes));
    double got = time.ms(r.got), min = time.ms(r.min);
    double ratio = got / min;
    if (ratio > 1.0005) atGoal = false;
    std::printf("%-48s %13s %13s %13s %6.2f %9s %9s\n", r.job.c_str(), reads, erases, writes, ratio,
                timeText(got).c_str(), timeText(min).c_str());
  }
  std::printf("\nratio: modelled time over the minimum's time; goal 1.00 for every job (%s)\n\n",
              atGoal ? "met" : "not met");

  std::printf("where a job is above its minimum:\n");
  for (const Result &r : results) std::printf("  %-48s %s\n", r.job.c_str(), excessText(r).c_str());

  std::printf("\nthe connection before each job (not in the job's figures):\n");
  for (const Result &r : results) {
    // Block 0, each recording's first block, the backup block.
    const OpCounts min{1 + r.recordings + 1, 0, 0};
    std::printf("  %-48s %llu reads, minimum %llu (%llu recording(s)), ratio %.2f\n", r.job.c_str(),
                static_cast<unsigned long long>(r.connection.reads), static_cast<unsigned long long>(min.reads),
                static_cast<unsigned long long>(r.recordings), time.ms(r.connection) / time.ms(min));
  }

  std::printf("\nthe minimum of each job:\n"
              "  put      each of the file's blocks erased once and written once: the erase that must come early\n"
              "           (the first block before the record names it, the next block when the spare naming it is\n"
              "           built) is the one right before its write, as nothing touches the block in between;\n"
              "           2 system-image writes (block 0, then the backup): with the write record, then with the\n"
              "           chain entered and the record cleared; no reads (free blocks come from the image)\n"
              "  get      each block of the recording read once; the block list comes from the block map\n"
              "  rm       no data block touched (a deletion frees blocks in the map only); k deletions take\n"
              "           k + 1 system-image writes: the first carries the record of the first deletion, each\n"
              "           one after it removes a recording and carries the record of the next, the last clears it\n"
              "  move, up one system-image write: only folder pages change, and one image write is all or\n"
              "           nothing (a torn block 0 is restored from the backup, a stale backup is refreshed)\n"
              "  recover  cut write: each block the chain names read once, the erased block that ends it\n"
              "           included; the last written block rewritten once with its end mark and count, unless\n"
              "           it already carries them; one system-image write enters the chain and clears the\n"
              "           record; the new recording's name comes from the header page the walk read\n"
              "           cut deletion: one system-image write\n"
              "  connection (apart): block 0 once (index and pending-job record), each recording's first block\n"
              "           once (its name), the backup block once (is it up to date?)\n");
  if (trace) {
    std::printf("\neach job's operations in order (R read, E erase, W write; block numbers):\n");
    for (const Result &r : results) std::printf("  %s\n    %s\n", r.job.c_str(), r.trace.c_str());
  }
  return 0;
}
