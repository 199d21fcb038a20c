// Every job cut at each of its flash operations, on a flash that has seen
// deletions, then reconnected with the recovery of interrupted jobs.
#include <gtest/gtest.h>

#include <algorithm>

#include "Harness.h"
#include "recorder/Chains.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/Writer.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

#ifdef Q417_JOBS_SANITIZE
constexpr bool kSanitize = true;
#else
constexpr bool kSanitize = false;
#endif

class CutPointTest : public ::testing::Test {
 protected:
  // Folder A keeps a voice recording after two older recordings were
  // erased, so that the lowest free blocks hold their dead chains; folder B
  // holds five recordings and folder D two.
  void SetUp() override {
    rig.formatted();
    fs::path old1 = pc / "old1.bin", old2 = pc / "old2.bin", keep = pc / "keep.DVG";
    writeFile(old1, pattern(kBlockDataSize + 9000, 1));
    writeFile(old2, pattern(7000, 2));
    voiceFile(keep, pattern(kBlockDataSize + 500, 3));
    ASSERT_TRUE(put(rig, 1, {old1, old2, keep}));
    std::vector<fs::path> b, d;
    for (int i = 1; i <= 5; ++i) {
      b.push_back(pc / ("b" + std::to_string(i) + ".bin"));
      writeFile(b.back(), pattern(static_cast<size_t>(i % 2) * kBlockDataSize + 3000 + i, 10 + i));
    }
    for (int i = 1; i <= 2; ++i) {
      d.push_back(pc / ("d" + std::to_string(i) + ".bin"));
      writeFile(d.back(), pattern(4000 + i, 20 + i));
    }
    ASSERT_TRUE(put(rig, 2, b));
    ASSERT_TRUE(put(rig, 4, d));
    ASSERT_TRUE(Eraser(rig.v()).DeleteFlashFile(1, {0, 1}).ok());
    ASSERT_TRUE(rig.reconnect());
    ASSERT_EQ(rig.fsckText(), "");
    start = rig.snapshot();
  }

  HarnessOptions options(bool everyRecoveryOp = true) {
    HarnessOptions o;
    if (everyRecoveryOp) o.recoveryPoints = allPoints;
    // The sanitizer build cuts the recovery of every fourth point.
    o.recoveryEvery = kSanitize && !allCutsRequested() ? 4 : 1;
    return o;
  }

  // A write of one file: absent, whole, or the prefix that reached the flash.
  JobCase writeCase(const std::string &name, int folder, const fs::path &file, bool voice) {
    auto chain = std::make_shared<std::vector<uint32_t>>();
    JobCase c;
    c.name = name;
    c.mayShortenOnRecoveryCut = true;
    c.run = [folder, file](Rig &r) { put(r, folder, {file}); };
    c.afterUncut = [folder, chain](Rig &r) {
      const auto e = r.v().image.entry(folder, r.v().image.fileCount(folder) - 1);
      Chains(r.v()).fileBlocks(e.firstBlock, e.pages, *chain);
    };
    const std::vector<uint8_t> pcBytes = readFile(file);
    const std::string base = file.filename().string();
    const std::string stem = base.substr(0, base.rfind('.'));
    std::string ext = base.substr(base.rfind('.') + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), ::toupper);
    c.expect = [=](const Model &before, const CutContext &ctx) {
      Model m = before;
      const int landed = ctx.block0Writes();
      if (landed == 0) return m;  // the record never reached block 0
      std::vector<uint8_t> data(pcBytes.begin() + (voice ? 256 : 0), pcBytes.end());
      const uint64_t size = kPageSize + data.size();
      uint64_t reached = 0;
      if (landed >= 2) {
        // The chain was entered by the job itself: the whole file.
        FileModel f{stem, voice ? "DVG" : ext, pcBytes, static_cast<uint32_t>((size + kPageSize - 1) / kPageSize)};
        m[static_cast<size_t>(folder - 1)].push_back(f);
        return m;
      } else {
        for (uint32_t b : *chain) {
          uint64_t w = ctx.writeOf(b);
          if (ctx.landed(w)) {
            reached += kBlockDataSize;
            continue;
          }
          reached += static_cast<uint64_t>(ctx.pagesOf(w)) * kPageSize;
          break;
        }
        reached = std::min(reached, size);
      }
      if (reached == 0) return m;  // nothing of the file reached the flash
      // The file ends after its last byte that is not 0xFF.
      uint64_t end = kPageSize;
      for (uint64_t i = reached; i > kPageSize; --i)
        if (data[i - kPageSize - 1] != 0xFF) {
          end = i;
          break;
        }
      if (voice) end = kPageSize + (end - kPageSize) / 10 * 10;
      FileModel f{stem, voice ? "DVG" : ext, {}, static_cast<uint32_t>((end + kPageSize - 1) / kPageSize)};
      if (voice) f.bytes.assign(pcBytes.begin(), pcBytes.begin() + 256);
      f.bytes.insert(f.bytes.end(), data.begin(), data.begin() + static_cast<long>(end - kPageSize));
      m[static_cast<size_t>(folder - 1)].push_back(f);
      return m;
    };
    return c;
  }

  Rig rig;
  TempDir pc;
  Snapshot start;
};

