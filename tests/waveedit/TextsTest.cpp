// Format names and the status bar's texts.
#include <gtest/gtest.h>

#include "components/waveedit/FormatNames.h"
#include "components/waveedit/StatusTexts.h"

using namespace components;

namespace {

WaveFormat fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t sub = 0) {
  WaveFormat f;
  f.formatTag = tag;
  f.channels = channels;
  f.sampleRate = rate;
  f.bitsPerSample = bits;
  f.subFormatTag = sub;
  return f;
}

TEST(FormatNames, NamesEveryKindOfFormat) {
  struct Case {
    WaveFormat format;
    const char *name;
  } cases[] = {
      {fmt(1, 2, 22050, 16), "[STEREO/22K/16Bit]"},
      {fmt(49, 2, 8000, 0), "[STEREO/8K/0Bit]"},  // the stereo rule comes before the tag
      {fmt(1, 1, 8000, 8), "[8K/8Bit]"},
      {fmt(1, 1, 11025, 16), "[11K/16Bit]"},
      {fmt(49, 1, 8000, 0), "GSM610"},
      {fmt(0, 1, 8000, 16), "UNKNOWN"},
      {fmt(2, 1, 8000, 4), "ADPCM"},
      {fmt(17, 1, 8000, 4), "DVI_ADPCM/IMA_ADPCM"},
      {fmt(48, 1, 8000, 4), "DOLBY_AC2/DOLBYAC2"},
      {fmt(85, 1, 44100, 0), "MPEG_LAYER3"},
      {fmt(524, 1, 8000, 32), "PCM32"},
      {fmt(4100, 1, 8000, 8), "OLIOPR"},
      {fmt(4, 1, 8000, 16), "<?> "},
      {fmt(4101, 1, 8000, 16), "<?> "},
      {fmt(0xFFFE, 1, 8000, 16, 1), "[8K/16Bit]"},
      {fmt(0xFFFE, 1, 8000, 8, 6), "ALAW"},
      {fmt(0xFFFE, 1, 8000, 16, 0x1234), "<?> "},
      {fmt(0xFFFE, 2, 44100, 16, 1), "[STEREO/44K/16Bit]"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(get_format(c.format), c.name) << c.format.formatTag << "/" << c.format.channels;
}

TEST(StatusTexts, TimesOfSampleCounts) {
  constexpr int64_t kHour = 8000LL * 3600, kDay = 24 * kHour;
  struct Case {
    int64_t samples;
    uint32_t rate;
    const char *text;
  } cases[] = {
      {0, 8000, "0:00.000"},
      {8, 8000, "0:00.001"},
      {11025, 11025, "0:01.000"},
      {8000 * 61 + 8 * 7, 8000, "1:01.007"},
      {kHour - 8, 8000, "59:59.999"},
      {kHour, 8000, "1:00:00.000"},
      {kHour + 8000 * 62, 8000, "1:01:02.000"},
      {kDay - 8, 8000, "23:59:59.999"},
      {kDay, 8000, "1:00:00:00.000"},
      {kDay * 400 + kHour * 3 + 8 * 5, 8000, "400:03:00:00.005"},
      // 268.4 s at 8 kHz is where samples x 1000 leaves 32 bits.
      {8000 * 268, 8000, "4:28.000"},
      {8000 * 269 + 4, 8000, "4:29.000"},
      {8000 * 600, 8000, "10:00.000"},
      {1000, 0, "0:00.000"},
      {-8000, 8000, "0:00.000"},
  };
  for (const Case &c : cases) EXPECT_EQ(timeText(c.samples, c.rate), c.text) << c.samples;
  EXPECT_EQ(samplesToMilliseconds(INT64_MAX, 1000), INT64_MAX);  // no product overflows
}

TEST(StatusTexts, RateBitsAndGain) {
  EXPECT_EQ(rateText(8000), "8.000 Hz");
  EXPECT_EQ(rateText(11025), "11.025 Hz");
  EXPECT_EQ(rateText(500), "0.500 Hz");
  EXPECT_EQ(bitsText(16), "16 Bit");
  EXPECT_EQ(gainText(0.0), "0.00 dB");
  EXPECT_EQ(gainText(1.0), "1.00 dB");
  EXPECT_EQ(gainText(-6.0206), "-6.02 dB");
  EXPECT_EQ(gainText(12.5), "12.50 dB");
}

}  // namespace
