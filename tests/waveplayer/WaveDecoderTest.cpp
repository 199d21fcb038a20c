#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "WaveFixture.h"
#include "components/wavefile/WaveDecoder.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
using components::WaveDecoder;
using testsupport::TempDir;

namespace {

std::vector<int16_t> readRest(WaveDecoder &decoder) {
  std::vector<int16_t> out, chunk(1000 * decoder.channels());
  while (size_t n = decoder.read(chunk.data(), 1000))
    out.insert(out.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(n * decoder.channels()));
  return out;
}

// A seek gives the samples that reading from the start gives there,
// forwards and back, whether libsndfile seeks or the decoder starts again.
struct SeekCase {
  const char *encoding;
  int channels;  // GSM 6.10 is mono only
};

class WaveDecoderSeek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(WaveDecoderSeek, MatchesReadingFromTheStart) {
  TempDir dir;
  const int channels = GetParam().channels;
  fs::path wav = wavtest::makeWav(dir, "seek", {8000, channels, 12000}, GetParam().encoding);
  ASSERT_FALSE(wav.empty());
  WaveDecoder decoder;
  std::string error;
  ASSERT_TRUE(decoder.open(wav.string(), &error)) << error;
  ASSERT_EQ(decoder.frames(), 12000u);
  const std::vector<int16_t> whole = readRest(decoder);
  ASSERT_EQ(whole.size(), 12000u * channels);
  EXPECT_EQ(decoder.position(), 12000u);
  for (uint64_t frame : {7000u, 3000u, 0u, 11999u, 12000u, 99999u}) {
    SCOPED_TRACE(frame);
    ASSERT_TRUE(decoder.seek(frame));
    const uint64_t at = std::min<uint64_t>(frame, 12000);
    EXPECT_EQ(decoder.position(), at);
    std::vector<int16_t> rest = readRest(decoder);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + std::ptrdiff_t(at * channels), whole.end()));
    EXPECT_EQ(rest.size(), (12000 - at) * channels);
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, WaveDecoderSeek,
                         ::testing::Values(SeekCase{"-b 16", 2}, SeekCase{"-e ima-adpcm", 2},
                                           SeekCase{"-e ms-adpcm", 2}, SeekCase{"-e gsm-full-rate", 1}),
                         [](const auto &info) {
                           std::string out;
                           for (const char *p = info.param.encoding; *p; ++p)
                             if (std::isalnum(static_cast<unsigned char>(*p))) out += *p;
                           return out;
                         });

// Samples wider than 16 bits, integer or float, made from a 16-bit tone
// decode to that tone exactly: full scale stays full scale.
class WaveDecoderWide : public ::testing::TestWithParam<const char *> {};

TEST_P(WaveDecoderWide, GivesBackTheSixteenBitTone) {
  TempDir dir;
  fs::path pcm = wavtest::makeWav(dir, "pcm", {8000, 2, 4000}, "-b 16");
  ASSERT_FALSE(pcm.empty());
  fs::path wide = wavtest::reencode(dir, pcm, "wide", GetParam());
  ASSERT_FALSE(wide.empty());
  WaveDecoder a, b;
  ASSERT_TRUE(a.open(pcm.string()));
  ASSERT_TRUE(b.open(wide.string()));
  const std::vector<int16_t> expected = readRest(a);
  ASSERT_EQ(expected.size(), 8000u);
  EXPECT_EQ(readRest(b), expected);
}

INSTANTIATE_TEST_SUITE_P(Encodings, WaveDecoderWide,
                         ::testing::Values("-b 24", "-b 32", "-e floating-point -b 32", "-e floating-point -b 64"),
                         [](const auto &info) {
                           std::string out;
                           for (const char *p = info.param; *p; ++p)
                             if (std::isalnum(static_cast<unsigned char>(*p))) out += *p;
                           return out;
                         });

}  // namespace
