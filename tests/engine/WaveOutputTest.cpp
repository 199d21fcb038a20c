#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <thread>
#include <vector>

#include "components/wave/VirtualOutput.h"

using namespace components::wave;

namespace {

struct Recorder : BufferListener {
  std::vector<Buffer *> done;
  void bufferDone(Buffer &b) override { done.push_back(&b); }
};

bool readable(int fd, int ms = 0) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) == 1;
}

const PcmFormat kStereo{2, 44100, 16};

}  // namespace

TEST(DoneQueue, DeliversOnDispatchInOrderAndSignalsItsDescriptor) {
  DoneQueue queue;
  Recorder owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Driven);
  ASSERT_TRUE(out.open(kStereo));
  std::vector<uint8_t> data(400);
  Buffer a{data.data(), 100, 1}, b{data.data() + 100, 0, 2}, c{data.data() + 200, 200, 3};
  for (Buffer *x : {&a, &b, &c}) ASSERT_TRUE(out.write(*x));
  EXPECT_FALSE(readable(queue.descriptor()));
  ASSERT_TRUE(out.playNext());
  ASSERT_TRUE(out.playNext());
  EXPECT_TRUE(owner.done.empty());  // nothing reaches the owner before dispatch
  EXPECT_TRUE(readable(queue.descriptor()));
  EXPECT_EQ(queue.dispatch(), 2u);
  EXPECT_EQ(owner.done, (std::vector<Buffer *>{&a, &b}));
  EXPECT_FALSE(readable(queue.descriptor()));
  EXPECT_EQ(out.bytesPlayed(), 100u);
}

TEST(DoneQueue, ResetHandsEveryQueuedBufferBackAndKeepsThePause) {
  DoneQueue queue;
  Recorder owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Driven);
  ASSERT_TRUE(out.open(kStereo));
  std::vector<uint8_t> data(800);
  std::vector<Buffer> buffers(8);
  out.pause();
  for (size_t k = 0; k < buffers.size(); ++k) {
    buffers[k] = {data.data() + 100 * k, 100, uint32_t(k)};
    out.write(buffers[k]);
  }
  EXPECT_FALSE(out.playNext());  // paused
  out.reset();
  EXPECT_EQ(out.queued(), 0u);
  EXPECT_TRUE(out.paused());
  EXPECT_EQ(queue.dispatch(), 8u);
  for (size_t k = 0; k < buffers.size(); ++k) EXPECT_EQ(owner.done[k], &buffers[k]);
  EXPECT_EQ(out.bytesPlayed(), 0u);
}

TEST(DoneQueue, NotificationsOfAnEarlierOpeningAreDropped) {
  // Closing hands the buffers back; if the owner reopens and queues them
  // again before dispatching, the stale notifications must not arrive.
  DoneQueue queue;
  Recorder owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Driven);
  std::vector<uint8_t> data(100);
  Buffer a{data.data(), 100, 0};
  ASSERT_TRUE(out.open(kStereo));
  out.write(a);
  out.close();
  EXPECT_FALSE(out.write(a));  // closed
  ASSERT_TRUE(out.open(kStereo));
  out.write(a);
  EXPECT_EQ(queue.dispatch(), 0u);
  EXPECT_TRUE(owner.done.empty());
  ASSERT_TRUE(out.playNext());
  EXPECT_EQ(queue.dispatch(), 1u);
}

TEST(DoneQueue, AListenerThatRequeuesWaitsForTheNextDispatch) {
  // An empty buffer comes straight back; requeueing it from the listener
  // must not make one dispatch run forever.
  DoneQueue queue;
  struct Requeue : BufferListener {
    VirtualOutput *out = nullptr;
    int calls = 0;
    void bufferDone(Buffer &b) override {
      ++calls;
      out->write(b);
      out->playNext();
    }
  } owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Driven);
  owner.out = &out;
  ASSERT_TRUE(out.open(kStereo));
  Buffer empty{nullptr, 0, 0};
  out.write(empty);
  out.playNext();
  EXPECT_EQ(queue.dispatch(), 1u);
  EXPECT_EQ(queue.dispatch(), 1u);
  EXPECT_EQ(owner.calls, 2);
  EXPECT_TRUE(readable(queue.descriptor()));
}

TEST(VirtualOutput, TimedClockPlaysInRealTimeAndHonoursPause) {
  DoneQueue queue;
  Recorder owner;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Timed, 1.0);
  const PcmFormat mono8{1, 8000, 8};
  ASSERT_TRUE(out.open(mono8));
  std::vector<uint8_t> data(800, 128);  // 100 ms
  Buffer a{data.data(), 400, 0}, b{data.data() + 400, 400, 1};
  auto start = std::chrono::steady_clock::now();
  out.write(a);
  out.write(b);
  while (queue.pending() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto firstDone = std::chrono::steady_clock::now() - start;
  EXPECT_GE(firstDone, std::chrono::milliseconds(45));  // 50 ms of audio
  out.pause();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_EQ(queue.pending(), 1u);  // held while paused
  out.resume();
  ASSERT_TRUE(readable(queue.descriptor(), 2000));
  while (queue.pending() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(queue.dispatch(), 2u);
  EXPECT_EQ(out.bytesPlayed(), 800u);
}

TEST(VirtualOutput, SpeedZeroPlaysAsFastAsBuffersArrive) {
  DoneQueue queue;
  Recorder owner;
  std::vector<uint8_t> heard;
  VirtualOutput out(queue, owner, VirtualOutput::Clock::Timed, 0.0);
  out.setSink([&](const uint8_t *p, size_t n) { heard.insert(heard.end(), p, p + n); });
  ASSERT_TRUE(out.open(kStereo));
  std::vector<uint8_t> data(176400 * 10);  // ten seconds
  for (size_t k = 0; k < data.size(); ++k) data[k] = uint8_t(k * 7);
  Buffer a{data.data(), uint32_t(data.size()), 0};
  auto start = std::chrono::steady_clock::now();
  out.write(a);
  ASSERT_TRUE(readable(queue.descriptor(), 2000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  queue.dispatch();
  EXPECT_EQ(heard, data);
}
