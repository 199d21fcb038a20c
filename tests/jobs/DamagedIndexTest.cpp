// A recorder whose index a write could destroy: a block map that calls a
// recording's block free. Its recordings are listed and copied; every job
// that writes the index is refused before it touches the flash, the
// connection writes nothing back, and formatting stays possible.
#include <gtest/gtest.h>

#include "Rig.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

constexpr const char *kRefusal = "FM_text_pen_index_damaged";

class DamagedIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.formatted();
    std::vector<fs::path> files;
    for (int i = 1; i <= 3; ++i) {
      files.push_back(pc / ("R" + std::to_string(i) + ".bin"));
      writeFile(files.back(), pattern(static_cast<size_t>(i) * kBlockDataSize - 5000, i));
    }
    ASSERT_TRUE(put(rig, 1, files));
    fs::path other = pc / "other.bin";
    writeFile(other, pattern(1000, 9));
    ASSERT_TRUE(put(rig, 2, {other}));
    model = rig.model();
    // The last block of recording 2 is marked free, as a faulty writer of
    // the index left it; the next write would take it.
    std::vector<uint32_t> blocks;
    const SystemImage::Entry e = rig.v().image.entry(1, 1);
    ASSERT_TRUE(Chains(rig.v()).fileBlocks(e.firstBlock, e.pages, blocks));
    lastBlock = blocks.back();
    rig.v().image.setMapEntry(lastBlock, blockmap::kFree);
    ASSERT_TRUE(SystemBlock(rig.v()).WriteSystemImage());
    ASSERT_TRUE(rig.reconnect());
    damaged = rig.snapshot();
  }

  // The job was refused with the message naming the fault, and the flash
  // is exactly as it was.
  void expectRefused(const Outcome &outcome) {
    EXPECT_EQ(outcome.status, Status::Refused);
    EXPECT_TRUE(rig.ui.showed(kRefusal));
    ASSERT_FALSE(rig.ui.prefixes.empty());
    EXPECT_NE(rig.ui.prefixes.back().find("folder 1 file 2: last block " + std::to_string(lastBlock) +
                                          " is marked free"),
              std::string::npos)
        << rig.ui.prefixes.back();
    EXPECT_TRUE(sameFlash(rig.snapshot(), damaged));
    rig.ui.messages.clear();
  }

  Rig rig;
  TempDir pc;
  Model model;
  uint32_t lastBlock = 0;
  Snapshot damaged;
};

TEST_F(DamagedIndexTest, RecordingsAreListedAndCopied) {
  EXPECT_FALSE(rig.v().writeRefusal.empty());
  EXPECT_EQ(rig.v().directory.fileCount(1), 3u);
  EXPECT_EQ(rig.model(), model);
  TempDir back;
  ASSERT_TRUE(Upload(rig.v()).UploadFlashFileList(1, {1}, back.path()).ok());
  EXPECT_EQ(readFile(back / "R2.BIN"), pattern(2 * kBlockDataSize - 5000, 2));
  EXPECT_TRUE(sameFlash(rig.snapshot(), damaged));
}

TEST_F(DamagedIndexTest, EveryWritingJobIsRefusedBeforeTouchingTheFlash) {
  fs::path file = pc / "new.bin";
  writeFile(file, pattern(5000, 42));
  int row = 0;
  SCOPED_TRACE("write");
  expectRefused(Writer(rig.v(), &rig.panel()).OnBtnFileToFlashClick(1, {file}));
  SCOPED_TRACE("erase");
  expectRefused(Eraser(rig.v(), &rig.panel()).DeleteFlashFile(1, {0}));
  SCOPED_TRACE("up");
  expectRefused(Reorder(rig.v(), &rig.panel()).UpFlashFile(1, {1}, row));
  SCOPED_TRACE("down");
  expectRefused(Reorder(rig.v(), &rig.panel()).DownFlashFile(1, {1}, row));
  SCOPED_TRACE("drop on a recording");
  expectRefused(Reorder(rig.v(), &rig.panel()).dropOnRecording(1, {0}, 2, row));
  SCOPED_TRACE("move to another folder");
  expectRefused(Reorder(rig.v(), &rig.panel()).moveToFolder(1, {0}, 3));
  EXPECT_EQ(rig.model(), model);
}

TEST_F(DamagedIndexTest, ConnectingWritesNothingBackAndLeavesAPendingJob) {
  // A stale backup and a pending deletion: a healthy index would bring the
  // backup up to date and finish the deletion.
  std::vector<uint8_t> backup = rig.flash().peek(rig.v().image.backupBlock());
  backup[rawDataOffset(1) + 1000] ^= 1;
  rig.flash().poke(rig.v().image.backupBlock(), backup.data());
  PendingJob job = PendingJob::erase(2, 1);
  std::vector<uint8_t> block0 = rig.flash().peek(0);
  job.storeTo(block0.data() + rawSpareOffset(0));
  rig.flash().poke(0, block0.data());
  Snapshot before = rig.snapshot();

  ASSERT_TRUE(rig.reconnect());
  const Recovery::Report &report = rig.session().recovery();
  EXPECT_EQ(report.job, Recovery::Job::Delete);
  EXPECT_TRUE(report.refused);
  EXPECT_FALSE(report.finished);
  EXPECT_FALSE(report.backupRewritten);
  EXPECT_TRUE(rig.ui.showed(kRefusal));
  EXPECT_TRUE(sameFlash(rig.snapshot(), before));
  EXPECT_EQ(rig.v().directory.fileCount(2), 1u);
}

TEST_F(DamagedIndexTest, FormattingIsStillAllowed) {
  rig.ui.answers = {components::kResultYes};
  ASSERT_TRUE(Formatter(rig.v(), &rig.panel()).FormatFlashMemory().ok());
  EXPECT_EQ(rig.v().writeRefusal, "");
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.fsckText(), "");
  EXPECT_EQ(rig.v().directory.fileCount(1), 0u);
}

}  // namespace
}  // namespace jobtest
