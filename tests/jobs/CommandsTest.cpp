// The recorder panel's commands as the window calls them.
#include <gtest/gtest.h>

#include "Rig.h"
#include "recorder/jobs/DefaultImage.h"
#include "recorder/jobs/RecorderCommands.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.formatted();
    for (int i = 1; i <= 3; ++i) {
      files.push_back(pc / ("c" + std::to_string(i) + ".bin"));
      writeFile(files.back(), pattern(1000 * static_cast<size_t>(i), i));
    }
    commands = std::make_unique<RecorderCommands>(rig.v(), rig.panel());
    commands->attach([this] { return selected; });
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (const auto &r : rig.session().panelView().rows) out.push_back(r.caption);
    return out;
  }

  Rig rig;
  TempDir pc;
  std::vector<fs::path> files;
  std::unique_ptr<RecorderCommands> commands;
  std::vector<int> selected;
};

TEST_F(CommandsTest, WrittenFilesAppearInTheListAndTheDeleteKeyErases) {
  rig.panel().OnTvFlashFolderListChange(RecorderPanel::Node::Folder, 2);
  ASSERT_TRUE(commands->writeFromPc(files).ok());
  EXPECT_EQ(rows(), (std::vector<std::string>{"# 1/c1", "# 2/c2", "# 3/c3"}));
  EXPECT_EQ(rig.session().panelView().nodeTexts[2].substr(0, 5), "B-#03");
  selected = {0, 2};
  rig.panel().OnLvFlashFileListKeyDown(46);
  EXPECT_EQ(rows(), (std::vector<std::string>{"# 1/c2"}));
  int row = -1;
  EXPECT_EQ(commands->moveUp({0}, row).status, Status::Nothing);
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.v().directory.fileCount(2), 1u);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(CommandsTest, NothingRunsWhileAnOutputIsActive) {
  rig.panel().OnTvFlashFolderListChange(RecorderPanel::Node::Folder, 1);
  ASSERT_TRUE(commands->writeFromPc(files).ok());
  bool busy = true;
  commands->isBusy = [&] { return busy; };
  uint64_t ops = rig.flashOps();
  int row = -1;
  DragSelection drag;
  drag.sourceFolder = 1;
  drag.items = {{0, "# 1/c1"}};
  EXPECT_EQ(commands->erase({0}).status, Status::Nothing);
  EXPECT_EQ(commands->moveDown({0}, row).status, Status::Nothing);
  EXPECT_EQ(commands->dropOnRecording(drag, 2, row).status, Status::Nothing);
  EXPECT_EQ(commands->dropOnFolder(drag, 2, pc.path()).status, Status::Nothing);
  EXPECT_EQ(commands->initialize().status, Status::Nothing);
  EXPECT_EQ(commands->writeFromPc(files).status, Status::Nothing);
  EXPECT_EQ(rig.flashOps(), ops);
  busy = false;
  EXPECT_TRUE(commands->dropOnRecording(drag, 2, row).ok());
  EXPECT_EQ(row, 2);
  EXPECT_EQ(rows(), (std::vector<std::string>{"# 1/c2", "# 2/c3", "# 3/c1"}));
}

TEST_F(CommandsTest, DropsOnFolderNodes) {
  rig.panel().OnTvFlashFolderListChange(RecorderPanel::Node::Folder, 1);
  // PC files dropped on folder C: written there, then folder A shown again.
  DragSelection fromPc;
  fromPc.sourceFolder = 0;
  fromPc.folderAtStart = 1;
  fromPc.items = {{0, "c1.bin"}, {1, "c2.bin"}};
  ASSERT_TRUE(commands->dropOnFolder(fromPc, 3, pc.path()).ok());
  EXPECT_EQ(rig.v().directory.fileCount(3), 2u);
  EXPECT_EQ(rig.session().panelView().selectedFolder, 1);
  EXPECT_TRUE(fromPc.items.empty());
  // Recordings of folder C dropped on folder E: refused; on folder D: moved.
  rig.panel().OnTvFlashFolderListChange(RecorderPanel::Node::Folder, 3);
  DragSelection fromC;
  fromC.sourceFolder = 3;
  fromC.folderAtStart = 3;
  fromC.items = {{0, "# 1/c1"}, {1, "# 2/c2"}};
  DragSelection again = fromC;
  EXPECT_EQ(commands->dropOnFolder(fromC, 5, pc.path()).status, Status::Refused);
  EXPECT_TRUE(fromC.items.empty());
  EXPECT_EQ(rig.v().directory.fileCount(3), 2u);
  ASSERT_TRUE(commands->dropOnFolder(again, 4, pc.path()).ok());
  EXPECT_EQ(rig.v().directory.fileCount(3), 0u);
  EXPECT_EQ(rig.v().directory.fileCount(4), 2u);
  EXPECT_EQ(rig.session().panelView().selectedFolder, 3);
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(CommandsTest, InitializeGoesThroughTheModelDialog) {
  rig.panel().OnTvFlashFolderListChange(RecorderPanel::Node::Folder, 1);
  ASSERT_TRUE(commands->writeFromPc(files).ok());
  bool capacity = false;
  commands->onCapacity = [&] { capacity = true; };
  ASSERT_TRUE(commands->initialize().ok());
  EXPECT_TRUE(capacity);
  EXPECT_TRUE(rows().empty());
  EXPECT_EQ(rig.v().directory.fileCount(1), 0u);
  EXPECT_TRUE(rig.v().link.indexed);
}

}  // namespace
}  // namespace jobtest

namespace jobtest {
namespace {

TEST(DefaultImage, FormatsABlankChipAndFillsItsFolders) {
  Rig rig;
  TempDir pc;
  std::vector<recorder::jobs::PlacedFile> files;
  for (int folder : {1, 1, 2}) {
    fs::path file = pc / ("f" + std::to_string(files.size()) + ".bin");
    writeFile(file, pattern(5000 + files.size(), folder));
    files.push_back({folder, file});
  }
  std::string error;
  ASSERT_TRUE(recorder::jobs::formatAndFill(rig.io, rig.ui, files, &error)) << error;
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.v().directory.fileCount(1), 2u);
  EXPECT_EQ(rig.v().directory.fileCount(2), 1u);
  EXPECT_EQ(rig.v().image.modelNameText().substr(0, 4), "Q417");
  EXPECT_EQ(rig.fsckText(), "");
  // A folder that does not take a file is an error.
  fs::path wav = pc / "x.wav";
  writeFile(wav, pattern(100, 1));
  EXPECT_FALSE(recorder::jobs::formatAndFill(rig.io, rig.ui, {{6, wav}}, &error));
  EXPECT_NE(error.find("folder F"), std::string::npos) << error;
}

}  // namespace
}  // namespace jobtest
