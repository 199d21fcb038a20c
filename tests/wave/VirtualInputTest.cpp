// The virtual input: buffers filled in order from the source, pause and
// reset with a partly filled buffer, sessions, position and lost sound.
#include <gtest/gtest.h>

#include <thread>

#include "components/wave/VirtualInput.h"
#include "support/WaveSignals.h"

using namespace wavetest;
using components::wave::Buffer;
using components::wave::DoneQueue;
using components::wave::PcmFormat;
using components::wave::VirtualInput;

namespace {

const PcmFormat kVoice{1, 8000, 16};  // 16000 bytes a second

// A source that counts: byte n of what the device hears is n mod 251.
struct Counter {
  uint64_t next = 0;
  void operator()(uint8_t *p, size_t n) {
    for (size_t k = 0; k < n; ++k) p[k] = uint8_t(next++ % 251);
  }
};
Bytes counted(uint64_t from, size_t n) {
  Bytes out(n);
  for (size_t k = 0; k < n; ++k) out[k] = uint8_t((from + k) % 251);
  return out;
}

struct Recording {
  DoneQueue queue;
  Owner owner;
  Counter counter;
  std::vector<Bytes> memory;
  std::vector<Buffer> buffers;
  VirtualInput in;
  explicit Recording(size_t count, uint32_t size = 8000, VirtualInput::Clock clock = VirtualInput::Clock::Driven,
                     double speed = 1.0)
      : memory(count, Bytes(size)), buffers(count), in(queue, owner, clock, speed) {
    in.setSource([this](uint8_t *p, size_t n) { counter(p, n); });
    for (size_t k = 0; k < count; ++k) buffers[k] = {memory[k].data(), size, uint32_t(k)};
  }
  Bytes contents(size_t k) const { return Bytes(memory[k].begin(), memory[k].begin() + buffers[k].length); }
  std::vector<Buffer *> all() {
    std::vector<Buffer *> out;
    for (auto &b : buffers) out.push_back(&b);
    return out;
  }
};

}  // namespace

TEST(VirtualInput, FillsTheQueuedBuffersInOrderAndHandsEachBackWhenFull) {
  Recording r(3);
  ASSERT_TRUE(r.in.open(kVoice));
  for (auto &b : r.buffers) ASSERT_TRUE(r.in.add(b));
  EXPECT_EQ(r.in.record(16000), 0u);  // stopped until start()
  r.in.start();
  EXPECT_EQ(r.in.record(12001), 12000u);  // whole frames
  EXPECT_EQ(r.queue.dispatch(), 1u);
  EXPECT_EQ(r.owner.done, std::vector<Buffer *>{&r.buffers[0]});
  EXPECT_EQ(r.owner.lengths, std::vector<uint32_t>{8000});
  EXPECT_EQ(r.contents(0), counted(0, 8000));
  EXPECT_EQ(r.in.bytesRecorded(), 12000u);
  EXPECT_EQ(r.in.recordedMilliseconds(), 750u);

  ASSERT_TRUE(r.in.recordNext());  // the rest of the second
  ASSERT_TRUE(r.in.recordNext());
  EXPECT_FALSE(r.in.recordNext());  // nothing queued
  EXPECT_EQ(r.queue.dispatch(), 2u);
  EXPECT_EQ(r.owner.done, r.all());
  EXPECT_EQ(r.contents(1), counted(8000, 8000));
  EXPECT_EQ(r.contents(2), counted(16000, 8000));
  EXPECT_EQ(r.in.recordedMilliseconds(), 1500u);
}

TEST(VirtualInput, APauseKeepsThePartlyFilledBufferWhichGoesOnFillingAtTheNextStart) {
  Recording r(2);
  ASSERT_TRUE(r.in.open(kVoice));
  for (auto &b : r.buffers) r.in.add(b);
  r.in.start();
  r.in.record(3000);
  r.in.pause();
  EXPECT_FALSE(r.in.recording());
  EXPECT_EQ(r.in.record(1000), 0u);
  EXPECT_FALSE(r.in.recordNext());
  EXPECT_EQ(r.in.queued(), 2u);
  EXPECT_EQ(r.queue.dispatch(), 0u);
  r.in.start();
  ASSERT_TRUE(r.in.recordNext());
  EXPECT_EQ(r.queue.dispatch(), 1u);
  EXPECT_EQ(r.contents(0), counted(0, 8000));  // nothing heard while paused
  EXPECT_EQ(r.in.bytesRecorded(), 8000u);
}

