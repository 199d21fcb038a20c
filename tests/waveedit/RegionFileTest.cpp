// The clipboard's region file: its exact text, a round trip, and files that
// try to mislead the editor.
#include <gtest/gtest.h>

#include "WaveFixtures.h"
#include "components/waveedit/ListEdits.h"
#include "components/waveedit/RegionFile.h"

using namespace components;
using namespace waveedit_test;
namespace fs = std::filesystem;

namespace {

constexpr int32_t U = kUnityVolume;

class RegionFileTest : public ::testing::Test {
 protected:
  RegionFileTest() { writeFile(clip, wavBytes({}, ramp(20))); }

  // A region file for the clip with the [Sample] keys given, after FileName.
  std::string text(const std::string &sample, const std::string &rest = "") const {
    return "[General]\nValidate=Tonebank Region-File\nVersion=1.00\n[Sample]\nFileName=" + clip.string() + "\n" +
           sample + rest;
  }

  ScratchDir dir;
  fs::path clip = dir / "clip.tmp";
  fs::path region = dir / "clipcut.tmp";
};

Marker marker(uint32_t id, uint32_t next, int64_t offset, std::string name, std::string comment = "") {
  Marker m;
  m.id = id;
  m.nextId = next;
  m.offset = offset;
  m.name = std::move(name);
  m.comment = std::move(comment);
  return m;
}

TEST_F(RegionFileTest, WritesTheKnownLayout) {
  WaveDescription wave;
  wave.fileName = clip.string();
  wave.start = 2;
  wave.end = 18;
  wave.position = 3;
  wave.volume = {{0, U}, {20, 8192}};
  wave.markers = {marker(1, 0, 4, "Marker")};
  ASSERT_TRUE(RegionFile::write(region, wave));
  EXPECT_EQ(readFile(region),
            "[General]\nValidate=Tonebank Region-File\nVersion=1.00\n\n[Sample]\nFileName=" + clip.string() +
                "\nStartPos=2\nEndPos=18\nPosition=3\nNumFades=2\nFades1=(0,16384);(20,8192);\nNumMarkers=1\n\n"
                "[Marker_0]\nName=Marker\nComment=\nID=1\nNextID=0\nOffset=4\nColor=65535\nFlags=0\nFixed=0\n"
                "Visible=1\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"clip.tmp", "clipcut.tmp"}));
}

TEST_F(RegionFileTest, RoundTrip) {
  WaveDescription wave;
  wave.fileName = clip.string();
  wave.start = 2;
  wave.end = 18;
  wave.volume = {{0, U}, {1, 0}, {3, 5}, {5, 7}, {7, 9}, {9, 11}, {11, 13}, {20, 2 * U}};  // two keys
  wave.cuts = {{1, 1, 0}, {3, 1, 1}, {5, 1, 0}, {7, 1, 0}, {10, 5, -3}};                    // two keys
  Marker a = marker(7, 9, 0, " padded = name ", "a comment; with \"quotes\"");
  a.fixed = true;
  a.visible = false;
  a.color = 0xFF00FF;
  a.flags = 3;
  wave.markers = {a, marker(9, 7, 20, "end"), marker(4, 0, 10, "\"quoted\"")};
  ASSERT_TRUE(RegionFile::write(region, wave));

  WaveDescription back;
  back.position = 99;
  std::string why;
  ASSERT_TRUE(RegionFile::read(region, clip, back, &why)) << why;
  EXPECT_EQ(back, wave);  // the position is written, not read

  // Writing again replaces the old file.
  wave.markers.clear();
  ASSERT_TRUE(RegionFile::write(region, wave));
  ASSERT_TRUE(RegionFile::read(region, clip, back));
  EXPECT_TRUE(back.markers.empty());
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"clip.tmp", "clipcut.tmp"}));
}

