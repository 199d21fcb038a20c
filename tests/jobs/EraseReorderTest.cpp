// Erasing recordings, moving them up and down, dragging one onto another
// and moving them between folders.
#include <gtest/gtest.h>

#include "Rig.h"
#include "recorder/Chains.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Reorder.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

class EraseReorderTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.formatted(); }

  // Recordings named R1, R2, ... in the folder, of 1 to 3 blocks.
  void fill(int folder, int count, const char *prefix = "R") {
    std::vector<fs::path> files;
    for (int i = 1; i <= count; ++i) {
      fs::path file = pc / (prefix + std::to_string(i) + ".bin");
      writeFile(file, pattern(static_cast<size_t>(i % 3) * kBlockDataSize + 1000, folder * 100 + i));
      files.push_back(file);
    }
    ASSERT_TRUE(put(rig, folder, files));
  }
  std::vector<std::string> names(int folder) {
    std::vector<std::string> out;
    for (const auto &r : rig.v().directory.records(folder)) out.push_back(r.name);
    return out;
  }
  // The folder as it is on the flash, read by a new connection.
  std::vector<std::string> namesOnFlash(int folder) {
    EXPECT_TRUE(rig.reconnect());
    EXPECT_EQ(rig.fsckText(), "");
    return names(folder);
  }

  Rig rig;
  TempDir pc;
};

using Names = std::vector<std::string>;

TEST_F(EraseReorderTest, ErasingTwoAndFiveOfSixKeepsTheNumbersValid) {
  fill(1, 6);
  Model before = rig.model();
  Eraser eraser(rig.v(), &rig.panel());
  rig.panel().RefreshFlashFolderInfo(1, false);
  ASSERT_TRUE(eraser.DeleteFlashFile(1, {4, 1}).ok());
  // Number 5 goes first, then number 2.
  std::vector<std::string> lines;
  for (const auto &e : rig.ui.events)
    if (e.rfind("lines:|#", 0) == 0) lines.push_back(e.substr(7, 2));
  EXPECT_EQ(lines, (Names{"#5", "#2"}));
  EXPECT_EQ(names(1), (Names{"R1", "R3", "R4", "R6"}));
  EXPECT_EQ(rig.session().panelView().rows.size(), 4u);
  EXPECT_EQ(namesOnFlash(1), (Names{"R1", "R3", "R4", "R6"}));
  Model after = rig.model();
  EXPECT_EQ(after[0][1], before[0][2]);
  EXPECT_EQ(after[0][3], before[0][5]);
}

TEST_F(EraseReorderTest, ErasingTheOnlyRecordingFreesEverything) {
  fill(2, 1);
  fill(3, 2);
  const SystemImage::Entry e = rig.v().image.entry(2, 0);
  std::vector<uint32_t> blocks;
  ASSERT_TRUE(Chains(rig.v()).fileBlocks(e.firstBlock, e.pages, blocks));
  ASSERT_TRUE(Eraser(rig.v()).DeleteFlashFile(2, {0}).ok());
  EXPECT_TRUE(namesOnFlash(2).empty());
  EXPECT_EQ(rig.v().image.blocksUsed(2), 0u);
  for (uint32_t b : blocks) EXPECT_EQ(rig.v().image.mapEntry(b), blockmap::kFree) << b;
  EXPECT_EQ(names(3), (Names{"R1", "R2"}));
}

// Erasing several recordings: each image that completes a deletion names
// the next one, and a cancel clears that record, so nothing more is erased
// at the next connection.
TEST_F(EraseReorderTest, CancelAfterTheFirstDeletionLeavesNoRecord) {
  fill(1, 5);
  rig.ui.cancelAtPump = rig.ui.pumps + 1;
  EXPECT_EQ(Eraser(rig.v(), &rig.panel()).DeleteFlashFile(1, {0, 2, 4}).status, Status::Cancelled);
  EXPECT_EQ(names(1), (Names{"R1", "R2", "R3", "R4"}));
  EXPECT_EQ(namesOnFlash(1), (Names{"R1", "R2", "R3", "R4"}));
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::None);
}

