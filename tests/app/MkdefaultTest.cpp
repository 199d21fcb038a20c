// q417 mkdefault: the virtual recorder that scripts/run starts Quillorn with.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "QtTestEnvironment.h"
#include "q417io/Flash.h"
#include "testsupport/Process.h"
#include "testsupport/Tools.h"

namespace fs = std::filesystem;
using testsupport::ErrorOutput;
using testsupport::runCommand;

namespace {

// Standard output, apart from the progress on standard error.
testsupport::ProcessResult q417(const std::string &args) {
  return runCommand(std::string(Q417_TOOL) + " " + args, ErrorOutput::Apart);
}

int runTool(const std::string &args) { return q417(args).status; }

size_t count(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Mkdefault, MakesAConsistent256MBRecorderWithSamplesAndNeverOverwritesOne) {
  // The samples are spoken by espeak-ng, resampled by sox and the MP3 made by lame.
  for (const char *tool : {"espeak-ng", "sox", "lame"}) testsupport::requireTool(tool);
  testsupport::TempDir dir;
  fs::path image = dir.path() / "new/folder/recorder.img";
  dir.write("new/folder/recorder.img.bad", "5\n");  // left by an earlier image
  ASSERT_EQ(runTool("--image " + image.string() + " mkdefault"), 0);
  EXPECT_FALSE(fs::exists(image.string() + ".new")) << "built under another name, then renamed";
  EXPECT_TRUE(q417io::readFactoryBadBlocks(image.string()).empty());

  auto storage = q417io::ImageStorage::open(image.string(), nullptr);
  ASSERT_TRUE(storage);
  q417io::Flash flash(std::move(storage));
  EXPECT_EQ(flash.blockCount(), 2048u);
  EXPECT_EQ(flash.id() & 0xFF, 0xDA);

  EXPECT_EQ(runTool("--image " + image.string() + " fsck"), 0);
  testsupport::ProcessResult ls = q417("--image " + image.string() + " ls --json");
  std::string json = ls.output;
  ASSERT_EQ(ls.status, 0);
  // Three voice recordings in folders A and B, an MP3 in folder E.
  EXPECT_EQ(count(json, "\"ext\": \"DVG\""), 3u) << json;
  EXPECT_EQ(count(json, "\"ext\": \"MP3\""), 1u) << json;
  EXPECT_EQ(count(json, "\"mode\": \"SP\""), 3u) << json;

  // An image that exists may hold recordings.
  std::ofstream(image, std::ios::binary | std::ios::trunc) << "precious";
  EXPECT_NE(runTool("--image " + image.string() + " mkdefault"), 0);
  EXPECT_EQ(fs::file_size(image), 8u);
  EXPECT_NE(runTool("mkdefault"), 0) << "no image named";
}

}  // namespace
