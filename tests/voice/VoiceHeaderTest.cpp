// The 256-byte voice file header: checks, the two builders and the two ways
// its text fields are read.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "voice/VoiceHeader.h"

namespace {

using namespace voice;
using Header = std::array<uint8_t, 256>;

const HeaderTime kTime{2024, 3, 5, 13, 7, 9};

Header validHeader() {
  Header h;
  MakeG729FileHeader(h.data(), 16, 8000, 1, "rec.dvg", true, kTime);
  return h;
}

void putText(Header &h, size_t offset, const std::string &text) { std::memcpy(h.data() + offset, text.data(), text.size()); }

TEST(CheckG729File, AcceptsOnlyVoiceHeadersOfKindSP) {
  struct Case {
    const char *name;
    size_t offset;
    uint8_t value;
    bool accepted;
  } cases[] = {
      {"valid", 0, 'V', true},          {"version 0", 4, 0, false},     {"version 2", 4, 2, false},
      {"kind LP 0x55", 32, 0x55, false}, {"kind HQ 0xBB", 32, 0xBB, false}, {"kind none 0xFF", 32, 0xFF, false},
      {"magic", 3, 'P', false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Header h = validHeader();
    h[c.offset] = c.value;
    int bits = -1, channels = -2, rate = -3, kind = -4;
    EXPECT_EQ(CheckG729File(h.data(), bits, channels, rate, kind), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(bits, 16);
      EXPECT_EQ(channels, 1);
      EXPECT_EQ(rate, 8000);
      EXPECT_EQ(kind, 0xAA);
    } else {
      EXPECT_EQ(kind, 0);
      EXPECT_EQ(bits, -1);
      EXPECT_EQ(channels, -2);
      EXPECT_EQ(rate, -3);
    }
  }
}

TEST(CheckG729File, ReadsTheFormatBytesBigEndian) {
  Header h = validHeader();
  h[33] = 8;
  h[34] = 0x3E;  // 16000
  h[35] = 0x80;
  h[36] = 2;
  int bits = 0, channels = 0, rate = 0, kind = 0;
  ASSERT_TRUE(CheckG729File(h.data(), bits, channels, rate, kind));
  EXPECT_EQ(bits, 8);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(rate, 16000);
}

TEST(MakeG729FileHeader, LaysOutEveryByteOfTheTempRecordingHeader) {
  Header expected;
  expected.fill(0xFF);
  putText(expected, 0, "VEXO");
  expected[4] = 1;
  expected[5] = 24, expected[6] = 3, expected[7] = 5, expected[8] = 13, expected[9] = 7, expected[10] = 9;
  expected[32] = 0xAA, expected[33] = 16, expected[34] = 0x1F, expected[35] = 0x40, expected[36] = 1;
  putText(expected, 80, "G729");
  putText(expected, 96, "Q417");
  putText(expected, 112, "TempRecording");
  putText(expected, 240, "dvg");

  Header h;
  h.fill(0x00);
  MakeG729FileHeader(h.data(), 16, 8000, 1, "/home/u/TempData/TempRecording.dvg", true, kTime);
  EXPECT_EQ(h, expected);
  EXPECT_EQ(DirectoryFieldText(h.data() + 112, 128), "TempRecording");
  EXPECT_EQ(DirectoryFieldText(h.data() + 240, 16), "dvg");
}

TEST(MakeG729FileHeader, BitsFFMakeVersion0AndNonVoiceLeavesFormatAndTextsFilled) {
  Header h;
  MakeG729FileHeader(h.data(), 0xFF, 8000, 1, "a.dvg", true, kTime);
  EXPECT_EQ(h[4], 0);

  MakeG729FileHeader(h.data(), 16, 8000, 1, "a.dvg", false, kTime);
  EXPECT_EQ(h[4], 1);
  for (size_t i = 32; i <= 36; ++i) EXPECT_EQ(h[i], 0xFF) << i;
  for (size_t i = 80; i < 112; ++i) EXPECT_EQ(h[i], 0xFF) << i;
  EXPECT_EQ(DirectoryFieldText(h.data() + 112, 128), "a");
}

TEST(MakeG729FileHeader, YearKeepsItsLastTwoDigits) {
  Header h;
  MakeG729FileHeader(h.data(), 16, 8000, 1, "a.dvg", true, HeaderTime{2100, 12, 31, 23, 59, 59});
  EXPECT_EQ(h[5], 0);
  EXPECT_EQ(h[6], 12);
  EXPECT_EQ(h[10], 59);
}

// Names and extensions, shortened at a character boundary and never written
// outside the 256 bytes.
TEST(MakeG729FileHeader, StoresNamesAsBytesCutAtCharacterBoundaries) {
  const std::string a127(127, 'a'), b128(128, 'b');
  struct Case {
    std::string path, name, extension;
  } cases[] = {
      {"dir.x/plain", "plain", ""},
      {"x.tar.gz", "x.tar", "gz"},
      {".profile", ".profile", ""},
      {"Grüße aus Köln.DVG", "Grüße aus Köln", "DVG"},
      {b128 + ".wav", b128, "wav"},                         // full field
      {b128 + "c.wav", b128, "wav"},                        // one byte over
      {a127 + "é.dvg", a127, "dvg"},                        // é would straddle the end
      {std::string(126, 'a') + "€x.dvg", std::string(126, 'a'), "dvg"},  // € would straddle
      {std::string(125, 'a') + "€.dvg", std::string(125, 'a') + "€", "dvg"},  // € fits exactly
      {"n." + std::string(16, 'e'), "n", std::string(16, 'e')},
      {"n." + std::string(15, 'e') + "ü", "n", std::string(15, 'e')},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    std::array<uint8_t, 256 + 64> guarded;
    guarded.fill(0x5A);
    uint8_t *h = guarded.data() + 32;
    MakeG729FileHeader(h, 16, 8000, 1, c.path, true, kTime);
    EXPECT_EQ(DirectoryFieldText(h + 112, 128), c.name);
    EXPECT_EQ(ArrayToString(h + 112, 128), c.name);
    EXPECT_EQ(DirectoryFieldText(h + 240, 16), c.extension);
    for (size_t i = 0; i < 32; ++i) ASSERT_EQ(guarded[i], 0x5A);
    for (size_t i = 32 + 256; i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0x5A);
  }
}

TEST(BuildFileHeader, KeepsOnlyItsByteRangesAndClearsTheVoiceFields) {
  Header source;
  source.fill(0x11);
  Header h;
  h.fill(0x00);
  BuildFileHeader(source.data(), h.data());

  Header expected;
  expected.fill(0xFF);
  putText(expected, 0, "VEXO");
  expected[4] = 0;
  for (size_t i = 5; i <= 10; ++i) expected[i] = 0x11;  // date and time
  expected[32] = 0x11;                                   // kind
  for (size_t i = 48; i <= 51; ++i) expected[i] = 0x11;  // audio info
  for (size_t i = 112; i < 256; ++i) expected[i] = 0x11;  // name and extension
  EXPECT_EQ(h, expected);
  // The source itself carries the magic and the cleared fields afterwards.
  EXPECT_EQ(std::memcmp(source.data(), "VEXO", 4), 0);
  EXPECT_EQ(source[80], 0xFF);
  EXPECT_EQ(source[33], 0xFF);
}

TEST(BuildFileHeader, Mp3NamesGetAnUpperCaseExtensionAndTheirAudioInfo) {
  const uint8_t audioInfo[4] = {0x50, 0, 3, 25};
  for (const char *path : {"/music/Song.mp3", "/music/Song.MP3", "Song.Mp3"}) {
    SCOPED_TRACE(path);
    Header source, h;
    PrepareGenericSource(source.data(), path, kTime, audioInfo);
    BuildFileHeader(source.data(), h.data());
    EXPECT_EQ(DirectoryFieldText(h.data() + 240, 16), "MP3");
    EXPECT_EQ(DirectoryFieldText(h.data() + 112, 128), "Song");
    EXPECT_EQ(h[4], 0);
    EXPECT_EQ(h[32], 0xFF);
    EXPECT_EQ(h[5], 24);
    EXPECT_EQ(std::memcmp(h.data() + 48, audioInfo, 4), 0);
    int bits = 0, channels = 0, rate = 0, kind = 7;
    EXPECT_FALSE(CheckG729File(h.data(), bits, channels, rate, kind));
  }
}

TEST(HeaderText, FullFieldsAreReadToTheirLastByte) {
  Header h;
  h.fill(0xFF);
  std::string name(128, 'N'), ext(16, 'E');
  name[127] = 'z';
  putText(h, 112, name);
  putText(h, 240, ext);
  EXPECT_EQ(DirectoryFieldText(h.data() + 112, 128), name);
  EXPECT_EQ(ArrayToString(h.data() + 112, 128), name);
  EXPECT_EQ(DirectoryFieldText(h.data() + 240, 16), ext);
  EXPECT_EQ(ArrayToString(h.data() + 240, 16), ext);
}

TEST(HeaderText, TheTwoReadingsDifferAsTheirRulesSay) {
  struct Case {
    std::string field, directory, copy;
  } cases[] = {
      {std::string("AB\xFF" "CD\xFF\xFF\xFF", 8), "AB", std::string("AB\xFF" "CD", 5)},
      {std::string("AB  \0\0\xFF\xFF", 8), std::string("AB  \0\0", 6), "AB"},
      {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), "", ""},
      {std::string("A B \x20\x00\xFF\x20", 8), std::string("A B \x20\0", 6), "A B"},
  };
  for (const Case &c : cases) {
    auto *p = reinterpret_cast<const uint8_t *>(c.field.data());
    EXPECT_EQ(DirectoryFieldText(p, c.field.size()), c.directory);
    EXPECT_EQ(ArrayToString(p, c.field.size()), c.copy);
  }
}

}  // namespace
