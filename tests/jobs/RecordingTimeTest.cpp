// Copies on the PC carry the time their recording was made.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>

#include "Rig.h"
#include "recorder/jobs/RecordingTime.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::time_t modified(const fs::path &file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_mtime : -1;
}

class RecordingTimeTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.formatted(); }
  // Writes a file with the given header time and reads the index back from
  // the flash.
  void putAt(const std::string &name, const voice::HeaderTime &when, bool voiceFile_ = false) {
    fs::path file = pc / name;
    if (voiceFile_)
      voiceFile(file, pattern(3000, 5));
    else
      writeFile(file, pattern(3000, 5));
    Writer writer(rig.v(), &rig.panel());
    writer.clock = [when] { return when; };
    ASSERT_TRUE(writer.OnBtnFileToFlashClick(1, {file}).ok());
    ASSERT_TRUE(rig.reconnect());
  }
  Rig rig;
  TempDir pc;
};

// The time travels through the header page on the flash and the index read
// at the connection, for voice files and other files alike.
TEST_F(RecordingTimeTest, CopyTakesTheRecordingsTimeFromTheFlash) {
  putAt("Memo.txt", {2024, 2, 29, 13, 5, 9});
  TempDir back;
  ASSERT_TRUE(Upload(rig.v()).UploadFlashFileList(1, {0}, back.path()).ok());
  EXPECT_EQ(modified(back / "Memo.TXT"), localTime(2024, 2, 29, 13, 5, 9));
}

TEST_F(RecordingTimeTest, VoiceRecordingKeepsItsHeaderTime) {
  // A voice file keeps the header it was made with (15 March 2024, 13:05:09).
  putAt("talk.dvg", {2030, 1, 1, 0, 0, 0}, true);
  TempDir back;
  ASSERT_TRUE(Upload(rig.v()).UploadFlashFileList(1, {0}, back.path()).ok());
  EXPECT_EQ(modified(back / "talk.DVG"), localTime(2024, 3, 15, 13, 5, 9));
}

// Dates that name no moment leave the copy with the time it was made.
TEST_F(RecordingTimeTest, InvalidDatesKeepTheCopyTime) {
  putAt("a.bin", {2024, 5, 6, 7, 8, 9});
  struct Case {
    const char *what;
    std::array<uint8_t, 3> date, time;
  };
  const Case cases[] = {
      {"erased header", {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}},
      {"month 0", {24, 0, 10}, {10, 0, 0}},
      {"month 13", {24, 13, 10}, {10, 0, 0}},
      {"day 0", {24, 3, 0}, {10, 0, 0}},
      {"29 February of a common year", {23, 2, 29}, {10, 0, 0}},
      {"31 April", {24, 4, 31}, {10, 0, 0}},
      {"hour 24", {24, 3, 10}, {24, 0, 0}},
      {"minute 60", {24, 3, 10}, {10, 60, 0}},
      {"second 60", {24, 3, 10}, {10, 0, 60}},
      {"year 100", {100, 3, 10}, {10, 0, 0}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    tFLASHFILEINFO &record = rig.v().directory.records(1)[0];
    record.date = c.date;
    record.time = c.time;
    EXPECT_FALSE(recordingTime(record).has_value());
    TempDir back;
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(Upload(rig.v()).UploadFlashFileList(1, {0}, back.path()).ok());
    const std::time_t mtime = modified(back / "a.BIN");
    EXPECT_GE(mtime, before - 1);
    EXPECT_LE(mtime, std::time(nullptr) + 1);
  }
}

TEST(RecordingTime, EdgesOfTheCalendar) {
  tFLASHFILEINFO r;
  r.date = {0, 1, 1};
  r.time = {0, 0, 0};
  EXPECT_EQ(recordingTime(r), localTime(2000, 1, 1, 0, 0, 0));
  r.date = {0, 2, 29};  // 2000 is a leap year
  EXPECT_EQ(recordingTime(r), localTime(2000, 2, 29, 0, 0, 0));
  r.date = {24, 12, 31};
  r.time = {12, 30, 15};
  EXPECT_EQ(recordingTime(r), localTime(2024, 12, 31, 12, 30, 15));
}

}  // namespace
}  // namespace jobtest
