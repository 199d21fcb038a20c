#include "Harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace jobtest {

namespace {

// Pages a torn write keeps: 1 to 63, varying with the op.
uint32_t tornPages(uint64_t op) { return static_cast<uint32_t>(1 + (op * 23) % 63); }

std::string where(const JobCase &job, const CutPoint &cut) {
  return job.name + ": " + (cut.tear ? "write torn at op " : "cut after op ") + std::to_string(cut.op) +
         (cut.tear ? " (" + std::to_string(cut.pages) + " pages)" : "");
}

bool voiceBytes(const std::vector<uint8_t> &b) { return b.size() >= 4 && std::memcmp(b.data(), "VEXO", 4) == 0; }

// m equals expected but for one file of one folder that is missing from the
// end or is a shorter prefix of the expected one.
bool shorterOutcome(const Model &m, const Model &expected) {
  int differing = 0;
  for (size_t f = 0; f < m.size(); ++f) {
    if (m[f] == expected[f]) continue;
    if (++differing > 1) return false;
    const auto &got = m[f], &want = expected[f];
    if (got.size() + 1 == want.size()) {
      if (!std::equal(got.begin(), got.end(), want.begin())) return false;
      continue;
    }
    if (got.size() != want.size()) return false;
    int files = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      if (got[i] == want[i]) continue;
      if (++files > 1) return false;
      const auto &a = got[i].bytes, &b = want[i].bytes;
      if (got[i].name != want[i].name || a.size() >= b.size() || !std::equal(a.begin(), a.end(), b.begin())) return false;
      if (voiceBytes(b) && (a.size() < 256 || (a.size() - 256) % 10 != 0)) return false;
    }
  }
  return differing == 1;
}

}  // namespace

bool CutContext::landed(uint64_t i) const {
  if (i < cut.op) return true;
  if (i > cut.op || i == 0 || i > trace.size()) return false;
  if (!cut.tear) return true;
  const auto &op = trace[i - 1];
  return op.kind == 'W' && op.block == 0 && cut.pages > lastSystemPage;
}

uint32_t CutContext::pagesOf(uint64_t i) const {
  if (landed(i)) return recorder::kPagesPerBlock;
  return cut.tear && i == cut.op ? cut.pages : 0;
}

int CutContext::block0Writes(bool records) const {
  int n = 0;
  for (uint64_t i = 1; i <= trace.size(); ++i) {
    const auto &op = trace[i - 1];
    if (op.kind == 'W' && op.block == 0 && (!records || op.jobRecord) && landed(i)) ++n;
  }
  return n;
}

uint64_t CutContext::writeOf(uint32_t block) const {
  for (uint64_t i = trace.size(); i >= 1; --i)
    if (trace[i - 1].kind == 'W' && trace[i - 1].block == block) return i;
  return 0;
}

std::vector<uint64_t> allPoints(uint64_t count) {
  std::vector<uint64_t> out;
  for (uint64_t i = 1; i <= count; ++i) out.push_back(i);
  return out;
}

std::vector<uint64_t> spread(uint64_t first, uint64_t last, uint64_t n) {
  std::vector<uint64_t> out;
  if (last < first || n == 0) return out;
  if (n == 1) return {first};
  for (uint64_t i = 0; i < n; ++i) {
    uint64_t p = first + (last - first) * i / (n - 1);
    if (out.empty() || out.back() != p) out.push_back(p);
  }
  return out;
}

bool allCutsRequested() {
  const char *cuts = std::getenv("Q417_CUTS");
  return cuts && std::strcmp(cuts, "all") == 0;
}

