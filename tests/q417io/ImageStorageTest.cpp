// The chip image file under the flash: what the file refuses, the flash
// refuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "q417io/Flash.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
using namespace q417io;

namespace {

std::vector<uint8_t> filled(uint8_t value) { return std::vector<uint8_t>(kRawBlockSize, value); }

bool allBytes(const std::vector<uint8_t> &raw, uint8_t value) {
  for (uint8_t b : raw)
    if (b != value) return false;
  return true;
}

class ImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = (dir / "chip.img").string();
    std::string error;
    ASSERT_TRUE(ImageStorage::create(path, 1024, &error)) << error;
  }

  std::unique_ptr<ImageStorage> open() {
    std::string error;
    auto storage = ImageStorage::open(path, &error);
    EXPECT_TRUE(storage) << error;
    return storage;
  }

  testsupport::TempDir dir;
  std::string path;
};

TEST_F(ImageFileTest, AFileThatRefusesWritesRefusesWriteAndErase) {
  auto storage = open();
  ASSERT_TRUE(storage);
  auto old = filled(0x33);
  ASSERT_TRUE(storage->write(5, old.data()));
  // The same file behind a read-only descriptor: every pwrite fails, even for root.
  int readOnly = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(readOnly, 0);
  ASSERT_EQ(::dup2(readOnly, storage->fd()), storage->fd());
  ::close(readOnly);
  Flash flash(std::move(storage));
  auto data = filled(0x00);
  EXPECT_EQ(flash.write(data.data(), 5), 0);
  EXPECT_EQ(flash.erase(5), 0);
  std::vector<uint8_t> raw(kRawBlockSize);
  ASSERT_EQ(flash.read(raw.data(), 5), 1);
  EXPECT_TRUE(allBytes(raw, 0x33));
}

TEST_F(ImageFileTest, AnImageCutShortFailsReadsAndWritesPastItsEnd) {
  Flash flash(open());
  // Block 600 is cut 1000 bytes in: its read comes back short.
  fs::resize_file(path, 600ull * kRawBlockSize + 1000);
  struct Case {
    uint32_t block;
    int answer;
  };
  for (Case c : {Case{599, 1}, Case{600, 0}, Case{700, 0}}) {
    std::vector<uint8_t> raw(kRawBlockSize);
    EXPECT_EQ(flash.read(raw.data(), c.block), c.answer) << c.block;
    // Programming reads the cells first.
    auto data = filled(0x00);
    EXPECT_EQ(flash.write(data.data(), c.block), c.answer) << c.block;
    EXPECT_EQ(flash.peek(c.block).empty(), c.answer == 0) << c.block;
  }
  EXPECT_EQ(fs::file_size(path), 600ull * kRawBlockSize + 1000) << "a refused write does not grow the file";
}

// Makes a factory image under a file size limit, which fails its writes
// as a full disk would (the limit holds for root too). Exits 0 when the
// image was refused and left nothing behind.
[[noreturn]] void makeImageUnderSizeLimit(const std::string &path, rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  rlimit limit{bytes, before.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::string error;
  bool made = createFactoryImage(path, 1024, {5, 1000}, &error);
  ::setrlimit(RLIMIT_FSIZE, &before);  // the test's own output goes to a file
  std::fprintf(stderr, "%s\n", error.c_str());
  std::_Exit(!made && !fs::exists(factoryBadPath(path)) && !fs::exists(path) ? 0 : 1);
}

TEST_F(ImageFileTest, AFactoryImageThatCannotBeWrittenLeavesNothingBehind) {
  std::string fresh = (dir / "fresh.img").string();
  // The bad-block list ("5\n1000\n") does not fit, or it does and the image does not.
  EXPECT_EXIT(makeImageUnderSizeLimit(fresh, 4), ::testing::ExitedWithCode(0), "fresh\\.img\\.bad: File too large");
  EXPECT_EXIT(makeImageUnderSizeLimit(fresh, 4096), ::testing::ExitedWithCode(0), "fresh\\.img: File too large");
}

}  // namespace
