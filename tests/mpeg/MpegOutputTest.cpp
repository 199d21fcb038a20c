#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Mp3Fixture.h"
#include "components/mpeg/MpegOutput.h"
#include "components/mpeg/MpegSource.h"
#include "components/wave/VirtualOutput.h"
#include "testsupport/DrivenOutputs.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
namespace wave = components::wave;
using components::MpegOutput;
using components::MpegSource;
using mp3test::makeMp3;
using testsupport::TempDir;

namespace {

// What the whole file decodes to, frame from frame on.
std::vector<uint8_t> decodeFrom(const fs::path &file, long frame) {
  MpegSource source;
  if (!source.load(file.string()) || !source.seekFrame(frame)) return {};
  std::vector<uint8_t> out(size_t(source.frames() - frame) * source.frameBytes());
  size_t got = 0;
  while (size_t n = source.read(out.data() + got, out.size() - got)) got += n;
  out.resize(got);
  return out;
}

// An MP3 output over a driven virtual device whose played bytes the test
// keeps; notifications counted, with the thread they arrived on.
class MpegOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Four seconds: about 155 frames, over twice the 64 buffers.
    mp3 = makeMp3(dir, "tone", {44100, 2, 176400}, "-b 128");
    ASSERT_FALSE(mp3.empty()) << "sox or lame failed";
    ASSERT_TRUE(source.load(mp3.string()));
    ASSERT_GT(source.frames(), 2 * long(MpegOutput::kBuffers));
    out.setOnStarted([this] {
      ++started;
      EXPECT_EQ(std::this_thread::get_id(), owner);
    });
    out.setOnStopped([this] {
      ++stopped;
      EXPECT_EQ(std::this_thread::get_id(), owner);
    });
  }

  // Plays one buffer and hands the notifications to the output.
  bool step() {
    bool ok = outputs.device()->playNext();
    queue.dispatch();
    return ok;
  }
  // Until the file has played out and the notification has been handed on.
  void playOut() {
    for (int guard = 0; out.isStarted() && guard < 100000; ++guard) step();
    queue.dispatch();
  }

  TempDir dir;
  fs::path mp3;
  std::thread::id owner = std::this_thread::get_id();
  wave::DoneQueue queue;
  MpegSource source;
  testsupport::DrivenOutputs outputs;
  int started = 0, stopped = 0;
  MpegOutput out{source, queue, outputs.factory()};
};

TEST_F(MpegOutputTest, PlaysEveryFrameOnceThenNotifiesStopped) {
  ASSERT_TRUE(out.start());
  EXPECT_TRUE(out.isOpen());
  EXPECT_TRUE(out.isStarted());
  EXPECT_FALSE(out.isPaused());
  const wave::PcmFormat f = outputs.device()->format();
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.sampleRate, 44100u);
  EXPECT_EQ(f.bitsPerSample, 16);
  EXPECT_EQ(outputs.device()->queued(), MpegOutput::kBuffers);
  EXPECT_EQ(started, 0);  // not inside start(): from the queue
  queue.dispatch();
  EXPECT_EQ(started, 1);

  ASSERT_TRUE(step());
  EXPECT_EQ(out.playingFrame(), 1);
  EXPECT_EQ(out.positionMs(), uint64_t(source.frameBytes()) * 1000 / f.bytesPerSecond());

  playOut();
  EXPECT_EQ(outputs.played, decodeFrom(mp3, 0));
  EXPECT_EQ(outputs.played.size(), size_t(source.frames()) * source.frameBytes());
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(started, 1);
  EXPECT_FALSE(out.isStarted());
  EXPECT_TRUE(out.isOpen());  // until the owner stops it
  EXPECT_EQ(out.playingFrame(), source.frames());
  EXPECT_EQ(out.positionMs(), uint64_t(outputs.played.size()) * 1000 / f.bytesPerSecond());
  EXPECT_FALSE(out.pause());

  out.stop();
  EXPECT_FALSE(out.isOpen());
  EXPECT_FALSE(outputs.device()->isOpen());
  EXPECT_EQ(out.positionMs(), 0u);
  queue.dispatch();
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(outputs.devicesMade, 1);
}

TEST_F(MpegOutputTest, PauseThenSeekStaysPausedAndPlaysOnFromTheFrame) {
  ASSERT_TRUE(out.start());
  for (int k = 0; k < 10; ++k) ASSERT_TRUE(step());
  ASSERT_TRUE(out.pause());
  EXPECT_TRUE(outputs.device()->paused());
  const size_t before = outputs.played.size();
  const long target = source.frames() / 3;

  ASSERT_TRUE(out.seekFrame(target));
  EXPECT_EQ(source.currentFrame(), target);
  queue.dispatch();  // the discarded buffers come back and are refilled from there
  EXPECT_EQ(source.currentFrame(), target + long(MpegOutput::kBuffers));
  EXPECT_TRUE(out.isPaused());
  EXPECT_TRUE(outputs.device()->paused());
  EXPECT_EQ(outputs.device()->queued(), MpegOutput::kBuffers);
  EXPECT_FALSE(outputs.device()->playNext());
  EXPECT_EQ(outputs.played.size(), before);
  EXPECT_EQ(out.playingFrame(), target);
  EXPECT_EQ(out.positionMs(), 0u);

  ASSERT_TRUE(out.resume());
  playOut();
  std::vector<uint8_t> after(outputs.played.begin() + std::ptrdiff_t(before), outputs.played.end());
  EXPECT_EQ(after, decodeFrom(mp3, target));
  EXPECT_EQ(stopped, 1);
}

