// Voice files played from the PC: the totals, the buffers and their end,
// the refused files, a file that shrinks or goes while it plays, and seeking.
#include <gtest/gtest.h>

#include <filesystem>

#include "PlayerFixture.h"
#include "testsupport/Files.h"
#include "voice/VoiceHeader.h"

namespace playertest {
namespace {

namespace fs = std::filesystem;
using player::ButtonState;
using player::PlayKind;
using testsupport::pattern;

TEST(PlayerPcVoice, ThousandCodedBytesPlayOneSecondInTwoBuffers) {
  PlayerRig rig;
  auto data = pattern(1000, 1);
  rig.pcVoiceFile("a.dvg", data);
  rig.playPc("a.dvg");

  EXPECT_EQ(rig.p().state().kind, PlayKind::Voice);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Playing);
  EXPECT_TRUE(rig.events.displayTimer);
  EXPECT_EQ(rig.display.kind, "DVG");
  EXPECT_EQ(rig.display.bitRate, (std::pair<int64_t, int64_t>{8, 0}));
  EXPECT_EQ(rig.display.stereo, false);
  EXPECT_EQ(rig.display.total, (Clock{0, 0, 1}));
  EXPECT_EQ(rig.display.fileName, "a.dvg");
  EXPECT_EQ(rig.p().voiceInfo().dataSize, 1000u);
  EXPECT_EQ(rig.p().voiceInfo().totalPcmBytes, 16000u);
  // The second buffer is the last: the device was given no third.
  EXPECT_EQ(rig.out->inner.queued(), 2u);

  EXPECT_TRUE(rig.playOne());
  EXPECT_TRUE(rig.p().voiceOutput().active());
  EXPECT_TRUE(rig.playOne());
  EXPECT_FALSE(rig.playOne());
  ASSERT_EQ(rig.played.size(), 2u);
  EXPECT_EQ(rig.played[0].size(), 8000u);
  EXPECT_EQ(rig.played[1].size(), 8000u);
  EXPECT_TRUE(sameBytes(joined(rig.played), decodeReference(data.data(), data.size())));
  // The stop event ran Stop.
  EXPECT_FALSE(rig.p().voiceOutput().active());
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_FALSE(rig.events.displayTimer);
  EXPECT_TRUE(rig.ui().messages.empty());
}

TEST(PlayerPcVoice, ShortLastChunkDeliversOnlyItsBytes) {
  PlayerRig rig;
  auto data = pattern(1730, 2);
  rig.pcVoiceFile("b.dvg", data);
  rig.playPc("b.dvg");
  rig.playAll();
  ASSERT_EQ(rig.played.size(), 4u);
  EXPECT_EQ(rig.played[3].size(), 230u * 16);
  EXPECT_TRUE(sameBytes(joined(rig.played), decodeReference(data.data(), data.size())));
}

TEST(PlayerPcVoice, RefusedFiles) {
  auto headerWithKind = [](uint8_t kind) {
    return [kind](PlayerRig &rig, const std::string &name) {
      fs::path f = rig.pcVoiceFile(name, pattern(600, 3));
      auto bytes = testsupport::readFile(f);
      bytes[voice::header::kKind] = kind;
      testsupport::writeFile(f, bytes);
    };
  };
  struct Case {
    const char *what;
    std::function<void(PlayerRig &, const std::string &)> make;
  } cases[] = {
      {"header only", [](PlayerRig &rig, const std::string &n) { rig.pcVoiceFile(n, {}); }},
      {"short", [](PlayerRig &rig, const std::string &n) { rig.temp.write(n, std::string(100, 'x')); }},
      {"empty", [](PlayerRig &rig, const std::string &n) { rig.temp.write(n, ""); }},
      {"missing", [](PlayerRig &, const std::string &) {}},
      {"kind 0x55", headerWithKind(0x55)},
      {"kind 0xBB", headerWithKind(0xBB)},
      {"kind 0xFF", headerWithKind(0xFF)},
  };
  for (const Case &c : cases) {
    PlayerRig rig;
    // A valid file plays first: its kind must not carry over.
    rig.pcVoiceFile("good.dvg", pattern(1000, 4));
    rig.playPc("good.dvg");
    ASSERT_TRUE(rig.p().voiceOutput().active()) << c.what;
    c.make(rig, "bad.dvg");
    rig.playPc("bad.dvg");
    EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg11"}) << c.what;
    EXPECT_EQ(rig.ui().messages[0].captionKey, "FM_kind_errormsg0") << c.what;
    EXPECT_FALSE(rig.p().voiceOutput().active()) << c.what;
    EXPECT_FALSE(rig.events.displayTimer) << c.what;
    EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle) << c.what;
  }
}

