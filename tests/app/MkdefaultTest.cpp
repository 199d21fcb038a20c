// q417 mkdefault: the virtual recorder that scripts/run starts Quillorn with.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "QtTestEnvironment.h"
#include "q417io/Flash.h"

namespace fs = std::filesystem;

namespace {

int runTool(const std::string &args) {
  int status = std::system((std::string(Q417_TOOL) + " " + args + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Mkdefault, MakesAnErased256MBChipAndNeverOverwritesOne) {
  testsupport::TempDir dir;
  fs::path image = dir.path() / "new/folder/recorder.img";
  dir.write("new/folder/recorder.img.bad", "5\n");  // left by an earlier image
  ASSERT_EQ(runTool("--image " + image.string() + " mkdefault"), 0);

  auto storage = q417io::ImageStorage::open(image.string(), nullptr);
  ASSERT_TRUE(storage);
  q417io::Flash flash(std::move(storage));
  EXPECT_EQ(flash.blockCount(), 2048u);
  EXPECT_EQ(flash.id() & 0xFF, 0xDA);
  EXPECT_TRUE(q417io::readFactoryBadBlocks(image.string()).empty());
  for (uint32_t block : {0u, 1u, 1024u, 2047u}) {
    std::vector<uint8_t> raw = flash.peek(block);
    EXPECT_EQ(std::count(raw.begin(), raw.end(), 0xFF), static_cast<long>(raw.size())) << block;
  }

  // An image that exists may hold recordings.
  std::ofstream(image, std::ios::binary | std::ios::trunc) << "precious";
  EXPECT_NE(runTool("--image " + image.string() + " mkdefault"), 0);
  EXPECT_EQ(fs::file_size(image), 8u);
  EXPECT_NE(runTool("mkdefault"), 0) << "no image named";
}

}  // namespace
