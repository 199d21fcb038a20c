// q417 sync as a whole program: a backup that copies only what is new and
// never overwrites a file of another recording.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "Rig.h"
#include "recorder/jobs/Sync.h"
#include "testsupport/Process.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using Result = testsupport::ProcessResult;

Result q417(const std::string &args) { return testsupport::runCommand("'" Q417_TOOL "' " + args); }

std::string quoted(const fs::path &p) { return "'" + p.string() + "'"; }

class SyncToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image = (pc / "chip.img").string();
    ASSERT_EQ(q417("mkimage '" + image + "' --blocks 1024").status, 0);
    ASSERT_EQ(on("format --yes").status, 0);
    a = pc / "in" / "a.bin";
    v = pc / "in" / "Talk.dvg";
    b = pc / "in" / "b.bin";
    fs::create_directories(pc / "in");
    writeFile(a, pattern(300000, 1));
    voiceFile(v, pattern(5000, 3));
    writeFile(b, pattern(10, 2));
    ASSERT_EQ(on("put 1 " + quoted(a) + " " + quoted(v)).status, 0);
    ASSERT_EQ(on("put 2 " + quoted(b)).status, 0);
  }
  Result on(const std::string &args) { return q417("--image '" + image + "' " + args); }

  TempDir pc;
  std::string image;
  fs::path a, v, b;
  fs::path backup() const { return pc / "backup"; }
};

TEST_F(SyncToolTest, SecondRunCopiesNothingAndAChangedRecordingGetsANumberedName) {
  Result first = on("sync " + quoted(backup()));
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_NE(first.output.find("copied   A/a.BIN"), std::string::npos) << first.output;
  EXPECT_NE(first.output.find("3 copied, 0 skipped, 0 failed"), std::string::npos) << first.output;
  EXPECT_EQ(readFile(backup() / "A" / "a.BIN"), readFile(a));
  EXPECT_EQ(readFile(backup() / "B" / "b.BIN"), readFile(b));
  std::vector<uint8_t> talk = readFile(v);
  std::fill(talk.begin() + 240, talk.begin() + 256, 0xFF);  // the recorder keeps the extension as "DVG"
  std::copy_n("DVG", 3, talk.begin() + 240);
  EXPECT_EQ(readFile(backup() / "A" / "Talk.DVG"), talk);
  EXPECT_FALSE(fs::exists(backup() / "C"));

  Result second = on("sync " + quoted(backup()));
  ASSERT_EQ(second.status, 0) << second.output;
  EXPECT_NE(second.output.find("0 copied, 3 skipped, 0 failed"), std::string::npos) << second.output;
  EXPECT_NE(second.output.find("skipped  A/Talk.DVG (already there)"), std::string::npos) << second.output;

  // Another recording of the same name: the first copy stays.
  ASSERT_EQ(on("rm 1 1 --yes").status, 0);
  writeFile(a, pattern(200000, 4));
  ASSERT_EQ(on("put 1 " + quoted(a)).status, 0);
  Result third = on("sync " + quoted(backup()) + " A");
  ASSERT_EQ(third.status, 0) << third.output;
  EXPECT_NE(third.output.find("copied   A/a (2).BIN"), std::string::npos) << third.output;
  EXPECT_NE(third.output.find("1 copied, 1 skipped, 0 failed"), std::string::npos) << third.output;
  EXPECT_EQ(readFile(backup() / "A" / "a (2).BIN"), readFile(a));
  EXPECT_EQ(readFile(backup() / "A" / "a.BIN"), pattern(300000, 1));

  // The numbered copy counts as there on the next run.
  Result fourth = on("sync " + quoted(backup()) + " 1");
  EXPECT_EQ(fourth.status, 0) << fourth.output;
  EXPECT_NE(fourth.output.find("0 copied, 2 skipped, 0 failed"), std::string::npos) << fourth.output;
}

// A file of the recording's name and size but another time is not taken for
// the recording; neither is a folder of that name.
TEST_F(SyncToolTest, LookalikesAreNeverOverwritten) {
  ASSERT_EQ(on("sync " + quoted(backup()) + " B").status, 0);
  const fs::path copy = backup() / "B" / "b.BIN";
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, copy.c_str(), old, 0), 0);
  fs::create_directories(backup() / "B" / "b (2).BIN");
  Result again = on("sync " + quoted(backup()) + " B");
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_NE(again.output.find("copied   B/b (3).BIN"), std::string::npos) << again.output;
  EXPECT_EQ(readFile(backup() / "B" / "b (3).BIN"), readFile(b));
  EXPECT_TRUE(fs::is_directory(backup() / "B" / "b (2).BIN"));
}

TEST_F(SyncToolTest, UsageErrorsAndFailuresExitNonZero) {
  writeFile(pc / "plain", pattern(3, 1));
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"sync", 2, "usage: q417 sync DIR"},
      {"sync " + quoted(backup()) + " 9", 2, "usage: q417 sync DIR"},
      {"sync " + quoted(pc / "plain"), 2, "is not a folder"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    Result r = on(c.args);
    EXPECT_EQ(r.status, c.status) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
  }
  // The recorder is gone.
  Result detached = q417("--image " + quoted(pc / "none.img") + " sync " + quoted(backup()));
  EXPECT_NE(detached.status, 0) << detached.output;
  EXPECT_FALSE(fs::exists(backup() / "A"));
}

// A recording that cannot be read fails alone: the others are copied and
// the exit status says that something is missing.
TEST_F(SyncToolTest, AnUnreadableRecordingFailsAloneAndTheExitSaysSo) {
  Result ls = on("ls --json");
  const size_t at = ls.output.find("\"first_block\": ");
  ASSERT_NE(at, std::string::npos) << ls.output;
  const int first = std::stoi(ls.output.substr(at + 15));  // a.bin's first block; its chain follows on a fresh chip
  Result r = testsupport::runCommand("Q417IO_FAULTS=damaged-read=" + std::to_string(first + 1) + ":100 '" Q417_TOOL
                                     "' --image '" + image + "' sync " + quoted(backup()));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("failed   A/a.BIN"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("2 copied, 0 skipped, 1 failed"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(backup() / "A" / "a.BIN"));
  EXPECT_EQ(readFile(backup() / "B" / "b.BIN"), readFile(b));
  // Once the block reads again, the next run fetches what was missing.
  Result again = on("sync " + quoted(backup()));
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_NE(again.output.find("1 copied, 2 skipped, 0 failed"), std::string::npos) << again.output;
}

TEST(NumberedName, NumbersGoBeforeTheExtension) {
  using recorder::jobs::numberedName;
  EXPECT_EQ(numberedName("a.BIN", 1), "a.BIN");
  EXPECT_EQ(numberedName("a.BIN", 2), "a (2).BIN");
  EXPECT_EQ(numberedName("noext", 12), "noext (12)");
}

}  // namespace
}  // namespace jobtest
