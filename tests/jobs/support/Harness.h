// The cut-point harness: runs a job once to learn its erases and writes,
// then for each chosen operation cuts the link right after it (and, for a
// write, also tears it half-way), reconnects as a new connection with its
// recovery, and checks the outcome: a consistent file system, every other
// recording intact and the job's target in a state its order of operations
// allows. Optionally it cuts the recovery itself at each of its operations
// and checks that a further connection reaches the same outcome.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Rig.h"

namespace jobtest {

using Trace = std::vector<TracingFlashIo::Op>;

struct CutPoint {
  uint64_t op = 0;     // 1-based, among the job's erases and writes
  bool tear = false;   // the op itself is torn instead of completed
  uint32_t pages = 0;  // pages a torn write keeps
};

// Where a cut falls in the uncut run of the job.
struct CutContext {
  const Trace &trace;
  CutPoint cut;
  uint32_t lastSystemPage;

  // Op i (1-based) reached the flash as a whole. A torn write of block 0
  // that kept every system page counts, as its check bytes all hold.
  bool landed(uint64_t i) const;
  // Pages of op i's write that reached the flash.
  uint32_t pagesOf(uint64_t i) const;
  // Writes of block 0 that landed; with records only those carrying a job record.
  int block0Writes(bool records = false) const;
  // The 1-based index of the write of block b, 0 when there is none.
  uint64_t writeOf(uint32_t block) const;
};

struct JobCase {
  std::string name;
  std::function<void(Rig &)> run;          // the job, on a connected rig
  std::function<void(Rig &)> afterUncut;   // learns what the uncut run laid out
  std::function<Model(const Model &before, const CutContext &)> expect;
  // A cut between the erase and the write of the recovery's rewrite of a
  // cut file's last block loses that block: the file may come out shorter.
  bool mayShortenOnRecoveryCut = false;
};

struct HarnessOptions {
  std::vector<uint64_t> points;  // job ops to cut at; empty: every one
  // Which recovery ops to cut at, given their count (none when unset).
  std::function<std::vector<uint64_t>(uint64_t count)> recoveryPoints;
  // Recovery cuts only for every n-th job cut point.
  int recoveryEvery = 1;
};

struct HarnessCounts {
  uint64_t jobOps = 0;
  int cuts = 0, tears = 0;
  int recoveryRuns = 0;     // job cut points whose recovery was cut too
  int recoveryCuts = 0;     // cuts and tears of recovery ops
  int shorter = 0;          // recovery cuts that cost the last block of a cut file
};

HarnessCounts runCutPoints(Rig &rig, const Snapshot &start, const JobCase &job, const HarnessOptions &options);

// Every op from 1 to count.
std::vector<uint64_t> allPoints(uint64_t count);
// n points spread evenly over [first, last], both included.
std::vector<uint64_t> spread(uint64_t first, uint64_t last, uint64_t n);
// True when Q417_CUTS=all asks for every cut point.
bool allCutsRequested();

}  // namespace jobtest