TEST_F(RegionFileTest, RefusesWhatIsNotItsOwn) {
  struct Case {
    const char *name;
    std::string content;
  } cases[] = {
      {"other validate", "[General]\nValidate=Region-File\nVersion=1.00\n[Sample]\nFileName=" + clip.string() + "\n"},
      {"other version", "[General]\nValidate=Tonebank Region-File\nVersion=1.01\n[Sample]\nFileName=" + clip.string()},
      {"foreign file", "[General]\nValidate=Tonebank Region-File\nVersion=1.00\n[Sample]\nFileName=/etc/passwd\n"},
      {"same name elsewhere",
       "[General]\nValidate=Tonebank Region-File\nVersion=1.00\n[Sample]\nFileName=/tmp/clip.tmp\n"},
      {"no file name", "[General]\nValidate=Tonebank Region-File\nVersion=1.00\n[Sample]\nStartPos=0\n"},
      {"no general section", "[Sample]\nFileName=" + clip.string() + "\n"},
      {"binary junk", std::string("\0\xff\xfe[General\n=\n", 15)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(region, c.content);
    WaveDescription wave;
    wave.fileName = "kept?";
    wave.volume = unityEnvelope(5);
    EXPECT_FALSE(RegionFile::read(region, clip, wave));
    EXPECT_EQ(wave, WaveDescription{});
  }
  WaveDescription wave;
  EXPECT_FALSE(RegionFile::read(dir / "missing", clip, wave));
  writeFile(region, text("StartPos=0\n"));
  fs::resize_file(region, RegionFile::kMaxFileBytes + 1);  // sparse: no disk space taken
  EXPECT_FALSE(RegionFile::read(region, clip, wave));
  writeFile(region, text("StartPos=0\n"));
  fs::remove(clip);
  EXPECT_FALSE(RegionFile::read(region, clip, wave));  // the audio file is gone
  EXPECT_EQ(wave, WaveDescription{});
}

TEST_F(RegionFileTest, MendsAHostileFile) {
  std::string longName(200, 'n');
  writeFile(region,
            text("StartPos=-5\nEndPos=1000\nPosition=7\n"
                 "NumFades=999999999999\nFades1=(5,100);(5,200);(30,1);(-2,7);( 12 , 300 );(1,x);(2)\n"
                 "Fades2=(15,-40);(3,99999999999)\n"
                 "Fades4=(6,6);\n"  // after the missing Fades3: not read
                 "NumCuts=5000000000\nCuts1=(8,4,0);(2,3,1);(10,5,2);(18,100,3);(-9,20,4);\n"
                 "NumMarkers=4\n",
                 "[Marker_0]\nName=" + longName + "\nID=1\nNextID=2\nOffset=3\n"
                 "[Marker_1]\nID=2\nNextID=3\nOffset=25\n"
                 "[Marker_3]\nID=5\nOffset=4\n"));
  WaveDescription wave;
  std::string why;
  ASSERT_TRUE(RegionFile::read(region, clip, wave, &why)) << why;
  EXPECT_EQ(wave.fileName, clip.string());
  EXPECT_EQ(wave.start, 0);
  EXPECT_EQ(wave.end, 20);
  EXPECT_EQ(wave.position, 0);
  EXPECT_EQ(wave.volume, (VolumeEnvelope{{0, kMaxVolume}, {3, kMaxVolume}, {5, 100}, {12, 300}, {15, 0}, {20, 0}}));
  // Clipped to the clip, sorted and merged where they overlap.
  EXPECT_EQ(wave.cuts, (CutList{{0, 15, 4}, {18, 2, 3}}));
  // Marker 1 is cut short; marker 2 lies past the end; marker 5 stands after
  // the missing section.
  ASSERT_EQ(wave.markers.size(), 1u);
  EXPECT_EQ(wave.markers[0].name, std::string(80, 'n'));
  EXPECT_EQ(wave.markers[0].nextId, 0u);  // its partner is gone
  EXPECT_EQ(wave.markers[0].color, 65535u);
  EXPECT_TRUE(wave.markers[0].visible);
}

TEST_F(RegionFileTest, HugeCountsAndManyKeysReadInReasonableTime) {
  std::string fades = "NumFades=2000000\n";
  for (int i = 1; i <= 100000; ++i) fades += "Fades" + std::to_string(i) + "=(" + std::to_string(i % 20) + ",1);\n";
  std::string markers = "NumMarkers=2147483647\n";
  std::string sections;
  for (int i = 0; i < 3000; ++i)
    sections += "[Marker_" + std::to_string(i) + "]\nID=" + std::to_string(i + 1) + "\nOffset=1\n";
  writeFile(region, text(fades + markers, sections));
  WaveDescription wave;
  ASSERT_TRUE(RegionFile::read(region, clip, wave));
  EXPECT_EQ(wave.volume.size(), 21u);  // positions 0..19 and the end
  EXPECT_EQ(wave.volume.back().position, 20);
  EXPECT_EQ(wave.markers.size(), 3000u);
}

TEST_F(RegionFileTest, CutsNamesAtACharacterBoundary) {
  std::string name(79, 'a');
  name += "\xC3\xA9";  // a two-byte character across the 80th byte
  WaveDescription wave;
  wave.fileName = clip.string();
  wave.end = 20;
  wave.volume = unityEnvelope(20);
  wave.markers = {marker(1, 0, 2, name, std::string(300, 'c'))};
  ASSERT_TRUE(RegionFile::write(region, wave));
  ASSERT_TRUE(RegionFile::read(region, clip, wave));
  EXPECT_EQ(wave.markers[0].name, std::string(79, 'a'));
  EXPECT_EQ(wave.markers[0].comment.size(), 255u);
}

}  // namespace
