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
  // The record is left: the file is absent or a prefix; either way consistent.
  EXPECT_EQ(rig.fsckText(), "");
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
      // What was copied before the damaged block stays on the PC.
      EXPECT_EQ(fs::file_size(back / "r.BIN"), kBlockDataSize - kPageSize);
    }
    rig.flash().faults().damagedReads.clear();
  }
}

}  // namespace
}  // namespace jobtest