TEST(PlayerPcVoice, AFileThatShrinksEndsAtTheShortRead) {
  PlayerRig rig;
  auto data = pattern(5000, 5);
  fs::path f = rig.pcVoiceFile("s.dvg", data);
  rig.playPc("s.dvg");  // three chunks are decoded: 1500 bytes
  fs::resize_file(f, 256 + 1700);
  int buffers = rig.playAll();
  EXPECT_EQ(buffers, 4);
  ASSERT_EQ(rig.played.size(), 4u);
  EXPECT_EQ(rig.played[3].size(), 200u * 16);
  EXPECT_TRUE(sameBytes(joined(rig.played), decodeReference(data.data(), 1700)));
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_TRUE(rig.ui().messages.empty());
}

TEST(PlayerPcVoice, AFileThatGoesEndsAfterTheBuffersHeldWithOneMessage) {
  PlayerRig rig;
  rig.pcVoiceFile("g.dvg", pattern(5000, 6));
  rig.playPc("g.dvg");
  fs::remove(rig.temp / "g.dvg");
  EXPECT_TRUE(rig.playOne());
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_EQ(rig.playAll(), 2);  // the two still held play out
  EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg6"});
  EXPECT_FALSE(rig.p().voiceOutput().active());
  EXPECT_FALSE(rig.events.displayTimer);
}

TEST(PlayerPcVoice, SeekDiscardsTheQueueAndPlaysFromWholeChunks) {
  PlayerRig rig;
  auto data = pattern(10000, 7);
  rig.pcVoiceFile("k.dvg", data);
  rig.playPc("k.dvg");
  rig.playOne();
  rig.played.clear();
  rig.p().OnSldPlayPositionTrack();
  EXPECT_TRUE(rig.p().state().tracking);
  rig.p().OnSldPlayPositionTrackEnd(33);  // 3300 bytes: chunk 6
  EXPECT_FALSE(rig.p().state().tracking);
  rig.playAll();
  EXPECT_TRUE(sameBytes(joined(rig.played), decodeReference(data.data() + 3000, 7000)));

  // Paused, a seek stays paused; nothing discarded plays.
  rig.playPc("k.dvg");
  rig.p().OnBtnPauseClick();
  rig.played.clear();
  rig.p().OnSldPlayPositionTrackEnd(150);  // clamped to 100: the end
  EXPECT_FALSE(rig.out->inner.playNext());
  EXPECT_TRUE(rig.played.empty());
}

TEST(PlayerPcVoice, DisplayShowsDeliveredTimeAndSlider) {
  PlayerRig rig;
  rig.pcVoiceFile("d.dvg", pattern(8000, 8));  // 16 chunks, 8 s
  rig.playPc("d.dvg");
  // Three chunks delivered: 1.5 s.
  rig.p().OnTimPlayDisplayTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 1}));
  EXPECT_EQ(rig.display.position(), 18);
  rig.p().OnSldPlayPositionTrack();
  rig.playOne();
  rig.playOne();
  rig.p().OnTimPlayDisplayTimer();  // the drag holds the display
  EXPECT_EQ(rig.display.position(), 18);
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 1}));
}

}  // namespace
}  // namespace playertest
