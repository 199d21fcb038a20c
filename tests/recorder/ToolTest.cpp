// q417 ls, info and fsck over the stand-in library, on images that
// q417-testimage lays out.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "testsupport/Process.h"
#include "testsupport/TempDir.h"

namespace {

// Standard output and error together.
using Result = testsupport::ProcessResult;
using testsupport::runCommand;

struct RecorderTool : ::testing::Test {
  testsupport::TempDir dir;
  std::string image(const std::string &args = "") {
    std::string path = (dir / "chip.img").string();
    std::filesystem::remove(path);
    Result made = runCommand(std::string(Q417_TESTIMAGE) + " " + path + " " + args);
    EXPECT_EQ(0, made.status) << made.output;
    return path;
  }
  Result q417(const std::string &path, const std::string &args) {
    // The environment names another image: --image wins.
    return runCommand("Q417_IMAGE=/nonexistent " + std::string(Q417_TOOL) + " --image " + path + " " + args);
  }
};

TEST_F(RecorderTool, LsJsonListsFoldersAndRecordings) {
  std::string path = image();
  Result r = q417(path, "ls --json");
  ASSERT_EQ(0, r.status) << r.output;
  EXPECT_EQ(0u, r.output.find("{\"capacity_mb\": 128, \"block_count\": 1024, \"available_blocks\": 1013, "
                              "\"bad_blocks\": [], \"folders\": [{\"folder\": 1, \"files\": [{\"number\": 1, "
                              "\"name\": \"MEMO1\", \"ext\": \"DVG\", \"mode\": \"SP\", \"flag_p\": \"N\", "
                              "\"flag_t\": \"N\", \"date\": \"24-03-15\", \"time\": \"13:05:09\", \"pages\": 3, "
                              "\"first_block\": 4, \"bytes\": 4352}, {\"number\": 2, \"name\": \"Long talk\""))
      << r.output;
  EXPECT_NE(std::string::npos, r.output.find("{\"folder\": 2, \"files\": [{\"number\": 1, \"name\": \"B1\", \"ext\": "
                                             "\"DVG\", \"mode\": \"LP\", \"flag_p\": \"P\", \"flag_t\": \"T\", \"date\": "
                                             "\"23-12-31\", \"time\": \"00:59:59\", \"pages\": 2, \"first_block\": 7, "
                                             "\"bytes\": 2304}]}"))
      << r.output;
  EXPECT_NE(std::string::npos, r.output.find("{\"folder\": 3, \"files\": []}"));
  EXPECT_NE(std::string::npos, r.output.find("\"ext\": \"MP3\", \"mode\": \"--\""));
  EXPECT_NE(std::string::npos, r.output.find("{\"folder\": 8, \"files\": []}]}\n"));
}

TEST_F(RecorderTool, LsTextAndInfo) {
  std::string path = image("--blocks 2048");
  Result ls = q417(path, "ls");
  ASSERT_EQ(0, ls.status) << ls.output;
  EXPECT_NE(std::string::npos, ls.output.find("# 1/MEMO1")) << ls.output;
  EXPECT_NE(std::string::npos, ls.output.find("24-03-15 PM 1:05"));
  Result info = q417(path, "info --json");
  ASSERT_EQ(0, info.status) << info.output;
  EXPECT_NE(std::string::npos, info.output.find("\"device_code\": \"0xDA\""));
  EXPECT_NE(std::string::npos, info.output.find("\"block_count\": 2048, \"last_system_page\": 10"));
  EXPECT_NE(std::string::npos, info.output.find("\"capacity_mb\": 256"));
  EXPECT_NE(std::string::npos, info.output.find("\"available_blocks\": 2037"));
  EXPECT_NE(std::string::npos, info.output.find("\"pending_job\": null"));
}

TEST_F(RecorderTool, InfoShowsAPendingJob) {
  std::string path = image("--break pending-job");
  Result info = q417(path, "info --json");
  ASSERT_EQ(0, info.status) << info.output;
  EXPECT_NE(std::string::npos,
            info.output.find("\"pending_job\": {\"code\": \"0x31\", \"job\": \"write\", \"folder\": 1, \"number\": 3, "
                             "\"mode\": \"0xAA\", \"first_block\": 500, \"rewrite\": false, \"old_value\": 0}"))
      << info.output;
}

TEST_F(RecorderTool, FsckExitsZeroWhenConsistentAndNamesEachViolation) {
  std::string clean = image();
  Result ok = q417(clean, "fsck");
  EXPECT_EQ(0, ok.status) << ok.output;
  EXPECT_EQ("consistent\n", ok.output);
  for (const char *b : {"chain-length", "cross-linked", "spare-link", "pending-job"}) {
    std::string broken = image(std::string("--break ") + b);
    Result r = q417(broken, "fsck --json");
    EXPECT_EQ(1, r.status) << b << r.output;
    EXPECT_EQ(0u, r.output.find("{\"consistent\": false, \"violations\": [{\"code\": ")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find(std::string("\"code\": \"") + b + "\"")) << b << r.output;
  }
}

TEST_F(RecorderTool, CorruptIndexFailsLsWithoutWriting) {
  std::string path = image("--break entry-first-block");
  auto before = std::filesystem::last_write_time(path);
  Result r = q417(path, "ls --json");
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.output.find("first block 5000, 2 pages lie outside the chip")) << r.output;
  EXPECT_EQ(before, std::filesystem::last_write_time(path));
}