TEST_F(MpegOutputTest, SeekWhilePlayingPlaysOn) {
  ASSERT_TRUE(out.start());
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(step());
  const size_t before = outputs.played.size();
  ASSERT_TRUE(out.seekFrame(40));
  EXPECT_FALSE(out.isPaused());
  EXPECT_FALSE(outputs.device()->paused());
  playOut();
  std::vector<uint8_t> after(outputs.played.begin() + std::ptrdiff_t(before), outputs.played.end());
  EXPECT_EQ(after, decodeFrom(mp3, 40));
  EXPECT_EQ(stopped, 1);
}

TEST_F(MpegOutputTest, RefillPlaysOnFromWhereTheOwnerMovedTheSource) {
  ASSERT_TRUE(out.start());
  for (int k = 0; k < 4; ++k) ASSERT_TRUE(step());
  ASSERT_TRUE(out.pause());
  ASSERT_TRUE(source.seekFrame(90));
  ASSERT_TRUE(out.refill());
  queue.dispatch();
  EXPECT_TRUE(outputs.device()->paused());
  EXPECT_EQ(out.playingFrame(), 90);
  EXPECT_EQ(out.positionMs(), 0u);
  const size_t before = outputs.played.size();
  ASSERT_TRUE(out.resume());
  playOut();
  std::vector<uint8_t> after(outputs.played.begin() + std::ptrdiff_t(before), outputs.played.end());
  EXPECT_EQ(after, decodeFrom(mp3, 90));
}

TEST_F(MpegOutputTest, SeekToTheEndWhilePausedPlaysOutAtResume) {
  ASSERT_TRUE(out.start());
  ASSERT_TRUE(step());
  ASSERT_TRUE(out.pause());
  ASSERT_TRUE(out.seekFrame(source.frames() + 5));
  queue.dispatch();
  queue.dispatch();
  EXPECT_EQ(outputs.device()->queued(), 0u);
  EXPECT_TRUE(out.isPaused());
  EXPECT_EQ(out.playingFrame(), source.frames());
  EXPECT_EQ(stopped, 0);
  ASSERT_TRUE(out.resume());
  queue.dispatch();
  EXPECT_EQ(stopped, 1);
  EXPECT_FALSE(out.isStarted());
}

TEST_F(MpegOutputTest, StartWhilePlayingRestartsFromTheFirstFrame) {
  ASSERT_TRUE(out.start());
  for (int k = 0; k < 20; ++k) ASSERT_TRUE(step());
  outputs.played.clear();
  ASSERT_TRUE(out.start());
  playOut();
  EXPECT_EQ(outputs.played, decodeFrom(mp3, 0));
  EXPECT_EQ(started, 2);
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(outputs.devicesMade, 1);  // one device, opened again
}

TEST_F(MpegOutputTest, StopSendsNothingAndCancelsWaitingNotifications) {
  // Started, stopped before the queue was dispatched.
  ASSERT_TRUE(out.start());
  out.stop();
  queue.dispatch();
  EXPECT_EQ(started, 0);

  // Played out, stopped before the stop notification was dispatched.
  ASSERT_TRUE(out.start());
  queue.dispatch();
  while (outputs.device()->playNext() || queue.dispatch() > 0) {
    if (!out.isStarted()) break;
  }
  ASSERT_FALSE(out.isStarted());
  out.stop();
  queue.dispatch();
  EXPECT_EQ(started, 1);
  EXPECT_EQ(stopped, 0);
  EXPECT_FALSE(out.isOpen());
  EXPECT_FALSE(out.pause());
  EXPECT_FALSE(out.resume());
  EXPECT_FALSE(out.seekFrame(3));
}

TEST_F(MpegOutputTest, ASourceUnloadedOrReloadedUnderTheOutputPlaysOutWhatIsQueued) {
  ASSERT_TRUE(out.start());
  for (int k = 0; k < 5; ++k) ASSERT_TRUE(step());
  fs::path other = makeMp3(dir, "other", {22050, 1, 22050}, "-b 32");
  ASSERT_TRUE(source.load(other.string()));
  playOut();
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(outputs.played.size(), (5 + MpegOutput::kBuffers) * 4608u);  // what was queued, nothing of the new file
  EXPECT_FALSE(out.seekFrame(1));
}

TEST_F(MpegOutputTest, NoDeviceRefusesTheStart) {
  outputs.noDevice = true;
  EXPECT_FALSE(out.start());
  EXPECT_FALSE(out.isOpen());
  queue.dispatch();
  EXPECT_EQ(started, 0);
}

// A device thread plays while the owner decodes into the buffers it hands
// back: the sanitizer build sees any shared access.
TEST(MpegOutputTimed, PlaysWholeWithADeviceThread) {
  TempDir dir;
  fs::path mp3 = makeMp3(dir, "timed", {44100, 2, 88200}, "-b 128");
  ASSERT_FALSE(mp3.empty());
  MpegSource source;
  ASSERT_TRUE(source.load(mp3.string()));
  wave::DoneQueue queue;
  size_t bytes = 0;  // written on the device thread, read after it is done
  std::mutex mutex;
  MpegOutput out(source, queue, [&](wave::DoneQueue &q, wave::BufferListener &l) {
    auto d = std::make_unique<wave::VirtualOutput>(q, l, wave::VirtualOutput::Clock::Timed, 0.0);
    d->setSink([&](const uint8_t *, size_t n) {
      std::lock_guard lock(mutex);
      bytes += n;
    });
    return d;
  });
  bool done = false;
  out.setOnStopped([&] { done = true; });
  ASSERT_TRUE(out.start());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    pollfd p{queue.descriptor(), POLLIN, 0};
    ::poll(&p, 1, 100);
    queue.dispatch();
  }
  ASSERT_TRUE(done);
  std::lock_guard lock(mutex);
  EXPECT_EQ(bytes, size_t(source.frames()) * source.frameBytes());
}

}  // namespace
