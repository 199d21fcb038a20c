// Blocks that fail: retired during a write, found by the surface test, and
// reads that come back damaged.
#include <gtest/gtest.h>

#include "Rig.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

class BadBlockTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.formatted(); }
  uint32_t firstFree() { return Chains(rig.v()).GetFlashWriteableBlock(rig.v().image.reservedBlock() + 1u); }
  Rig rig;
  TempDir pc;
};

// A block that fails twice is retired: listed in the header's table,
// 0xEEEE in the block map, and the file goes on in the next writable block.
TEST_F(BadBlockTest, FailingBlockIsRetiredAndTheFileGoesOn) {
  for (int failing : {0, 1, 2}) {  // the file's first, second or last block
    SCOPED_TRACE(failing);
    rig.formatted();
    const uint32_t bad = firstFree() + static_cast<uint32_t>(failing);
    rig.flash().faults().failWrite[bad] = 1;
    fs::path file = pc / "f.bin";
    writeFile(file, pattern(3 * kBlockDataSize - 3000, 2));
    ASSERT_TRUE(put(rig, 1, {file}));
    EXPECT_EQ(rig.flash().counters().blockWrites.at(bad), 2u);
    ASSERT_TRUE(rig.reconnect());
    ASSERT_EQ(rig.v().badBlocks.count(), 1u);
    EXPECT_EQ(rig.v().image.badBlockCount(), 1u);
    EXPECT_EQ(rig.v().image.badBlockTableEntry(0), bad);
    EXPECT_EQ(rig.v().image.mapEntry(bad), blockmap::kBad);
    std::vector<uint8_t> back;
    ASSERT_TRUE(readRecording(rig.v(), 1, 1, back));
    EXPECT_EQ(back, readFile(file));
    std::vector<uint32_t> blocks;
    const auto e = rig.v().image.entry(1, 0);
    ASSERT_TRUE(Chains(rig.v()).fileBlocks(e.firstBlock, e.pages, blocks));
    EXPECT_EQ(std::count(blocks.begin(), blocks.end(), bad), 0);
    EXPECT_EQ(rig.fsckText(), "");
  }
}

// The first block is erased before the record names it; a block that
// refuses that erase twice is retired before the record is written.
TEST_F(BadBlockTest, FirstBlockThatCannotBeErasedIsRetired) {
  const uint32_t bad = firstFree();
  rig.flash().faults().failErase[bad] = 1;
  fs::path file = pc / "f.bin";
  writeFile(file, pattern(kBlockDataSize, 4));
  ASSERT_TRUE(put(rig, 2, {file}));
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.v().badBlocks.blocks(), std::vector<uint16_t>{static_cast<uint16_t>(bad)});
  EXPECT_EQ(rig.v().image.entry(2, 0).firstBlock, bad + 1);
  std::vector<uint8_t> back;
  ASSERT_TRUE(readRecording(rig.v(), 2, 1, back));
  EXPECT_EQ(back, readFile(file));
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(BadBlockTest, WriteStopsWhenA128thBlockWouldBeRetired) {
  // 127 blocks listed bad, at the top of the chip.
  for (uint32_t b = 0; b < 127; ++b) rig.v().badBlocks.add(800 + b);
  SystemBlock system(rig.v());
  system.SetDefaultFAT0Info();
  ASSERT_TRUE(system.WriteSystemImage());
  ASSERT_TRUE(rig.reconnect());
  ASSERT_EQ(rig.v().badBlocks.count(), 127u);
  rig.flash().faults().failWrite[firstFree()] = 1;
  fs::path file = pc / "f.bin";
  writeFile(file, pattern(5000, 1));
  EXPECT_FALSE(put(rig, 1, {file}));
  EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg4"));
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.v().badBlocks.count(), 127u);
  // The user was told the file is not written: no record is left that
  // would enter a part of it.
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::None);
  EXPECT_EQ(rig.v().directory.fileCount(1), 0u);
  EXPECT_EQ(rig.fsckText(), "");
}

