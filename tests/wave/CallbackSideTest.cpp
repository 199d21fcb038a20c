// The real-time side of the PortAudio streams, driven directly: periods of
// any size in and out of the queued buffers, the gain, the rate converted
// both ways, the position, a guard the owner holds, and no allocation.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "CallbackQueue.h"
#include "CountingNew.h"
#include "InputCapturer.h"
#include "OutputRenderer.h"
#include "components/wave/OutputGain.h"
#include "components/wave/Samples.h"
#include "support/WaveSignals.h"

using namespace wavetest;
namespace cw = components::wave;
using cw::Buffer;
using cw::CallbackQueue;
using cw::PcmFormat;

namespace {

// What the courier posts, in order.
struct Posted {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Buffer *> buffers;
  std::vector<uint32_t> lengths;
  CallbackQueue::Post post() {
    return [this](Buffer *b) {
      std::lock_guard lock(mutex);
      buffers.push_back(b);
      lengths.push_back(b->length);
      changed.notify_all();
    };
  }
  bool waitFor(size_t n) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return buffers.size() >= n; });
  }
};

struct Buffers {
  std::vector<Bytes> memory;
  std::vector<Buffer> headers;
  Buffers(const Bytes &data, size_t size) {
    for (size_t at = 0; at < data.size(); at += size)
      memory.emplace_back(data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(std::min(data.size(), at + size)));
    headers.resize(memory.size());
    for (size_t k = 0; k < memory.size(); ++k) headers[k] = {memory[k].data(), uint32_t(memory[k].size()), uint32_t(k)};
  }
  std::vector<Buffer *> all() {
    std::vector<Buffer *> out;
    for (auto &b : headers) out.push_back(&b);
    return out;
  }
};

struct UnityGainAfter {
  ~UnityGainAfter() { cw::setOutputGain(1.0f); }
};

// Calls `period` with counting on, and says how many allocations it made.
template <class F>
int allocationsIn(F &&period) {
  counting::allocations = 0;
  counting::active = true;
  period();
  counting::active = false;
  return counting::allocations;
}

}  // namespace

TEST(OutputRenderer, PlaysTheBuffersInOrderThroughPeriodsOfAnySize) {
  UnityGainAfter restore;
  struct Case {
    PcmFormat format;
    float gain;
    unsigned long period;
  } cases[] = {
      {{1, 8000, 16}, 1.0f, 69}, {{1, 8000, 16}, 0.5f, 1000}, {{2, 44100, 24}, 2.0f, 441}, {{1, 11025, 8}, 0.25f, 7},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.format.bitsPerSample << "-bit, gain " << c.gain << ", period " << c.period);
    Posted posted;
    CallbackQueue queue(posted.post());
    cw::OutputRenderer renderer(queue);
    ASSERT_TRUE(renderer.prepare(c.format, c.format.sampleRate));
    ASSERT_TRUE(queue.start());
    const uint32_t align = c.format.blockAlign();
    const Bytes data = ramp(c.format.bitsPerSample, 3000 * c.format.channels);
    Buffers buffers(data, 1200 * align);
    for (auto &b : buffers.headers) queue.push(b);
    cw::setOutputGain(c.gain);

    Bytes heard;
    Bytes period(c.period * align);
    int allocations = 0;
    while (heard.size() < data.size() + period.size()) {
      allocations += allocationsIn([&] { renderer.render(period.data(), c.period); });
      heard.insert(heard.end(), period.begin(), period.end());
      EXPECT_EQ(renderer.bytesPlayed(), std::min(heard.size(), data.size()));
    }
    EXPECT_EQ(allocations, 0);
    Bytes expected(data.size());
    cw::scaleSamples(data.data(), expected.data(), data.size(), c.format.bitsPerSample, c.gain);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), heard.begin()));
    EXPECT_TRUE(std::all_of(heard.begin() + ptrdiff_t(data.size()), heard.end(),
                            [&](uint8_t b) { return b == cw::silenceByte(c.format.bitsPerSample); }));
    ASSERT_TRUE(posted.waitFor(buffers.headers.size()));
    EXPECT_EQ(posted.buffers, buffers.all());
  }
}