TEST_F(EraseReorderTest, NoToTheQuestionErasesNothing) {
  fill(1, 2);
  uint64_t ops = rig.flashOps();
  rig.ui.answers = {components::kResultNo};
  EXPECT_EQ(Eraser(rig.v()).DeleteFlashFile(1, {0, 1}).status, Status::Declined);
  EXPECT_EQ(rig.flashOps(), ops);
  EXPECT_EQ(names(1), (Names{"R1", "R2"}));
}

TEST_F(EraseReorderTest, MovesInsideAFolder) {
  fill(1, 5);
  struct Case {
    const char *what;
    int row;         // selected row, or the dragged row
    int target;      // drop row (drags)
    Status status;
    Names after;
    int selected;
  };
  const Case cases[] = {
      {"up on the first", 0, -1, Status::Nothing, {"R1", "R2", "R3", "R4", "R5"}, -1},
      {"down on the last", 4, -1, Status::Nothing, {"R1", "R2", "R3", "R4", "R5"}, -1},
      {"up on the third", 2, -1, Status::Done, {"R1", "R3", "R2", "R4", "R5"}, 1},
      {"down on the first", 0, -1, Status::Done, {"R3", "R1", "R2", "R4", "R5"}, 1},
      {"drag 1 onto 4", 0, 3, Status::Done, {"R1", "R2", "R4", "R3", "R5"}, 3},
      {"drag 5 onto 1", 4, 0, Status::Done, {"R5", "R1", "R2", "R4", "R3"}, 0},
      {"drag onto itself", 2, 2, Status::Nothing, {"R5", "R1", "R2", "R4", "R3"}, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    uint64_t ops = rig.flashOps();
    Reorder reorder(rig.v(), &rig.panel());
    int row = -2;
    Outcome o;
    std::string what = c.what;
    if (c.target >= 0) o = reorder.dropOnRecording(1, {c.row}, c.target, row);
    else if (what.rfind("up", 0) == 0) o = reorder.UpFlashFile(1, {c.row}, row);
    else o = reorder.DownFlashFile(1, {c.row}, row);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(row, c.selected);
    EXPECT_EQ(names(1), c.after);
    // A move is one write of the system image: block 0 and the backup.
    EXPECT_EQ(rig.flashOps() - ops, c.status == Status::Done ? 4u : 0u);
  }
  EXPECT_EQ(namesOnFlash(1), (Names{"R5", "R1", "R2", "R4", "R3"}));
}

TEST_F(EraseReorderTest, MovesBetweenFoldersStayInTheirGroup) {
  fill(2, 4, "B");
  fill(4, 2, "D");
  Model before = rig.model();
  uint64_t ops = rig.flashOps();
  Reorder reorder(rig.v(), &rig.panel());
  Outcome refused = reorder.moveToFolder(2, {0, 2}, 5);
  EXPECT_EQ(refused.status, Status::Refused);
  EXPECT_FALSE(refused.reason.empty());
  EXPECT_EQ(rig.flashOps(), ops);

  ASSERT_TRUE(reorder.moveToFolder(2, {0, 2}, 4).ok());
  EXPECT_EQ(names(2), (Names{"B2", "B4"}));
  EXPECT_EQ(names(4), (Names{"D1", "D2", "B1", "B3"}));
  EXPECT_EQ(namesOnFlash(4), (Names{"D1", "D2", "B1", "B3"}));
  Model after = rig.model();
  EXPECT_EQ(after[3][2], before[1][0]);
  EXPECT_EQ(after[3][3], before[1][2]);
}

TEST_F(EraseReorderTest, MovesStopAtAFullFolder) {
  fs::path tiny = pc / "t.bin";
  writeFile(tiny, {1});
  ASSERT_TRUE(put(rig, 3, std::vector<fs::path>(98, tiny)));
  fill(1, 3);
  Reorder reorder(rig.v(), &rig.panel());
  EXPECT_EQ(reorder.moveToFolder(1, {0, 1, 2}, 3).status, Status::Refused);
  EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg12"));
  // Taken from the last row: R3 fits, R1 and R2 stay.
  EXPECT_EQ(names(1), (Names{"R1", "R2"}));
  EXPECT_EQ(rig.v().image.fileCount(3), 99u);
  EXPECT_EQ(names(3).back(), "R3");
  EXPECT_EQ(namesOnFlash(1), (Names{"R1", "R2"}));
}

}  // namespace
}  // namespace jobtest
