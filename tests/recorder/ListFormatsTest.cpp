// The texts of the recorder list, the folder nodes, status panel 3 and the gauge.
#include <gtest/gtest.h>

#include "Breakages.h"
#include "TestRecorder.h"
#include "recorder/Index.h"
#include "recorder/ListFormats.h"

using namespace recorder;

namespace {

TEST(ListFormats, NumbersWithSeparatorsAndDecimals) {
  struct {
    double value;
    int width, decimals;
    const char *text;
  } cases[] = {{1.5, 0, 2, "1.50"},        {1.5, 0, 0, "2"},           {2.0, 6, 0, "     2"},
               {0.0, 8, 0, "       0"},    {1234567.891, 0, 2, "1,234,567.89"}, {1998.25, 6, 0, " 1,998"},
               {12.0, 8, 2, "   12.00"},    {999999.0, 8, 0, " 999,999"}};
  for (auto c : cases) EXPECT_EQ(c.text, formatN(c.value, c.width, c.decimals)) << c.value;
}

tFLASHFILEINFO record(uint32_t pages, std::string ext, std::string mode = "SP", char flagT = 'N') {
  tFLASHFILEINFO r;
  r.name = "MEMO";
  r.ext = std::move(ext);
  r.pages = pages;
  r.mode = std::move(mode);
  r.flagT = flagT;
  r.date = {24, 3, 15};
  r.time = {13, 5, 0};
  return r;
}

TEST(ListFormats, SizeColumn) {
  struct {
    uint32_t pages;
    const char *ext;
    const char *text;
    int64_t bytes;
  } cases[] = {{1, "DVG", "   256 B", 256},          {1, "dvg", "   256 B", 256},
               {2, "WAV", "     2 K", 2048},         {1, "WAV", "     0 B", 0},
               {1000, "DVG", " 1,998 K", 2046208},   {64, "MP3", "   126 K", 129024}};
  for (auto c : cases) {
    EXPECT_EQ(c.text, sizeText(c.pages, c.ext)) << c.pages << c.ext;
    EXPECT_EQ(c.bytes, listedBytes(c.pages, c.ext));
  }
}

TEST(ListFormats, RecordedColumn) {
  struct {
    uint8_t hour, minute;
    const char *text;
  } cases[] = {{13, 5, "24-03-15 PM 1:05"}, {0, 59, "24-03-15 AM 0:59"}, {12, 0, "24-03-15 PM 0:00"},
               {11, 30, "24-03-15 AM11:30"}};
  for (auto c : cases) {
    tFLASHFILEINFO r = record(1, "DVG");
    r.time = {c.hour, c.minute, 7};
    EXPECT_EQ(c.text, recordedText(r));
  }
  tFLASHFILEINFO r = record(1, "DVG");
  r.date = {5, 1, 2};
  r.time = {9, 8, 7};
  EXPECT_EQ("05-01-02", dateText(r));
  EXPECT_EQ("09:08:07", timeText(r));
}

TEST(ListFormats, RowCaptionAndModeColumn) {
  FileRow row = fileRow(record(3, "DVG"), 1);
  EXPECT_EQ("# 1/MEMO", row.caption);
  EXPECT_EQ("DVG", row.ext);
  EXPECT_EQ("G.729", row.recMode);
  EXPECT_EQ("#12/MEMO", fileRow(record(3, "DVG"), 12).caption);
  EXPECT_EQ("LP", fileRow(record(3, "DVG", "LP"), 1).recMode);
  EXPECT_EQ("HQ", fileRow(record(3, "DVG", "HQ"), 1).recMode);
  EXPECT_EQ("--", fileRow(record(3, "MP3", "--"), 1).recMode);
  EXPECT_EQ("TTS", fileRow(record(3, "DVG", "SP", 'T'), 1).recMode);
  tFLASHFILEINFO longName = record(1, "DVG");
  longName.name = std::string(128, 'x');
  EXPECT_EQ("# 1/" + std::string(128, 'x'), fileRow(longName, 1).caption);
}

TEST(ListFormats, NodeTextsTotalsAndGauge) {
  std::vector<tFLASHFILEINFO> none, two{record(3, "DVG"), record(100, "WAV")};
  EXPECT_EQ("A-#00/       0 KB", folderNodeText(1, none));
  EXPECT_EQ("B-#02/     206 KB", folderNodeText(2, two));
  EXPECT_EQ("A-#02/     206 KB", folderNodeText(5, two)) << "folders 5 to 8 count A to D again";
  EXPECT_EQ("D-#00/       0 KB", folderNodeText(8, none));
  EXPECT_EQ("A Folder", folderNodeName(1));
  EXPECT_EQ("H Folder", folderNodeName(8));

  Directory d;
  d.records(1) = two;
  d.records(6) = {record(2, "MP3")};
  EXPECT_EQ("Total  3 file(s),     210.00 Kbyte(s)", totalText(d));

  rectest::TestRecorder r;
  rectest::buildStandard(r.volume);
  EXPECT_EQ(1, memoryGauge(r.volume.image, 1024)) << "(5 + 0 + 6) / 1024";
  r.volume.image.setBlocksUsed(3, 500);
  r.volume.image.header()[header::kBadBlockCount] = 3;
  EXPECT_EQ(50, memoryGauge(r.volume.image, 1024)) << "(505 + 3 + 6) / 1024 = 50.2";
}

}  // namespace