TEST(VirtualInput, ResetAndCloseHandEveryBufferBackWithTheBytesItHolds) {
  struct Case {
    const char *what;
    void (*end)(VirtualInput &);
    bool openAfter;
  } cases[] = {
      {"reset", [](VirtualInput &in) { in.reset(); }, true},
      {"close", [](VirtualInput &in) { in.close(); }, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Recording r(4);
    ASSERT_TRUE(r.in.open(kVoice));
    for (auto &b : r.buffers) r.in.add(b);
    r.in.start();
    r.in.record(8000 + 2500);
    EXPECT_EQ(r.queue.dispatch(), 1u);
    c.end(r.in);
    EXPECT_FALSE(r.in.recording());
    EXPECT_EQ(r.in.queued(), 0u);
    EXPECT_EQ(r.in.isOpen(), c.openAfter);
    EXPECT_EQ(r.queue.dispatch(), 3u);
    EXPECT_EQ(r.owner.done, r.all());
    EXPECT_EQ(r.owner.lengths, (std::vector<uint32_t>{8000, 2500, 0, 0}));
    EXPECT_EQ(r.contents(1), counted(8000, 2500));
    EXPECT_EQ(r.in.add(r.buffers[0]), c.openAfter);
  }
}

TEST(VirtualInput, WhatFindsNoBufferIsLostAndAnEmptyBufferComesBackAtOnce) {
  Recording r(2);
  ASSERT_TRUE(r.in.open(kVoice));
  r.in.start();
  EXPECT_EQ(r.in.record(1000), 0u);  // nothing queued: heard and lost
  r.buffers[0].length = 0;
  r.in.add(r.buffers[0]);
  r.in.add(r.buffers[1]);
  EXPECT_EQ(r.in.record(0), 0u);
  EXPECT_EQ(r.queue.dispatch(), 1u);
  EXPECT_EQ(r.owner.lengths, std::vector<uint32_t>{0});
  ASSERT_TRUE(r.in.recordNext());
  EXPECT_EQ(r.contents(1), counted(1000, 8000));
  EXPECT_EQ(r.in.bytesRecorded(), 8000u);
}

TEST(VirtualInput, NotificationsOfAnEarlierOpeningAreDropped) {
  // Closing hands the buffers back; queued again in a new opening before
  // the owner dispatched, they must not arrive twice.
  Recording r(1);
  ASSERT_TRUE(r.in.open(kVoice));
  r.in.add(r.buffers[0]);
  r.in.close();
  ASSERT_TRUE(r.in.open(kVoice));
  EXPECT_EQ(r.in.bytesRecorded(), 0u);
  r.buffers[0].length = 8000;
  r.in.add(r.buffers[0]);
  EXPECT_EQ(r.queue.dispatch(), 0u);
  r.in.start();
  ASSERT_TRUE(r.in.recordNext());
  EXPECT_EQ(r.queue.dispatch(), 1u);
  EXPECT_EQ(r.owner.lengths, std::vector<uint32_t>{8000});
}

TEST(VirtualInput, TheTimedClockAtSpeedZeroFillsEachBufferOnceItIsTheOldest) {
  Recording r(3, 8000, VirtualInput::Clock::Timed, 0.0);
  ASSERT_TRUE(r.in.open(kVoice));
  r.in.add(r.buffers[0]);
  r.in.start();
  ASSERT_TRUE(waitPending(r.queue, 1));
  r.in.add(r.buffers[1]);
  r.in.add(r.buffers[2]);
  ASSERT_TRUE(waitPending(r.queue, 3));
  EXPECT_EQ(r.queue.dispatch(), 3u);
  EXPECT_EQ(r.owner.done, r.all());
  for (size_t k = 0; k < 3; ++k) EXPECT_EQ(r.contents(k), counted(8000 * k, 8000)) << k;  // nothing lost
  EXPECT_EQ(r.in.bytesRecorded(), 24000u);
}

TEST(VirtualInput, TheTimedClockInRealTimeStopsAtPauseKeepingItsBuffers) {
  Recording r(1, 16000, VirtualInput::Clock::Timed, 1.0);
  ASSERT_TRUE(r.in.open(kVoice));
  r.in.add(r.buffers[0]);
  r.in.start();
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (r.in.bytesRecorded() < 800 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  r.in.pause();
  uint64_t at = r.in.bytesRecorded();
  EXPECT_GE(at, 800u);
  EXPECT_LT(at, 16000u);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(r.in.bytesRecorded(), at);
  EXPECT_EQ(r.in.queued(), 1u);
  r.in.reset();
  EXPECT_EQ(r.queue.dispatch(), 1u);
  EXPECT_EQ(r.owner.lengths, std::vector<uint32_t>{uint32_t(at)});
  EXPECT_EQ(r.contents(0), counted(0, at));
}