TEST(OutputRenderer, APausedStreamPlaysSilenceAndKeepsItsPlace) {
  Posted posted;
  CallbackQueue queue(posted.post());
  cw::OutputRenderer renderer(queue);
  const PcmFormat f{1, 8000, 16};
  ASSERT_TRUE(renderer.prepare(f, 8000));
  const Bytes data = ramp(16, 400);
  Buffers buffers(data, 800);
  for (auto &b : buffers.headers) queue.push(b);
  Bytes period(300);
  renderer.render(period.data(), 150);
  EXPECT_EQ(period, Bytes(data.begin(), data.begin() + 300));
  renderer.setPaused(true);
  renderer.render(period.data(), 150);
  EXPECT_EQ(period, Bytes(300, 0));
  EXPECT_EQ(renderer.bytesPlayed(), 300u);
  renderer.setPaused(false);
  renderer.render(period.data(), 150);
  EXPECT_EQ(period, Bytes(data.begin() + 300, data.begin() + 600));
}

TEST(OutputRenderer, WhileTheOwnerHoldsTheGuardAPeriodIsSilentAndTakesNothing) {
  Posted posted;
  CallbackQueue queue(posted.post());
  cw::OutputRenderer renderer(queue);
  ASSERT_TRUE(renderer.prepare({1, 8000, 8}, 8000));
  Bytes data(100, 7);
  Buffer b{data.data(), 100, 0};
  queue.push(b);

  std::mutex m;
  std::condition_variable cv;
  bool held = false, release = false;
  std::thread owner([&] {
    auto keepOut = queue.exclude();
    std::unique_lock lock(m);
    held = true;
    cv.notify_all();
    cv.wait(lock, [&] { return release; });
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return held; });
  }
  Bytes period(50, 0);
  renderer.render(period.data(), 50);  // returns at once: it never waits for the owner
  EXPECT_EQ(period, Bytes(50, 0x80));
  EXPECT_EQ(renderer.bytesPlayed(), 0u);
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  owner.join();
  renderer.render(period.data(), 50);
  EXPECT_EQ(period, Bytes(50, 7));
}

TEST(OutputRenderer, AtAnotherDeviceRateTheSoundIsConvertedAndThePositionFollowsTheDevice) {
  UnityGainAfter restore;
  Posted posted;
  CallbackQueue queue(posted.post());
  cw::OutputRenderer renderer(queue);
  const PcmFormat f{1, 8000, 16};
  ASSERT_TRUE(renderer.prepare(f, 48000));
  ASSERT_TRUE(renderer.converts());
  ASSERT_TRUE(queue.start());
  const Bytes data = sine16(8000, 8000, 500, 0.5);  // one second
  Buffers buffers(data, 8000);
  for (auto &b : buffers.headers) queue.push(b);
  cw::setOutputGain(0.5f);

  std::vector<double> heard;
  std::vector<float> period(480);  // 10 ms of the device
  int allocations = 0;
  uint64_t last = 0;
  for (int k = 0; k < 110; ++k) {
    allocations += allocationsIn([&] { renderer.render(period.data(), 480); });
    heard.insert(heard.end(), period.begin(), period.end());
    uint64_t at = renderer.bytesPlayed();
    EXPECT_GE(at, last);
    EXPECT_LE(at, uint64_t(k + 1) * 160);  // never ahead of what the device took
    last = at;
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(last, data.size());
  EXPECT_EQ(renderer.bytesPlayed() / 16, 1000u);  // milliseconds
  EXPECT_NEAR(frequency(heard, 48000, 2400, 45600), 500.0, 2.0);
  EXPECT_NEAR(peak(heard, 2400, 45600), 0.25, 0.01);
  EXPECT_LT(peak(heard, 49000, heard.size()), 0.001);  // silence after the end
  ASSERT_TRUE(posted.waitFor(2));
  EXPECT_EQ(posted.buffers, buffers.all());
}

TEST(InputCapturer, StoresPeriodsOfAnySizeIntoTheBuffersInOrderAndLosesWhatFindsNone) {
  Posted posted;
  CallbackQueue queue(posted.post());
  cw::InputCapturer capturer(queue);
  const PcmFormat f{1, 8000, 16};
  ASSERT_TRUE(capturer.prepare(f, 8000));
  ASSERT_TRUE(queue.start());
  const Bytes heard = ramp(16, 20000);
  Bytes memory(3 * 8000 + 1);
  Buffer a{memory.data(), 8000, 0}, empty{memory.data() + 8000, 0, 1}, b{memory.data() + 8001, 8000, 2},
      c{memory.data() + 16001, 8000, 3};
  for (Buffer *x : {&a, &empty, &b, &c}) queue.push(*x);
  int allocations = 0;
  size_t at = 0;
  while (at < 20000 * 2) {
    size_t frames = std::min<size_t>(69, (heard.size() - at) / 2);
    allocations += allocationsIn([&] { capturer.capture(heard.data() + at, frames); });
    at += frames * 2;
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(capturer.bytesRecorded(), 24000u);  // the last 16000 bytes found no buffer
  ASSERT_TRUE(posted.waitFor(4));
  EXPECT_EQ(posted.buffers, (std::vector<Buffer *>{&a, &empty, &b, &c}));
  EXPECT_EQ(posted.lengths, (std::vector<uint32_t>{8000, 0, 8000, 8000}));
  EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 8000, heard.begin()));
  EXPECT_TRUE(std::equal(memory.begin() + 8001, memory.end(), heard.begin() + 8000));
}

