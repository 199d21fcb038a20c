// The stand-in library through its eight C calls, on a chip image file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "q417io.h"
#include "q417io/Flash.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

fs::path testDir() {
  static testsupport::TempDir dir;
  return dir.path();
}

fs::path imagePath() { return testDir() / "chip.img"; }

struct Events {
  std::atomic<int> arrivals{0}, removals{0};
  static void proc(void *context, uint32_t event) {
    auto *e = static_cast<Events *>(context);
    if (event == Q417_DEVICE_ARRIVAL) e->arrivals++;
    if (event == Q417_DEVICE_REMOVECOMPLETE) e->removals++;
  }
};

template <class F>
bool waitFor(F condition) {
  for (int i = 0; i < 300 && !condition(); ++i) std::this_thread::sleep_for(10ms);
  return condition();
}

class Environment : public ::testing::Environment {
 public:
  void SetUp() override { ::setenv("Q417_IMAGE", imagePath().c_str(), 1); }
  void TearDown() override { fs::remove_all(testDir()); }
};
const auto *env = ::testing::AddGlobalTestEnvironment(new Environment);

void makeImage(uint32_t blocks, std::set<uint32_t> bad = {}) {
  std::string error;
  ASSERT_TRUE(q417io::createFactoryImage(imagePath(), blocks, bad, &error)) << error;
}

void removeImage() {
  DEVICESetHandle(-1);
  fs::remove(imagePath());
  fs::remove(q417io::factoryBadPath(imagePath()));
}

TEST(Library, NoImageIsNoRecorder) {
  removeImage();
  EXPECT_EQ(SSFDCInitialize(0), 0);
  EXPECT_EQ(SSFDCGetFlashIDLun(0), 0);
  std::vector<uint8_t> raw(q417io::kRawBlockSize);
  EXPECT_EQ(SSFDCReadBlockEx(raw.data(), 0, 1), 0);
  EXPECT_EQ(DEVICEGetHandle(), -1);
}

TEST(Library, ImageOfOtherSizeAnswersIdentifierZero) {
  removeImage();
  std::ofstream(imagePath()) << "not a chip";
  EXPECT_EQ(SSFDCGetFlashIDLun(0), 0);
  removeImage();
}

TEST(Library, ReadEraseAndAndProgramming) {
  removeImage();
  makeImage(1024);
  ASSERT_EQ(SSFDCInitialize(0), 1);
  EXPECT_EQ(SSFDCGetFlashIDLun(0) & 0xFF, 0xF1);
  Q417Handle h = DEVICEGetHandle();
  EXPECT_GE(h, 0);
  ::close(static_cast<int>(h));
  std::vector<uint8_t> a(q417io::kRawBlockSize, 0xF0), b(q417io::kRawBlockSize, 0x3C), raw(q417io::kRawBlockSize);
  ASSERT_EQ(SSFDCWriteBlockEx(a.data(), 1023, 1), 1);
  ASSERT_EQ(SSFDCWriteBlockEx(b.data(), 1023, 1), 1);
  ASSERT_EQ(SSFDCReadBlockEx(raw.data(), 1023, 1), 1);
  EXPECT_EQ(raw[0], 0x30);
  EXPECT_EQ(raw[q417io::kRawBlockSize - 1], 0x30);
  ASSERT_EQ(SSFDCEraseBlock(1023, 1), 1);
  ASSERT_EQ(SSFDCReadBlockEx(raw.data(), 1023, 1), 1);
  EXPECT_EQ(raw[100], 0xFF);
  EXPECT_EQ(SSFDCReadBlockEx(raw.data(), 1024, 1), 0);
  // The bytes really are in the file, page data then spare.
  std::ifstream file(imagePath(), std::ios::binary);
  file.seekg(static_cast<std::streamoff>(q417io::kRawBlockSize) * 1023);
  char c = 0;
  file.read(&c, 1);
  EXPECT_EQ(static_cast<uint8_t>(c), 0xFF);
  removeImage();
}

TEST(Library, FactoryBadBlocksRefuseEraseAndWrite) {
  removeImage();
  makeImage(2048, {5, 2047});
  ASSERT_EQ(SSFDCInitialize(0), 1);
  EXPECT_EQ(SSFDCGetFlashIDLun(0) & 0xFF, 0xDA);
  std::vector<uint8_t> raw(q417io::kRawBlockSize, 0);
  EXPECT_EQ(SSFDCEraseBlock(5, 1), 0);
  EXPECT_EQ(SSFDCWriteBlockEx(raw.data(), 2047, 1), 0);
  EXPECT_EQ(SSFDCEraseBlock(6, 1), 1);
  removeImage();
}

