#include <gtest/gtest.h>
#include <unistd.h>

#include "QtTestEnvironment.h"
#include "app/AppFolders.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

TEST(AppFolders, BesideAWritableProgramFolder) {
  TempDir dir;
  app::AppFolders f = app::chooseAppFolders(dir.path() / "", dir.path() / "data");
  EXPECT_EQ(f.baseDir, dir.path() / "");
  EXPECT_EQ(f.voiceDir, dir.path() / "VoiceData");
  EXPECT_EQ(f.tempDir, dir.path() / "TempData");
  EXPECT_EQ(f.tempRecording, dir.path() / "TempData/TempRecording.dvg");
}

TEST(AppFolders, InTheUserDataFolderWhenTheProgramFolderIsNotWritable) {
  TempDir dir;
  app::AppFolders missing = app::chooseAppFolders(dir.path() / "no-such-folder", dir.path() / "data");
  EXPECT_EQ(missing.voiceDir, dir.path() / "data/VoiceData");
  if (::geteuid() == 0) GTEST_SKIP() << "root writes to read-only folders";
  fs::create_directories(dir.path() / "bin");
  fs::permissions(dir.path() / "bin", fs::perms::owner_read | fs::perms::owner_exec);
  app::AppFolders readOnly = app::chooseAppFolders(dir.path() / "bin", dir.path() / "data");
  EXPECT_EQ(readOnly.tempDir, dir.path() / "data/TempData");
}

TEST(AppFolders, CreatesBothFoldersAndReportsAFolderThatCannotBe) {
  TempDir dir;
  app::AppFolders f = app::chooseAppFolders(dir.path(), dir.path());
  std::string error;
  ASSERT_TRUE(app::createAppFolders(f, &error)) << error;
  EXPECT_TRUE(fs::is_directory(f.voiceDir));
  EXPECT_TRUE(fs::is_directory(f.tempDir));
  ASSERT_TRUE(app::createAppFolders(f, &error)) << "existing folders are fine";

  TempDir blocked;
  blocked.write("TempData", "a file where the folder belongs");
  app::AppFolders g = app::chooseAppFolders(blocked.path(), blocked.path());
  EXPECT_FALSE(app::createAppFolders(g, &error));
  EXPECT_NE(error.find("TempData"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(g.voiceDir)) << "the voice folder comes first";
}

TEST(AppFolders, EmptyingTheTempFolderDeletesPlainFilesOnly) {
  TempDir dir;
  fs::path temp = dir.path() / "TempData";
  dir.write("TempData/TempRecording.dvg", "old");
  dir.write("TempData/.hidden", "x");
  fs::path readOnly = dir.write("TempData/readonly.tmp", "x");
  fs::permissions(readOnly, fs::perms::owner_read);
  dir.write("TempData/sub/kept.wav", "kept");
  dir.write("outside/target.txt", "target");
  fs::create_directory_symlink(dir.path() / "outside", temp / "link-to-folder");

  EXPECT_EQ(app::emptyTempFolder(temp), 4);
  std::vector<std::string> left;
  for (auto &e : fs::directory_iterator(temp)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"sub"});
  EXPECT_TRUE(fs::exists(temp / "sub/kept.wav"));
  EXPECT_TRUE(fs::exists(dir.path() / "outside/target.txt")) << "a link's target is not touched";
  EXPECT_EQ(app::emptyTempFolder(dir.path() / "missing"), 0);
}

}  // namespace
