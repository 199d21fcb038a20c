// Voice recordings played straight from the recorder's flash (the in-process
// flash with a file system written by the write job): the bytes that reach
// the output against the decoder's own result for the recording, the block
// edges, seeking, the refused directory records and a lost link.
#include <gtest/gtest.h>

#include <set>

#include "PlayerFixture.h"
#include "Rig.h"
#include "recorder/Chains.h"
#include "recorder/Layout.h"

namespace playertest {
namespace {

namespace fs = std::filesystem;
using player::ButtonState;
using player::RecorderVoiceSource;
using recorder::kBlockDataSize;
using recorder::kPageSize;
using testsupport::pattern;

// A formatted recorder with voice recordings in folder A, and a player over it.
class PlayerRecorderVoice : public ::testing::Test {
 protected:
  void SetUp() override { rig.formatted(); }

  // Writes a voice file of `bytes` coded bytes; returns the data.
  std::vector<uint8_t> record(size_t bytes, uint32_t seed) {
    fs::path file = pc / ("r" + std::to_string(seed) + ".dvg");
    auto data = pattern(bytes, seed, false);
    jobtest::voiceFile(file, data);
    EXPECT_TRUE(jobtest::put(rig, 1, {file}));
    return data;
  }
  PlayerRig &player() {
    if (!players) players = std::make_unique<PlayerRig>(RigOptions{&rig.v(), &rig.ui});
    return *players;
  }
  void play(int index) {
    PlayerRig &p = player();
    p.lists.active = 1;
    p.lists.recorderIndex = index;
    p.p().OnBtnPlayClick();
  }
  RecorderVoiceSource *source() {
    return dynamic_cast<RecorderVoiceSource *>(player().p().voiceOutput().source());
  }

  jobtest::Rig rig;
  jobtest::TempDir pc;
  std::unique_ptr<PlayerRig> players;
};

TEST_F(PlayerRecorderVoice, BlockEdgesDeliverExactlyTheRecording) {
  struct Case {
    const char *what;
    size_t data;     // coded bytes after the 2048-byte header page
    size_t blocks;
    size_t lastBuffer;  // PCM bytes of the last buffer
  } cases[] = {
      {"one block", 1000, 1, 8000},
      {"one block, short last chunk", 1234, 1, 234 * 16},
      {"full last block", 2 * kBlockDataSize - kPageSize, 2, 96 * 16},
      {"last block holding less than a chunk", kBlockDataSize + 100 - kPageSize, 2, 124 * 16},
      {"three blocks", 3 * kBlockDataSize - kPageSize + 777, 4, 0},
  };
  int index = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    auto data = record(c.data, uint32_t(index + 10));
    play(index++);
    PlayerRig &p = player();
    p.played.clear();
    ASSERT_TRUE(p.p().voiceOutput().active());
    EXPECT_EQ(p.p().state().recorderSource, true);
    EXPECT_EQ(p.display.fileName, "A: r" + std::to_string(index + 9) + ".DVG");
    ASSERT_NE(source(), nullptr);
    EXPECT_EQ(source()->blocks().size(), c.blocks);
    EXPECT_EQ(p.p().voiceInfo().dataSize, c.data);
    EXPECT_EQ(p.display.total.seconds + 60 * p.display.total.minutes, int64_t(c.data * 16 / 16000));
    p.playAll();
    EXPECT_EQ(p.played.size(), (c.data + 499) / 500);
    if (c.lastBuffer) {
      EXPECT_EQ(p.played.back().size(), c.lastBuffer);
    }
    EXPECT_TRUE(sameBytes(joined(p.played), decodeReference(data.data(), data.size())));
    EXPECT_EQ(p.p().state().buttons, ButtonState::Idle);
    EXPECT_FALSE(p.p().voiceOutput().active());
  }
  EXPECT_TRUE(rig.ui.messages.empty());
}

TEST_F(PlayerRecorderVoice, SeeksClampAndLandOnWholeChunks) {
  auto data = record(3 * kBlockDataSize, 20);
  const uint64_t d = data.size();
  struct Case {
    int slider, shown;
  } cases[] = {{0, 1}, {100, 99}, {-7, 1}, {50, 50}, {1, 1}, {99, 99}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.slider);
    play(0);
    PlayerRig &p = player();
    p.playOne();
    p.p().OnSldPlayPositionTrackEnd(c.slider);
    EXPECT_EQ(p.display.position(), c.shown);
    const uint64_t chunks = d * uint64_t(c.shown) / 100 / 500;
    // Three chunks were refilled since.
    EXPECT_EQ(source()->consumed(), chunks * 500 + kPageSize + 1500);
    EXPECT_EQ(source()->pcmDelivered(), (chunks + 3) * 8000);
    p.played.clear();
    p.playAll();
    EXPECT_TRUE(sameBytes(joined(p.played), decodeReference(data.data() + chunks * 500, d - chunks * 500)));
  }
}