TEST(Library, AnImageCutShortRefusesReadsAndWritesPastItsEnd) {
  removeImage();
  makeImage(1024);
  ASSERT_EQ(SSFDCInitialize(0), 1);
  fs::resize_file(imagePath(), 512ull * q417io::kRawBlockSize + 100);
  std::vector<uint8_t> raw(q417io::kRawBlockSize, 0x00);
  EXPECT_EQ(SSFDCWriteBlockEx(raw.data(), 100, 1), 1);
  EXPECT_EQ(SSFDCReadBlockEx(raw.data(), 100, 1), 1);
  EXPECT_EQ(SSFDCWriteBlockEx(raw.data(), 512, 1), 0);
  EXPECT_EQ(SSFDCReadBlockEx(raw.data(), 512, 1), 0);
  EXPECT_EQ(SSFDCWriteBlockEx(raw.data(), 1000, 1), 0);
  EXPECT_EQ(SSFDCReadBlockEx(raw.data(), 1000, 1), 0);
  removeImage();
}

TEST(Library, ReportsArrivalAndRemovalOnceEach) {
  removeImage();
  // The folder does not exist yet when the window registers.
  fs::remove_all(testDir());
  static Events events;
  static Q417Window window{&Events::proc, &events};
  EXPECT_NE(RegisterUsbDeviceNotificationByInterface(&window), -1);
  std::this_thread::sleep_for(50ms);
  fs::create_directories(testDir());
  makeImage(1024);
  EXPECT_TRUE(waitFor([] { return events.arrivals.load() >= 1; }));
  EXPECT_EQ(SSFDCInitialize(0), 1);
  // Closing the library's own handle, and a copy written in pieces over the
  // existing file, are no new arrival.
  DEVICESetHandle(-1);
  fs::copy_file(imagePath(), testDir() / "copy.img");
  {
    std::ofstream out(imagePath(), std::ios::binary | std::ios::in | std::ios::out);
    out.write("\xFF", 1);
  }
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(events.arrivals.load(), 1);
  fs::remove(imagePath());
  EXPECT_TRUE(waitFor([] { return events.removals.load() >= 1; }));
  EXPECT_EQ(SSFDCGetFlashIDLun(0), 0);
  // Putting the chip back by renaming is an arrival again.
  fs::rename(testDir() / "copy.img", imagePath());
  EXPECT_TRUE(waitFor([] { return events.arrivals.load() >= 2; }));
  EXPECT_NE(SSFDCGetFlashIDLun(0), 0);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(events.arrivals.load(), 2);
  EXPECT_EQ(events.removals.load(), 1);
  removeImage();
}

// Run with Q417IO_FAULTS=cut-after=2,bad=7,damaged-read=3:1
TEST(LibraryFaults, EnvironmentFaultsApply) {
  removeImage();
  makeImage(1024);
  ASSERT_EQ(SSFDCInitialize(0), 1);
  std::vector<uint8_t> raw(q417io::kRawBlockSize, 0);
  ASSERT_EQ(SSFDCReadBlockEx(raw.data(), 3, 1), 1);
  EXPECT_NE(raw[q417io::kPageDataSize + 1], 0xFF);  // damaged once
  ASSERT_EQ(SSFDCReadBlockEx(raw.data(), 3, 1), 1);
  EXPECT_EQ(raw[q417io::kPageDataSize + 1], 0xFF);
  static Events events;
  static Q417Window window{&Events::proc, &events};
  RegisterUsbDeviceNotificationByInterface(&window);
  EXPECT_EQ(SSFDCEraseBlock(7, 1), 0);  // bad; counts as the first operation
  EXPECT_EQ(events.removals.load(), 0);
  EXPECT_EQ(SSFDCEraseBlock(8, 1), 1);  // second: completes, then the cable is pulled
  EXPECT_EQ(SSFDCGetFlashIDLun(0), 0);
  EXPECT_EQ(events.removals.load(), 1);  // reported as a removal, once
  EXPECT_EQ(SSFDCEraseBlock(9, 1), 0);
  EXPECT_EQ(events.removals.load(), 1);
  EXPECT_EQ(SSFDCReadBlockEx(raw.data(), 3, 1), 0);
  // The cut lasts for the process, even across a re-initialisation.
  DEVICESetHandle(-1);
  EXPECT_EQ(SSFDCInitialize(0), 0);
  removeImage();
}

// Run with a malformed Q417IO_FAULTS: the recorder stays absent.
TEST(LibraryBadFaults, MalformedFaultsKeepTheRecorderAway) {
  ::testing::internal::CaptureStderr();
  removeImage();
  makeImage(1024);
  EXPECT_EQ(SSFDCInitialize(0), 0);
  EXPECT_EQ(SSFDCGetFlashIDLun(0), 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("'nonsense=1'"), std::string::npos);
  removeImage();
}

}  // namespace