// Writable blocks counted from the block map, not only from the folders'
// counts: a write that cannot fit is refused before the flash is touched,
// and one that runs out on the way (a block retired with no other left)
// erases what it wrote and clears its record.
TEST_F(BadBlockTest, AWriteThatRunsOutOfBlocksLeavesNothingBehind) {
  struct Case {
    uint32_t writable;    // free blocks the map leaves
    int failing;          // block of the file that fails twice, -1: none
    const char *message;
    bool touchesFlash;
  };
  const Case cases[] = {
      {2, -1, "FM_text_pen_errmsg0", false},
      {3, 1, "FM_text_pen_errmsg1", true},
      {3, 2, "FM_text_pen_errmsg1", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.writable << " writable, block " << c.failing << " failing");
    rig.formatted();
    fs::path old = pc / "old.bin";
    writeFile(old, pattern(1000, 4));
    ASSERT_TRUE(put(rig, 1, {old}));
    // The recorder's own marks (0xFAFA) take every block but a few; the
    // header's arithmetic still sees the chip nearly empty.
    const uint32_t first = firstFree();
    for (uint32_t b = first + c.writable; b < rig.v().blockCount(); ++b)
      if (rig.v().image.mapEntry(b) == blockmap::kFree) rig.v().image.setMapEntry(b, blockmap::kReserved);
    ASSERT_TRUE(SystemBlock(rig.v()).WriteSystemImage());
    ASSERT_TRUE(rig.reconnect());
    ASSERT_EQ(rig.v().writeRefusal, "");
    Model before = rig.model();
    Snapshot start = rig.snapshot();
    if (c.failing >= 0) rig.flash().faults().failWrite[first + static_cast<uint32_t>(c.failing)] = 1;
    fs::path file = pc / "f.bin";
    writeFile(file, pattern(3 * kBlockDataSize - 3000, 2));
    rig.ui.messages.clear();
    rig.io.ops.clear();
    EXPECT_FALSE(put(rig, 1, {file}));
    EXPECT_TRUE(rig.ui.showed(c.message));
    EXPECT_EQ(!rig.io.ops.empty(), c.touchesFlash);
    if (!c.touchesFlash) {
      EXPECT_TRUE(sameFlash(rig.snapshot(), start));
    }
    ASSERT_TRUE(rig.reconnect());
    EXPECT_EQ(rig.session().recovery().job, Recovery::Job::None);
    EXPECT_EQ(rig.model(), before) << describe(rig.model());
    for (uint32_t b = first; b < first + c.writable; ++b) {
      if (rig.v().image.mapEntry(b) == blockmap::kBad) continue;
      auto raw = rig.flash().peek(b);
      EXPECT_TRUE(std::all_of(raw.begin(), raw.end(), [](uint8_t x) { return x == 0xFF; })) << "block " << b;
    }
  }
}

// The surface test retires every block whose erase, write or read-back
// fails, and formats the rest.
TEST_F(BadBlockTest, SurfaceTestListsTheBlocksThatFail) {
  const uint32_t eraseFails = 100, writeFails = 200, readBackWrong = 300;
  rig.flash().faults().failErase[eraseFails] = 1;
  rig.flash().faults().failWrite[writeFails] = 1;
  rig.io.onRead = [&](uint32_t block, uint8_t *raw) {
    if (block == readBackWrong) raw[rawDataOffset(1) + 5] ^= 0x01;
  };
  ASSERT_TRUE(Formatter(rig.v(), &rig.panel()).formatNow().ok());
  rig.io.onRead = nullptr;
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.v().badBlocks.blocks(), (std::vector<uint16_t>{eraseFails, writeFails, readBackWrong}));
  for (uint32_t b : {eraseFails, writeFails, readBackWrong}) EXPECT_EQ(rig.v().image.mapEntry(b), blockmap::kBad);
  EXPECT_EQ(Chains(rig.v()).GetFlashAvaliableBlockCount(), static_cast<int>(rig.flash().blockCount()) - 3 - 6);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(BadBlockTest, MoreThan126FailingBlocksFailTheFormat) {
  for (uint32_t b = 0; b < 127; ++b) rig.flash().faults().failErase[600 + b] = 1;
  EXPECT_FALSE(Formatter(rig.v(), &rig.panel()).formatNow().ok());
  EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg4"));
  EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg5"));
  EXPECT_FALSE(rig.v().link.indexed);
  // The format record stays: the next connection formats again.
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::Format);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(BadBlockTest, DamagedReadsAreRetriedFifteenTimes) {
  fs::path file = pc / "r.bin";
  writeFile(file, pattern(2 * kBlockDataSize, 3));
  ASSERT_TRUE(put(rig, 1, {file}));
  const uint32_t second = rig.v().image.mapEntry(rig.v().image.entry(1, 0).firstBlock);
  for (int damaged : {15, 16}) {
    SCOPED_TRACE(damaged);
    TempDir back;
    rig.ui.messages.clear();
    rig.flash().faults().damagedReads[second] = static_cast<uint64_t>(damaged);
    Outcome o = Upload(rig.v()).UploadFlashFileList(1, {0}, back.path());
    if (damaged == 15) {
      EXPECT_TRUE(o.ok());
      EXPECT_EQ(readFile(back / "r.BIN"), readFile(file));
      EXPECT_EQ(rig.v().retryCount, 15);
    } else {
      EXPECT_EQ(o.status, Status::Failed);
      EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg13"));
      // A copy that stops leaves the PC folder as it was.
      EXPECT_TRUE(fs::is_empty(back.path()));
    }
    rig.flash().faults().damagedReads.clear();
  }
}

}  // namespace
}  // namespace jobtest