std::string readBytes(const std::string &path, size_t offset, size_t n) {
  std::string bytes(n, '\0');
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  std::fseek(f, static_cast<long>(offset), SEEK_SET);
  bytes.resize(std::fread(bytes.data(), 1, n, f));
  std::fclose(f);
  return bytes;
}

constexpr size_t kRawBlock = 64 * 2112;

// A block map that frees the last block of a recording: listed with a
// warning, and q417 put refuses without touching the chip.
TEST_F(RecorderTool, DamagedIndexIsListedButNotWritten) {
  std::string path = image("--break chain-end");
  std::string file = (dir / "new.bin").string();
  FILE *f = std::fopen(file.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("a new file", f);
  std::fclose(f);
  auto before = std::filesystem::last_write_time(path);

  Result ls = q417(path, "ls");
  EXPECT_EQ(0, ls.status) << ls.output;
  EXPECT_NE(std::string::npos, ls.output.find("# 2/Long talk")) << ls.output;
  EXPECT_NE(std::string::npos, ls.output.find("folder 1 file 2: last block 6 is marked free")) << ls.output;
  Result put = q417(path, "put 1 " + file);
  EXPECT_EQ(1, put.status) << put.output;
  EXPECT_NE(std::string::npos, put.output.find("nothing is written to the recorder")) << put.output;
  EXPECT_NE(std::string::npos, put.output.find("last block 6 is marked free")) << put.output;
  Result fsck = q417(path, "fsck");
  EXPECT_NE(std::string::npos, fsck.output.find("[writes are refused]")) << fsck.output;
  EXPECT_EQ(before, std::filesystem::last_write_time(path));
}

// fsck --repair saves block 0, then rebuilds the map where every chain can
// be followed and no two recordings share a block; otherwise it changes
// nothing and names the recordings.
TEST_F(RecorderTool, FsckRepairRebuildsOnlyWhatTheChainsProve) {
  struct Case {
    const char *breakage;
    int status;
    const char *says;
    bool changes;
  };
  const Case cases[] = {
      {"chain-end", 0, "block 6: 0xFFFF -> 0xFAFE", true},
      {"orphan-block", 0, "block 900: 0xFAFE -> 0xFFFF", true},
      {"blocks-used", 0, "folder 1: blocks used 4 -> 3", true},
      {"cross-linked", 1, "also belongs to folder 1 file 1", false},
      {"chain-through-free", 1, "marked free in the block map", false},
      {"entry-first-block", 1, "cannot be listed", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.breakage);
    std::string path = image(std::string("--break ") + c.breakage);
    const std::string block0 = readBytes(path, 0, kRawBlock);
    const std::string save = (dir / (std::string(c.breakage) + ".bin")).string();
    auto before = std::filesystem::last_write_time(path);
    Result r = q417(path, "fsck --repair --save " + save);
    EXPECT_EQ(c.status, r.status) << r.output;
    EXPECT_NE(std::string::npos, r.output.find(c.says)) << r.output;
    EXPECT_EQ(block0, readBytes(save, 0, 2 * kRawBlock)) << "the saved copy is block 0 as it was";
    EXPECT_EQ(c.changes, before != std::filesystem::last_write_time(path));
    if (c.changes) {
      EXPECT_NE(std::string::npos, r.output.find("checking again:\nconsistent\n")) << r.output;
      Result ls = q417(path, "ls");
      EXPECT_EQ(0, ls.status) << ls.output;
      EXPECT_EQ(std::string::npos, ls.output.find("damaged")) << ls.output;
      EXPECT_EQ(0, q417(path, "fsck").status);
    } else if (c.status == 1 && std::string(c.breakage) != "entry-first-block") {
      EXPECT_NE(std::string::npos, r.output.find("q417 format --yes")) << r.output;
    }
  }
}

TEST_F(RecorderTool, NoImageIsAClearError) {
  Result r = q417((dir / "missing.img").string(), "ls");
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.output.find("cannot be opened")) << r.output;
}

}  // namespace
