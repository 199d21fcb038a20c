// The road to the sound card without a sound card: ALSA's default device is
// a pair of files for this program, so PortAudio finds an output and an
// input; what an output plays lands in a file and what an input records
// comes from one, faster than real time.
#include <gtest/gtest.h>

#include <thread>

#include "components/wave/OutputGain.h"
#include "components/wave/PortAudio.h"
#include "components/wave/PortAudioInput.h"
#include "components/wave/PortAudioOutput.h"
#include "components/wave/Samples.h"
#include "support/WaveSignals.h"
#include "testsupport/AlsaFileDevice.h"

using namespace wavetest;
namespace cw = components::wave;
using cw::Buffer;
using cw::DoneQueue;
using cw::PcmFormat;
using cw::PortAudioInput;
using cw::PortAudioOutput;
using testsupport::AlsaFileDevice;

namespace {

// Before anything in the program starts PortAudio.
const AlsaFileDevice &alsa = AlsaFileDevice::install();

struct UnityGainAfter {
  ~UnityGainAfter() { cw::setOutputGain(1.0f); }
};

std::vector<Buffer> split(Bytes &data, size_t size) {
  std::vector<Buffer> out;
  for (size_t at = 0; at < data.size(); at += size)
    out.push_back({data.data() + at, uint32_t(std::min(size, data.size() - at)), uint32_t(out.size())});
  return out;
}

std::vector<Buffer *> pointers(std::vector<Buffer> &buffers) {
  std::vector<Buffer *> out;
  for (auto &b : buffers) out.push_back(&b);
  return out;
}

}  // namespace

TEST(PortAudioDevices, TheSystemHasAnOutputAndAnInput) {
  EXPECT_TRUE(cw::systemHasOutputDevice());
  EXPECT_TRUE(cw::systemHasInputDevice());
  DoneQueue queue;
  Owner owner;
  EXPECT_TRUE(PortAudioOutput(queue, owner).available());
  EXPECT_TRUE(PortAudioInput(queue, owner).available());
}

TEST(PortAudioOutputFile, TheDeviceGetsExactlyTheSamplesWrittenScaledByTheGain) {
  UnityGainAfter restore;
  struct Case {
    PcmFormat format;
    float gain;
    uint32_t bufferSize;
  } cases[] = {
      {{1, 8000, 16}, 1.0f, 8000},   // the voice player's three buffers
      {{1, 8000, 16}, 0.5f, 8000},
      {{2, 44100, 16}, 1.0f, 4096},  // the WAV player's buffers
      {{1, 11025, 8}, 0.5f, 4096},
      {{2, 48000, 24}, 2.0f, 4098},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.format.sampleRate << " Hz " << c.format.bitsPerSample << "-bit "
                                    << c.format.channels << " ch, gain " << c.gain);
    DoneQueue queue;
    Owner owner;
    PortAudioOutput out(queue, owner);
    Bytes data = ramp(c.format.bitsPerSample, 3 * c.bufferSize / (c.format.bitsPerSample / 8));
    const Bytes sent = data;
    auto buffers = split(data, c.bufferSize);
    cw::setOutputGain(c.gain);
    ASSERT_TRUE(out.open(c.format));
    EXPECT_EQ(out.deviceRate(), c.format.sampleRate);
    out.pause();  // all queued before any plays: the device runs faster than the owner
    for (auto &b : buffers) ASSERT_TRUE(out.write(b));
    out.resume();
    ASSERT_TRUE(waitPending(queue, buffers.size()));
    EXPECT_EQ(queue.dispatch(), buffers.size());
    EXPECT_EQ(owner.done, pointers(buffers));
    EXPECT_EQ(out.bytesPlayed(), sent.size());
    EXPECT_EQ(out.playedMilliseconds(), sent.size() * 1000 / c.format.bytesPerSecond());
    out.close();
    EXPECT_EQ(data, sent);  // the owner's buffers are never scaled in place

    Bytes expected(sent.size());
    cw::scaleSamples(sent.data(), expected.data(), sent.size(), c.format.bitsPerSample, c.gain);
    Bytes played = alsa.played();
    auto at = findAligned(played, expected, c.format.blockAlign());
    ASSERT_TRUE(at.has_value()) << played.size() << " bytes played";
    // Only silence before: the stream's start.
    EXPECT_TRUE(std::all_of(played.begin(), played.begin() + ptrdiff_t(*at),
                            [&](uint8_t b) { return b == cw::silenceByte(c.format.bitsPerSample); }));
  }
}