TEST_F(PlayerRecorderVoice, SeekOntoABlockStartReadsThatBlockAtOffsetZero) {
  // 99 % of this recording is chunk 22016: byte 84 x 131072 of the recording.
  auto data = record(11119200, 21);
  std::vector<uint32_t> reads;
  rig.io.onRead = [&](uint32_t block, uint8_t *) { reads.push_back(block); };
  play(0);
  PlayerRig &p = player();
  const uint32_t block84 = source()->blocks()[84];
  reads.clear();
  p.p().OnSldPlayPositionTrackEnd(99);
  ASSERT_FALSE(reads.empty());
  EXPECT_EQ(reads.front(), block84);
  // Three chunks were taken from the block since: it is the one in the buffer.
  EXPECT_EQ(source()->consumed(), 84 * uint64_t(kBlockDataSize) + 1500);
  EXPECT_EQ(source()->nextBlock(), 85u);
  EXPECT_EQ(source()->blockOffset(), 1500u);
  p.played.clear();
  p.playAll();
  const size_t from = 84 * kBlockDataSize - kPageSize;
  EXPECT_TRUE(sameBytes(joined(p.played), decodeReference(data.data() + from, data.size() - from)));
}

TEST_F(PlayerRecorderVoice, RefusedDirectoryRecords) {
  record(1000, 30);                                // one block
  record(kBlockDataSize + 5000, 31);                // two blocks
  auto records = [&]() -> auto & { return rig.v().directory.records(1); };
  const auto saved = records();
  const auto savedImage = rig.v().image;
  auto spareCount = [&](uint16_t r, uint8_t q) {
    return [&, r, q] {
      const uint32_t last = saved[0].firstBlock;
      rig.io.onRead = [last, r, q](uint32_t block, uint8_t *raw) {
        if (block != last) return;
        uint8_t *s = raw + recorder::rawSpareOffset(recorder::kLastPage);
        s[0] = uint8_t(r >> 8);
        s[1] = uint8_t(r);
        s[2] = q;
      };
    };
  };
  struct Case {
    const char *what;
    int index;
    std::function<void()> damage;
  } cases[] = {
      {"mode LP", 0, [&] { records()[0].mode = "LP"; }},
      {"mode HQ", 0, [&] { records()[0].mode = "HQ"; }},
      {"mode --", 0, [&] { records()[0].mode = "--"; }},
      {"no pages", 0, [&] { records()[0].pages = 0; }},
      {"longer than the chip", 0, [&] { records()[0].pages = rig.v().blockCount() * 64 + 1; }},
      {"first block off the chip", 0, [&] { records()[0].firstBlock = rig.v().blockCount(); }},
      {"chain off the chip", 1, [&] { rig.v().image.setMapEntry(saved[1].firstBlock, 0xEEEE); }},
      {"chain back to itself", 1,
       [&] { rig.v().image.setMapEntry(saved[1].firstBlock, uint16_t(saved[1].firstBlock)); }},
      {"last-page count erased", 0, spareCount(0xFFFF, 0xFF)},
      {"last-page count past the page", 0, spareCount(512, 4)},
      {"header page only", 0, [&] { records()[0].pages = 1; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    rig.ui.messages.clear();
    records() = saved;
    rig.v().image = savedImage;
    rig.io.onRead = nullptr;
    c.damage();
    play(c.index);
    PlayerRig &p = player();
    std::vector<std::string> keys;
    for (const auto &m : rig.ui.messages) keys.push_back(m.textKey);
    EXPECT_EQ(keys, std::vector<std::string>{"FM_text_system_errmsg11"});
    EXPECT_FALSE(p.p().voiceOutput().active());
    EXPECT_FALSE(p.events.displayTimer);
    EXPECT_EQ(p.p().state().buttons, ButtonState::Idle);
    EXPECT_TRUE(rig.v().link.connected);
  }
}

TEST_F(PlayerRecorderVoice, ALostLinkDisconnectsAndReturnsToIdle) {
  struct Case {
    const char *what;
    bool noticed;  // the removal is noticed before the next read
    bool seek;     // the user seeks then
  } cases[] = {{"read fails", false, false}, {"removal noticed", true, false}, {"seek", false, true}};
  record(2 * kBlockDataSize, 40);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    players.reset();
    ASSERT_TRUE(rig.reconnect());
    play(0);
    PlayerRig &p = player();
    ASSERT_TRUE(p.p().voiceOutput().active());
    rig.io.mem.detach();
    if (c.noticed) rig.session().pollLink();
    if (c.seek) p.p().OnSldPlayPositionTrackEnd(80);
    // Play on until the output needs the next block.
    int buffers = p.playAll();
    EXPECT_LT(buffers, 270);
    EXPECT_FALSE(rig.v().link.deviceOpen);
    EXPECT_FALSE(rig.v().link.connected);
    EXPECT_EQ(p.p().state().buttons, ButtonState::Idle);
    EXPECT_FALSE(p.p().voiceOutput().active());
    EXPECT_FALSE(p.events.displayTimer);
    rig.io.mem.attach();
  }
}

TEST_F(PlayerRecorderVoice, PlayingWhileDisconnectedSaysSoOnce) {
  record(1000, 50);
  rig.v().link.connected = false;
  play(0);
  std::vector<std::string> keys;
  for (const auto &m : rig.ui.messages) keys.push_back(m.textKey);
  EXPECT_EQ(keys, std::vector<std::string>{"FM_text_pen_errmsg6"});
  EXPECT_EQ(rig.ui.messages[0].captionKey, "FM_kind_errormsg1");
  EXPECT_FALSE(rig.v().link.deviceOpen);
  EXPECT_FALSE(player().p().voiceOutput().active());
}

TEST_F(PlayerRecorderVoice, CommandsDuringARetriedReadWaitForIt) {
  // The second block reads damaged three times; each retry lets events run.
  auto data = record(kBlockDataSize + 3000, 60);
  const uint32_t second = [&] {
    std::vector<uint32_t> blocks;
    recorder::Chains(rig.v()).fileBlocks(rig.v().directory.records(1)[0].firstBlock,
                                         rig.v().directory.records(1)[0].pages, blocks);
    return blocks[1];
  }();
  play(0);
  PlayerRig &p = player();
  int damaged = 0;
  rig.io.onRead = [&](uint32_t block, uint8_t *raw) {
    if (block == second && damaged < 3) {
      ++damaged;
      raw[recorder::rawSpareOffset(0) + 3] = 0x00;
    }
  };
  const int retries = rig.v().retryCount;
  bool stoppedInside = false;
  int pumpsSeen = 0;
  rig.ui.onPump = [&] {
    ++pumpsSeen;
    p.p().OnBtnStopClick();
    p.p().OnTimPlayDisplayTimer();
    p.p().OnSldPlayPositionTrackEnd(10);
    stoppedInside = stoppedInside || !p.p().voiceOutput().active();
  };
  // Play until the output crosses into the second block.
  while (damaged == 0 && p.playOne()) {
  }
  EXPECT_EQ(pumpsSeen, 3);
  EXPECT_FALSE(stoppedInside);
  // The waiting commands ran afterwards, in order: Stop, then a seek of nothing.
  EXPECT_FALSE(p.p().voiceOutput().active());
  EXPECT_EQ(p.p().state().buttons, ButtonState::Idle);
  EXPECT_EQ(rig.v().retryCount - retries, 3);
  rig.ui.onPump = nullptr;
  (void)data;
}

TEST_F(PlayerRecorderVoice, ABlockThatStaysDamagedShowsOneMessage) {
  record(1000, 70);
  rig.io.onRead = [](uint32_t, uint8_t *raw) { raw[recorder::rawSpareOffset(0) + 2] = 0x00; };
  play(0);
  std::vector<std::string> keys;
  for (const auto &m : rig.ui.messages) keys.push_back(m.textKey);
  EXPECT_EQ(keys, std::vector<std::string>{"FM_text_pen_errmsg13"});
  EXPECT_FALSE(player().p().voiceOutput().active());
  EXPECT_EQ(player().p().state().buttons, ButtonState::Idle);
}

}  // namespace
}  // namespace playertest