HarnessCounts runCutPoints(Rig &rig, const Snapshot &start, const JobCase &job, const HarnessOptions &options) {
  HarnessCounts counts;
  rig.restore(start);
  EXPECT_TRUE(rig.reconnect());
  const Model before = rig.model();
  const uint32_t lastSystemPage = rig.v().link.geometry.lastSystemPage;

  // The uncut run: the job's operations and its whole outcome.
  rig.io.ops.clear();
  job.run(rig);
  const Trace trace = rig.io.ops;
  if (job.afterUncut) job.afterUncut(rig);
  counts.jobOps = trace.size();
  {
    SCOPED_TRACE(job.name + ": uncut");
    CutContext whole{trace, {trace.size(), false, 0}, lastSystemPage};
    EXPECT_TRUE(rig.reconnect());
    EXPECT_EQ(rig.fsckText(), "");
    EXPECT_EQ(rig.model(), job.expect(before, whole));
  }

  std::vector<uint64_t> points = options.points.empty() ? allPoints(trace.size()) : options.points;
  int pointIndex = 0;
  for (uint64_t k : points) {
    if (k < 1 || k > trace.size()) continue;
    bool withRecovery = options.recoveryPoints && options.recoveryEvery > 0 && pointIndex++ % options.recoveryEvery == 0;
    for (bool tear : {false, true}) {
      if (tear && trace[k - 1].kind != 'W') continue;
      CutPoint cut{k, tear, tear ? tornPages(k) : 0};
      SCOPED_TRACE(where(job, cut));
      (tear ? counts.tears : counts.cuts)++;

      rig.restore(start);
      if (!rig.reconnect()) {
        ADD_FAILURE() << "the starting flash does not connect";
        return counts;
      }
      auto &faults = rig.flash().faults();
      const uint64_t base = rig.flashOps();
      if (tear) {
        faults.tearOp = base + k;
        faults.tearOpPages = cut.pages;
      } else {
        faults.cutAfter = base + k;
      }
      job.run(rig);
      const Snapshot cutState = rig.snapshot();

      rig.io.ops.clear();
      bool connected = rig.reconnect();
      const Trace recovery = rig.io.ops;
      EXPECT_TRUE(connected);
      if (!connected) continue;
      const CutContext context{trace, cut, lastSystemPage};
      const Model expected = job.expect(before, context);
      EXPECT_EQ(rig.fsckText(), "");
      Model got = rig.model();
      EXPECT_EQ(got, expected) << "got:\n" << describe(got) << "expected:\n" << describe(expected);

      // Recovery is idempotent: a further connection changes nothing.
      const Snapshot once = rig.snapshot();
      EXPECT_TRUE(rig.reconnect());
      EXPECT_TRUE(sameFlash(once, rig.snapshot()));
      if (!withRecovery || recovery.empty()) continue;

      // The recovery itself cut at each of its operations.
      ++counts.recoveryRuns;
      const uint32_t backup = rig.v().image.backupBlock();
      for (uint64_t j : options.recoveryPoints(recovery.size())) {
        if (j < 1 || j > recovery.size()) continue;
        for (bool tear2 : {false, true}) {
          if (tear2 && recovery[j - 1].kind != 'W') continue;
          SCOPED_TRACE(std::string("recovery ") + (tear2 ? "write torn at op " : "cut after op ") + std::to_string(j));
          ++counts.recoveryCuts;
          rig.restore(cutState);
          rig.reconnect([&] {
            auto &f = rig.flash().faults();
            if (tear2) {
              f.tearOp = j;
              f.tearOpPages = tornPages(j + 7);
            } else {
              f.cutAfter = j;
            }
          });
          if (!rig.reconnect()) {
            ADD_FAILURE() << "no connection after the cut recovery";
            continue;
          }
          EXPECT_EQ(rig.fsckText(), "");
          Model again = rig.model();
          if (again == expected) continue;
          const auto &op = recovery[j - 1];
          bool lastBlockRewrite = op.block != 0 && op.block != backup;
          if (job.mayShortenOnRecoveryCut && lastBlockRewrite && shorterOutcome(again, expected)) {
            ++counts.shorter;
            continue;
          }
          ADD_FAILURE() << "after the cut recovery:\n" << describe(again) << "expected:\n" << describe(expected);
        }
      }
    }
  }
  std::printf("[cut points] %s: %llu ops; %d cuts and %d torn writes checked; recovery cut at %d of them, "
              "%d recovery cuts (%d cost the cut file's last block)\n",
              job.name.c_str(), static_cast<unsigned long long>(counts.jobOps), counts.cuts, counts.tears,
              counts.recoveryRuns, counts.recoveryCuts, counts.shorter);
  std::fflush(stdout);
  return counts;
}

}  // namespace jobtest
