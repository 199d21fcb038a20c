// The virtual output: its position, and the output gain on what it plays.
#include <gtest/gtest.h>

#include <thread>

#include "components/wave/OutputGain.h"
#include "components/wave/Samples.h"
#include "components/wave/VirtualOutput.h"
#include "support/WaveSignals.h"

using namespace wavetest;
using components::wave::Buffer;
using components::wave::DoneQueue;
using components::wave::PcmFormat;
using components::wave::VirtualOutput;

namespace {

struct UnityGainAfter {
  ~UnityGainAfter() { components::wave::setOutputGain(1.0f); }
};

const PcmFormat kVoice{1, 8000, 16};  // 16000 bytes a second

}  // namespace

TEST(VirtualOutputPosition, CountsWhatPlayedSinceOpenOrReset) {
  DoneQueue queue;
  Owner owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Driven);
  Bytes data(8000 * 4, 1);
  std::vector<Buffer> buffers(4);
  for (size_t k = 0; k < buffers.size(); ++k) buffers[k] = {data.data() + 8000 * k, 8000, uint32_t(k)};

  ASSERT_TRUE(out.open(kVoice));
  for (auto &b : buffers) ASSERT_TRUE(out.write(b));
  EXPECT_EQ(out.bytesPlayed(), 0u);
  ASSERT_TRUE(out.playNext());
  ASSERT_TRUE(out.playNext());
  EXPECT_EQ(out.bytesPlayed(), 16000u);
  EXPECT_EQ(out.playedMilliseconds(), 1000u);
  out.pause();
  EXPECT_FALSE(out.playNext());
  EXPECT_EQ(out.playedMilliseconds(), 1000u);  // a pause keeps the position

  out.reset();  // a seek: the position starts again
  EXPECT_EQ(out.bytesPlayed(), 0u);
  EXPECT_EQ(queue.dispatch(), 4u);
  EXPECT_EQ(owner.done, (std::vector<Buffer *>{&buffers[0], &buffers[1], &buffers[2], &buffers[3]}));
  out.resume();
  ASSERT_TRUE(out.write(buffers[0]));
  ASSERT_TRUE(out.playNext());
  EXPECT_EQ(out.playedMilliseconds(), 500u);

  out.close();
  ASSERT_TRUE(out.open({2, 44100, 16}));  // a new opening starts at 0 in its own format
  EXPECT_EQ(out.bytesPlayed(), 0u);
  ASSERT_TRUE(out.write(buffers[1]));
  ASSERT_TRUE(out.playNext());
  EXPECT_EQ(out.playedMilliseconds(), 8000u * 1000 / 176400);
}

TEST(VirtualOutputPosition, TheTimedClockCountsAPartlyPlayedBufferAndResetHandsItBack) {
  DoneQueue queue;
  Owner owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Timed, 1.0);
  Bytes data(16000, 1);  // one second
  Buffer whole{data.data(), uint32_t(data.size()), 0};
  ASSERT_TRUE(out.open(kVoice));
  ASSERT_TRUE(out.write(whole));
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (out.bytesPlayed() < 1600 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  out.pause();
  uint64_t at = out.bytesPlayed();
  EXPECT_GE(at, 1600u);
  EXPECT_LT(at, 16000u);
  EXPECT_EQ(at % 2, 0u);  // whole frames
  EXPECT_EQ(queue.pending(), 0u);
  out.reset();
  EXPECT_EQ(queue.dispatch(), 1u);
  EXPECT_EQ(owner.done, std::vector<Buffer *>{&whole});
  EXPECT_EQ(out.bytesPlayed(), 0u);
}

TEST(VirtualOutputGain, TheSinkHearsTheScaledSamplesAndTheOwnersBufferStaysAsItWas) {
  UnityGainAfter restore;
  struct Case {
    PcmFormat format;
    float gain;
  } cases[] = {
      {{1, 8000, 8}, 0.5f}, {{1, 8000, 16}, 0.25f}, {{2, 44100, 24}, 2.0f}, {{2, 48000, 32}, 0.5f}, {{1, 8000, 16}, 1.0f},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.format.bitsPerSample << "-bit, gain " << c.gain);
    DoneQueue queue;
    Owner owner;
    Bytes heard;
    VirtualOutput out(queue, owner, VirtualOutput::Clock::Driven);
    out.setSink([&](const uint8_t *p, size_t n) { heard.insert(heard.end(), p, p + n); });
    const Bytes data = ramp(c.format.bitsPerSample, 3000);
    Bytes mine = data;
    Buffer b{mine.data(), uint32_t(mine.size()), 0};
    components::wave::setOutputGain(c.gain);
    ASSERT_TRUE(out.open(c.format));
    ASSERT_TRUE(out.write(b));
    ASSERT_TRUE(out.playNext());
    Bytes expected(data.size());
    components::wave::scaleSamples(data.data(), expected.data(), data.size(), c.format.bitsPerSample, c.gain);
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(mine, data);
    EXPECT_EQ(out.bytesPlayed(), data.size());
  }
}
