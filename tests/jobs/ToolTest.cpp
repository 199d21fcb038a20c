// The q417 job commands as whole programs over a chip image, and the cut
// test of a whole program: q417 put cut by the stand-in library's fault
// variable, then q417 recover and q417 fsck.
#include <gtest/gtest.h>

#include "Rig.h"
#include "testsupport/Process.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;

// Standard output and error together.
using Result = testsupport::ProcessResult;

Result q417(const std::string &args, const std::string &env = "") {
  return testsupport::runCommand(env + " '" Q417_TOOL "' " + args);
}

class ToolTest : public ::testing::Test {
 protected:
  // One formatted image per test program, copied for each test.
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    base_ = (dir_->path() / "base.img").string();
    Result made = q417("mkimage '" + base_ + "' --blocks 1024");
    ASSERT_EQ(made.status, 0) << made.output;
    Result formatted = q417("--image '" + base_ + "' format --yes");
    ASSERT_EQ(formatted.status, 0) << formatted.output;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    image = (pc.path() / "chip.img").string();
    fs::copy_file(base_, image);
  }
  Result on(const std::string &args, const std::string &env = "") { return q417("--image '" + image + "' " + args, env); }

  static TempDir *dir_;
  static std::string base_;
  TempDir pc;
  std::string image;
};

TempDir *ToolTest::dir_ = nullptr;
std::string ToolTest::base_;

TEST_F(ToolTest, CommandsRoundTripAndReorder) {
  fs::path a = pc / "a.bin", b = pc / "b.bin", v = pc / "Voice.DVG";
  writeFile(a, pattern(300000, 1));
  writeFile(b, pattern(10, 2));
  voiceFile(v, pattern(5000, 3));
  Result put = on("put 1 '" + a.string() + "' '" + b.string() + "' '" + v.string() + "'");
  ASSERT_EQ(put.status, 0) << put.output;
  EXPECT_EQ(on("down A 1").status, 0);  // b, a, Voice
  EXPECT_EQ(on("move 1 3 4").status, 0);  // Voice to folder D
  fs::create_directory(pc / "out");
  Result get = on("get 1 1 2 -o '" + (pc / "out").string() + "'");
  ASSERT_EQ(get.status, 0) << get.output;
  EXPECT_EQ(readFile(pc / "out" / "a.BIN"), readFile(a));
  EXPECT_EQ(readFile(pc / "out" / "b.BIN"), readFile(b));
  ASSERT_EQ(on("get D 1 -o '" + (pc / "out").string() + "'").status, 0);
  EXPECT_EQ(readFile(pc / "out" / "Voice.DVG"), readFile(v));
  EXPECT_EQ(on("rm 1 1 --yes").status, 0);
  Result fsck = on("fsck");
  EXPECT_EQ(fsck.status, 0) << fsck.output;
}

TEST_F(ToolTest, RefusalsExitNonZeroAndSayWhy) {
  fs::path a = pc / "a.bin", mp3 = pc / "song.mp3";
  writeFile(a, pattern(1000, 1));
  writeFile(mp3, pattern(1000, 2));
  ASSERT_EQ(on("put 2 '" + a.string() + "'").status, 0);
  struct Case {
    std::string args;
    std::string says;  // part of the message
  };
  const Case cases[] = {
      {"put 1 '" + mp3.string() + "'", "MP3"},
      {"put 5 '" + a.string() + "'", "MP3"},
      {"move 2 1 5", "folders A to D"},
      {"up 2 1", "already the first"},
      {"down 2 1", "already the last"},
      {"get 2 7", "no recording 7"},
      {"rm 2 1", "--yes"},
      {"format", "--yes"},
  };
  for (const Case &c : cases) {
    Result r = on(c.args);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << ":\n" << r.output;
  }
  Result fsck = on("fsck");
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  fs::create_directory(pc / "out");
  EXPECT_EQ(on("get 2 1 -o '" + (pc / "out").string() + "'").status, 0);  // nothing was erased
}