TEST(PortAudioOutputFile, APauseHoldsTheBuffersAndResetHandsThemBackAtPositionZero) {
  DoneQueue queue;
  Owner owner;
  PortAudioOutput out(queue, owner);
  ASSERT_TRUE(out.open({1, 8000, 16}));
  Bytes data = ramp(16, 12000);
  auto buffers = split(data, 8000);
  out.pause();
  for (auto &b : buffers) out.write(b);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the file device runs far faster
  EXPECT_EQ(queue.pending(), 0u);
  EXPECT_EQ(out.bytesPlayed(), 0u);
  out.reset();
  EXPECT_EQ(queue.dispatch(), 3u);
  EXPECT_EQ(owner.done, pointers(buffers));
  // Reset keeps the pause.
  out.write(buffers[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(queue.pending(), 0u);
  out.resume();
  ASSERT_TRUE(waitPending(queue, 1));
  EXPECT_EQ(out.playedMilliseconds(), 500u);
  out.close();
  EXPECT_FALSE(out.write(buffers[0]));
}

TEST(PortAudioOutputFile, AtAnotherDeviceRateTheSoundIsConverted) {
  UnityGainAfter restore;
  DoneQueue queue;
  Owner owner;
  PortAudioOutput out(queue, owner);
  out.setDeviceRate(48000);
  Bytes data = sine16(8000, 24000, 500, 0.5);  // three seconds
  auto buffers = split(data, 8000);
  cw::setOutputGain(0.5f);
  ASSERT_TRUE(out.open({1, 8000, 16}));
  EXPECT_EQ(out.deviceRate(), 48000u);
  out.pause();
  for (auto &b : buffers) out.write(b);
  out.resume();
  ASSERT_TRUE(waitPending(queue, buffers.size()));
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (out.bytesPlayed() < data.size() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(out.playedMilliseconds(), 3000u);
  out.close();
  EXPECT_EQ(out.deviceRate(), 0u);

  // The device took floats at 48000 Hz.
  std::vector<double> x = fromFloat(alsa.played());
  size_t start = firstAbove(x, 0.01);
  ASSERT_GT(x.size(), start + 144000);
  EXPECT_NEAR(frequency(x, 48000, start + 4800, start + 139200), 500.0, 1.0);
  EXPECT_NEAR(peak(x, start + 4800, start + 139200), 0.25, 0.01);
}

TEST(PortAudioInputFile, RecordsTheSamplesTheDeviceHearsIntoTheBuffersInOrder) {
  DoneQueue queue;
  Owner owner;
  PortAudioInput in(queue, owner);
  const Bytes heard = ramp(16, 13000);  // 26000 bytes: three buffers and some
  alsa.setCaptureSamples(heard);
  ASSERT_TRUE(in.open({1, 8000, 16}));
  EXPECT_EQ(in.deviceRate(), 8000u);
  Bytes memory(3 * 8000);
  auto buffers = split(memory, 8000);
  for (auto &b : buffers) ASSERT_TRUE(in.add(b));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(in.bytesRecorded(), 0u);  // stopped until start()
  in.start();
  ASSERT_TRUE(waitPending(queue, 3));
  EXPECT_EQ(queue.dispatch(), 3u);
  EXPECT_EQ(owner.done, pointers(buffers));
  EXPECT_EQ(owner.lengths, (std::vector<uint32_t>{8000, 8000, 8000}));
  EXPECT_TRUE(std::equal(memory.begin(), memory.end(), heard.begin()));
  EXPECT_EQ(in.bytesRecorded(), 24000u);
  EXPECT_EQ(in.recordedMilliseconds(), 1500u);

  // A buffer queued now fills partly or wholly; reset hands it back with
  // what it holds.
  buffers[0].length = 8000;
  in.add(buffers[0]);
  in.reset();
  EXPECT_EQ(queue.dispatch(), 1u);
  EXPECT_LE(owner.lengths.back(), 8000u);
  EXPECT_EQ(owner.lengths.back() % 2, 0u);
  in.close();
  EXPECT_FALSE(in.add(buffers[0]));
}

TEST(PortAudioInputFile, AtAnotherDeviceRateTheSoundIsConverted) {
  DoneQueue queue;
  Owner owner;
  PortAudioInput in(queue, owner);
  in.setDeviceRate(48000);
  alsa.setCaptureSamples(sineFloat(48000, 48000 * 2, 500, 0.5));  // two seconds of floats
  ASSERT_TRUE(in.open({1, 8000, 16}));
  EXPECT_EQ(in.deviceRate(), 48000u);
  Bytes memory(3 * 8000);
  auto buffers = split(memory, 8000);
  for (auto &b : buffers) in.add(b);
  in.start();
  ASSERT_TRUE(waitPending(queue, 3));
  in.close();
  EXPECT_EQ(queue.dispatch(), 3u);
  std::vector<double> x = from16(memory);
  EXPECT_NEAR(frequency(x, 8000, 400, 11600), 500.0, 1.0);
  EXPECT_NEAR(peak(x, 400, 11600), 0.5, 0.01);
}