TEST(InputCapturer, HandingBackGivesThePartlyFilledBufferItsBytesAndTheRestNone) {
  Posted posted;
  CallbackQueue queue(posted.post());
  cw::InputCapturer capturer(queue);
  ASSERT_TRUE(capturer.prepare({1, 8000, 16}, 8000));
  const Bytes heard = ramp(16, 5000);
  Bytes memory(3 * 8000);
  Buffers buffers(memory, 8000);
  for (auto &b : buffers.headers) queue.push(b);
  capturer.capture(heard.data(), 5000);  // 10000 bytes: one full, one with 2000
  {
    auto keepOut = queue.exclude();
    capturer.handBackAll();
  }
  // Not started: nothing was posted before, and the full one still comes first.
  EXPECT_EQ(posted.buffers, buffers.all());
  EXPECT_EQ(posted.lengths, (std::vector<uint32_t>{8000, 2000, 0}));
  EXPECT_TRUE(std::equal(heard.begin() + 8000, heard.end(), buffers.memory[1].begin()));
}

TEST(InputCapturer, AtAnotherDeviceRateTheSoundIsConverted) {
  Posted posted;
  CallbackQueue queue(posted.post());
  cw::InputCapturer capturer(queue);
  ASSERT_TRUE(capturer.prepare({1, 8000, 16}, 48000));
  ASSERT_TRUE(capturer.converts());
  ASSERT_TRUE(queue.start());
  // 1.1 s: the converter holds some back.
  const std::vector<double> device = fromFloat(sineFloat(48000, 52800, 500, 0.5));
  std::vector<float> samples(device.begin(), device.end());
  Bytes memory(2 * 8000);
  Buffers buffers(memory, 8000);
  for (auto &b : buffers.headers) queue.push(b);
  int allocations = 0;
  for (size_t at = 0; at < samples.size(); at += 441)
    allocations += allocationsIn([&] { capturer.capture(samples.data() + at, std::min<size_t>(441, samples.size() - at)); });
  EXPECT_EQ(allocations, 0);
  ASSERT_TRUE(posted.waitFor(2));
  EXPECT_EQ(capturer.bytesRecorded(), 16000u);
  Bytes recorded = buffers.memory[0];
  recorded.insert(recorded.end(), buffers.memory[1].begin(), buffers.memory[1].end());
  std::vector<double> x = from16(recorded);
  EXPECT_NEAR(frequency(x, 8000, 400, 7600), 500.0, 2.0);
  EXPECT_NEAR(peak(x, 400, 7600), 0.5, 0.01);
}

TEST(CallbackQueue, KeepsTheOrderWhenAnOwnerQueuesFarMoreThanItsRoomWhileTheCallbackRuns) {
  Posted posted;
  CallbackQueue queue(posted.post());
  ASSERT_TRUE(queue.start());
  std::vector<Buffer> buffers(5000);
  std::thread callback([&] {
    size_t finished = 0;
    while (finished < buffers.size()) {
      {
        auto entered = queue.tryEnter();
        if (!entered) continue;
        while (queue.front()) {
          queue.finishFront();
          ++finished;
        }
      }
      std::this_thread::yield();
    }
  });
  for (auto &b : buffers) queue.push(b);
  callback.join();
  ASSERT_TRUE(posted.waitFor(buffers.size()));
  for (size_t k = 0; k < buffers.size(); ++k) ASSERT_EQ(posted.buffers[k], &buffers[k]) << k;
}