TEST_F(CutPointTest, WritingAThreeBlockVoiceFile) {
  fs::path file = pc / "talk.DVG";
  voiceFile(file, pattern(2 * kBlockDataSize + 30000, 40));
  HarnessCounts n = runCutPoints(rig, start, writeCase("writing a three-block voice file", 1, file, true), options());
  EXPECT_GT(n.cuts, 10);
  EXPECT_GT(n.recoveryCuts, 0);
}

TEST_F(CutPointTest, WritingANonVoiceFile) {
  // Its first block ends in a run of 0xFF bytes, which a cut there drops.
  std::vector<uint8_t> data = pattern(kBlockDataSize - kPageSize + 20000, 41);
  std::fill(data.begin() + (kBlockDataSize - kPageSize - 3000), data.begin() + (kBlockDataSize - kPageSize), 0xFF);
  fs::path file = pc / "notes.bin";
  writeFile(file, data);
  HarnessCounts n = runCutPoints(rig, start, writeCase("writing a non-voice file", 3, file, false), options());
  EXPECT_GT(n.cuts, 8);
}

TEST_F(CutPointTest, ErasingTwoOfFiveRecordings) {
  JobCase c;
  c.name = "erasing two of five recordings";
  c.run = [](Rig &r) { Eraser(r.v(), &r.panel()).DeleteFlashFile(2, {1, 3}); };
  c.expect = [](const Model &before, const CutContext &ctx) {
    Model m = before;
    int started = ctx.block0Writes(true);  // a deletion whose record landed is finished
    if (started >= 1) m[1].erase(m[1].begin() + 3);
    if (started >= 2) m[1].erase(m[1].begin() + 1);
    return m;
  };
  HarnessCounts n = runCutPoints(rig, start, c, options());
  EXPECT_EQ(n.jobOps, 12u);
}

TEST_F(CutPointTest, MovingRecordingsBetweenFolders) {
  JobCase c;
  c.name = "moving recordings between folders";
  c.run = [](Rig &r) { Reorder(r.v(), &r.panel()).moveToFolder(2, {0, 4}, 4); };
  c.expect = [](const Model &before, const CutContext &ctx) {
    Model m = before;
    // One write of the image moves both or neither: b1 and b5 after d1
    // and d2, in their order.
    if (ctx.block0Writes() >= 1) {
      m[3].insert(m[3].begin() + 2, m[1][4]);
      m[3].insert(m[3].begin() + 2, m[1][0]);
      m[1].erase(m[1].begin() + 4);
      m[1].erase(m[1].begin());
    }
    return m;
  };
  HarnessCounts n = runCutPoints(rig, start, c, options());
  EXPECT_EQ(n.jobOps, 4u);
}

TEST_F(CutPointTest, Reordering) {
  JobCase c;
  c.name = "reordering";
  c.run = [](Rig &r) {
    int row = -1;
    Reorder(r.v(), &r.panel()).dropOnRecording(2, {0}, 3, row);
  };
  c.expect = [](const Model &before, const CutContext &ctx) {
    Model m = before;
    if (ctx.block0Writes() >= 1) std::rotate(m[1].begin(), m[1].begin() + 1, m[1].begin() + 4);
    return m;
  };
  HarnessCounts n = runCutPoints(rig, start, c, options());
  EXPECT_EQ(n.jobOps, 4u);
}

// A format of a 1024-block chip has some 3000 erases and writes, each of
// whose cut points costs a whole format again at the recovery. Every cut
// point of its system-image writes runs (the first and the last four
// operations) with an even spread of 24 surface-test points;
// Q417_CUTS=all runs every one. The recovery (itself a format) is cut at its
// own system-image writes and at a few spread points, for every eighth job
// cut point. The sanitizer build, where a format takes a second, cuts only
// at the four writes of block 0 and its copy and at one surface-test point,
// and leaves the recovery uncut.
TEST_F(CutPointTest, Formatting) {
  JobCase c;
  c.name = "formatting";
  c.run = [](Rig &r) {
    r.ui.modelEntry = std::string(components::kModelEntry);
    Formatter(r.v(), &r.panel()).PreFlashFormat();
  };
  c.expect = [](const Model &before, const CutContext &ctx) { return ctx.block0Writes() >= 1 ? Model{} : before; };

  // The number of operations, from one run.
  rig.restore(start);
  ASSERT_TRUE(rig.reconnect());
  rig.io.ops.clear();
  c.run(rig);
  const uint64_t ops = rig.io.ops.size();
  ASSERT_GT(ops, 3000u);

  HarnessOptions o;
  if (allCutsRequested()) {
    o.points = allPoints(ops);
  } else if (kSanitize) {
    o.points = {2, 4, ops / 2, ops - 2, ops};
  } else {
    o.points = {1, 2, 3, 4, ops - 3, ops - 2, ops - 1, ops};
    for (uint64_t p : spread(5, ops - 4, 24)) o.points.push_back(p);
  }
  o.recoveryPoints = [](uint64_t count) {
    std::vector<uint64_t> points = {1, 2, 3, 4, count - 3, count - 2, count - 1, count};
    for (uint64_t p : spread(5, count - 4, 3)) points.push_back(p);
    return points;
  };
  if (kSanitize) o.recoveryPoints = nullptr;
  o.recoveryEvery = 8;
  HarnessCounts n = runCutPoints(rig, start, c, o);
  EXPECT_GE(n.cuts, kSanitize ? 5 : 32);
}

}  // namespace
}  // namespace jobtest