// A get that stops at a damaged block leaves the PC folder as it was, an
// older copy of the recording included.
TEST_F(ToolTest, AFailedGetLeavesThePcFolderAsItWas) {
  fs::path a = pc / "a.bin";
  writeFile(a, pattern(3 * 131072 - 5000, 1));
  ASSERT_EQ(on("put 1 '" + a.string() + "'").status, 0);
  fs::create_directory(pc / "out");
  writeFile(pc / "out" / "a.BIN", {7, 7});
  // The recording's blocks follow the four reserved ones: 4, 5 and 6.
  Result get = on("get 1 1 --yes -o '" + (pc / "out").string() + "'", "Q417IO_FAULTS=damaged-read=5:100");
  EXPECT_NE(get.status, 0) << get.output;
  size_t entries = 0;
  for (auto &e : fs::directory_iterator(pc / "out")) entries += e.path().filename() == "a.BIN" ? 1 : 100;
  EXPECT_EQ(entries, 1u);
  EXPECT_EQ(readFile(pc / "out" / "a.BIN"), (std::vector<uint8_t>{7, 7}));
  ASSERT_EQ(on("get 1 1 --yes -o '" + (pc / "out").string() + "'").status, 0);
  EXPECT_EQ(readFile(pc / "out" / "a.BIN"), readFile(a));
}

// q417 put cut after an erase or write, or with a torn write; then q417
// recover and q417 fsck. The file is absent or a prefix of itself.
TEST_F(ToolTest, CutPutIsRecoveredByTheNextProgram) {
  fs::path old = pc / "old.bin", file = pc / "big.bin";
  writeFile(old, pattern(2 * 131072, 5));
  ASSERT_EQ(on("put 1 '" + old.string() + "' '" + old.string() + "'").status, 0);
  ASSERT_EQ(on("rm 1 1 --yes").status, 0);  // dead chains in the lowest free blocks
  std::vector<uint8_t> bytes = pattern(3 * 131072 - 9000, 6);
  writeFile(file, bytes);
  const std::string pristine = pc / "pristine.img";
  fs::copy_file(image, pristine);
  // 14 erases and writes: the first block's erase, the record (4), three
  // blocks (the erase of the next one and its own write; the last only its
  // write: 5), the final image (4). Once block 0 holds the final image (op
  // 12) the write has succeeded; the backup is brought up to date by the
  // next connection.
  struct Cut {
    std::string fault;
    bool fails;
  };
  const Cut cuts[] = {{"cut-after=1", true},      {"cut-after=3", true},      {"cut-after=5", true},
                      {"cut-after=7", true},      {"cut-after=9", true},      {"cut-after=10", true},
                      {"cut-after=11", true},     {"cut-after=12", false},    {"cut-after=13", false},
                      {"torn-write=1:3", true},   {"torn-write=4:21", true},  {"torn-write=6:12", true}};
  int entered = 0;
  for (const Cut &cut : cuts) {
    const std::string &fault = cut.fault;
    SCOPED_TRACE(fault);
    fs::copy_file(pristine, image, fs::copy_options::overwrite_existing);
    Result put = on("put 1 '" + file.string() + "'", "Q417IO_FAULTS=" + fault);
    EXPECT_EQ(put.status != 0, cut.fails) << put.output;
    Result recover = on("recover");
    EXPECT_EQ(recover.status, 0) << recover.output;
    Result fsck = on("fsck");
    EXPECT_EQ(fsck.status, 0) << fsck.output;
    fs::path out = pc / ("out-" + fault.substr(0, fault.find('=')) + fault.substr(fault.find('=') + 1));
    fs::create_directories(out);
    Result get = on("get 1 2 -o '" + out.string() + "'");
    if (get.status != 0) continue;  // absent
    ++entered;
    std::vector<uint8_t> back = readFile(out / "big.BIN");
    ASSERT_LE(back.size(), bytes.size());
    EXPECT_TRUE(std::equal(back.begin(), back.end(), bytes.begin()));
  }
  EXPECT_GE(entered, 5);
}

TEST_F(ToolTest, FormatInitialisesABlankChip) {
  std::string blank = (pc.path() / "blank.img").string();
  ASSERT_EQ(q417("mkimage '" + blank + "' --blocks 1024 --bad 7,300").status, 0);
  Result none = q417("--image '" + blank + "' recover");
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.output.find("q417 format --yes"), std::string::npos) << none.output;
  Result format = q417("--image '" + blank + "' format --yes");
  ASSERT_EQ(format.status, 0) << format.output;
  EXPECT_NE(format.output.find("2 bad"), std::string::npos) << format.output;
  Result fsck = q417("--image '" + blank + "' fsck");
  EXPECT_EQ(fsck.status, 0) << fsck.output;
}

}  // namespace
}  // namespace jobtest
