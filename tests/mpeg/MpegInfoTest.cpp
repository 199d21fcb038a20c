#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "components/mpeg/MpegInfo.h"

namespace fs = std::filesystem;
using components::scanMpegFile;
using components::SetDownMpegFileParams;

namespace {

// Silent MPEG-1 Layer III frames at 48 kHz and 128 kbit/s: 384 bytes and
// exactly 24 ms each, so durations are exact.
fs::path writeFrames(const std::string &name, int frames, uint8_t modeBits) {
  fs::path p = fs::temp_directory_path() / (name + std::to_string(::getpid()) + ".mp3");
  std::vector<uint8_t> frame(384, 0);
  frame[0] = 0xFF;
  frame[1] = 0xFB;
  frame[2] = 0x94;
  frame[3] = modeBits;
  std::ofstream out(p, std::ios::binary);
  for (int i = 0; i < frames; ++i) out.write(reinterpret_cast<const char *>(frame.data()), frame.size());
  return p;
}

struct DurationCase {
  int frames;
  uint8_t hours, minutes, seconds;
};

class MpegDuration : public ::testing::TestWithParam<DurationCase> {};

TEST_P(MpegDuration, RoundsUpToWholeSeconds) {
  auto c = GetParam();
  fs::path p = writeFrames("frames", c.frames, 0x00);
  uint8_t rate = 0xEE, h = 0xEE, m = 0xEE, s = 0xEE;
  ASSERT_TRUE(SetDownMpegFileParams(p, rate, h, m, s));
  EXPECT_EQ(h, c.hours);
  EXPECT_EQ(m, c.minutes);
  EXPECT_EQ(s, c.seconds);
  fs::remove(p);
}

INSTANTIATE_TEST_SUITE_P(Frames, MpegDuration,
                         ::testing::Values(DurationCase{2500, 0, 1, 0},    // exactly 60.000 s
                                           DurationCase{2501, 0, 1, 1},    // 60.024 s
                                           DurationCase{2, 0, 0, 1},       // 48 ms
                                           DurationCase{7501, 0, 3, 1}),   // 180.024 s
                         [](const auto &info) { return "frames" + std::to_string(info.param.frames); });

TEST(MpegInfo, ConstantRateFileGivesRateByte80) {
  fs::path p = writeFrames("cbr", 2500, 0x00);
  uint8_t rate = 0, h, m, s;
  ASSERT_TRUE(SetDownMpegFileParams(p, rate, h, m, s));
  EXPECT_EQ(rate, 80);  // 16000 bytes per second in units of 200
  auto info = scanMpegFile(p);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->frames, 2500);
  EXPECT_EQ(info->bitrateKbps, 128);
  EXPECT_EQ(info->sampleRate, 48000);
  EXPECT_NEAR(info->msPerFrame, 24.0, 1e-9);
  EXPECT_EQ(info->channelMode, 0);
  fs::remove(p);
}

TEST(MpegInfo, ChannelModes) {
  for (auto [bits, mode] : {std::pair{0x40, 1}, std::pair{0x80, 2}, std::pair{0xC0, 3}}) {
    fs::path p = writeFrames("mode", 10, static_cast<uint8_t>(bits));
    auto info = scanMpegFile(p);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->channelMode, mode);
    fs::remove(p);
  }
}

TEST(MpegInfo, NonMpegFilesAreRefusedAndOutputsKept) {
  fs::path text = fs::temp_directory_path() / ("not-mpeg" + std::to_string(::getpid()) + ".mp3");
  std::ofstream(text) << std::string(5000, 'a');
  fs::path empty = fs::temp_directory_path() / ("empty" + std::to_string(::getpid()) + ".mp3");
  std::ofstream{empty};
  for (const fs::path &p : {text, empty, fs::path("/nonexistent/file.mp3")}) {
    uint8_t rate = 7, h = 7, m = 7, s = 7;
    EXPECT_FALSE(SetDownMpegFileParams(p, rate, h, m, s)) << p;
    EXPECT_EQ(rate + h + m + s, 28);
    EXPECT_FALSE(scanMpegFile(p)) << p;
  }
  fs::remove(text);
  fs::remove(empty);
}

}  // namespace
