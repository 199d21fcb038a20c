#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "WaveFixture.h"
#include "components/wave/VirtualOutput.h"
#include "testsupport/DrivenOutputs.h"
#include "components/waveplayer/WavePlayer.h"
#include "testsupport/Files.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
namespace wave = components::wave;
using components::WavePlayer;
using testsupport::TempDir;
using wavtest::makeWav;
using wavtest::Tone;

namespace {

// The sample bytes of a canonical 44-byte-header PCM file as sox writes it.
std::vector<uint8_t> samplesOf(const fs::path &wav) {
  std::vector<uint8_t> bytes = testsupport::readFile(wav);
  return {bytes.begin() + 44, bytes.end()};
}

// A WAV player over a driven virtual device whose played bytes the test
// keeps; stop notifications counted, with the thread they arrived on.
class WavePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player.setOnStopped([this] {
      ++stopped;
      EXPECT_EQ(std::this_thread::get_id(), owner);
    });
  }

  bool step() {
    bool ok = outputs.device()->playNext();
    queue.dispatch();
    return ok;
  }
  // Until the file has played out and the notification has been handed on.
  void playOut() {
    for (int guard = 0; player.isPlaying() && guard < 100000; ++guard) step();
    queue.dispatch();
  }

  TempDir dir;
  std::thread::id owner = std::this_thread::get_id();
  wave::DoneQueue queue;
  testsupport::DrivenOutputs outputs;
  int stopped = 0;
  WavePlayer player{queue, outputs.factory()};
};

// The figures the display takes from the header: bit rate from rate x bits
// (or a fixed figure when bits is 0), total time from data bytes / average
// bytes per second.
struct FiguresCase {
  const char *name;
  Tone tone;
  const char *encoding;
  uint16_t formatTag;
  uint16_t bits;
  int channelMode;
  uint32_t avgBytesPerSecond;
  uint64_t dataBytes;
};

void PrintTo(const FiguresCase &c, std::ostream *os) { *os << c.name; }

class WaveFigures : public WavePlayerTest, public ::testing::WithParamInterface<FiguresCase> {};

TEST_P(WaveFigures, OpenReportsWhatTheHeaderDeclares) {
  const FiguresCase &c = GetParam();
  fs::path wav = makeWav(dir, c.name, c.tone, c.encoding);
  ASSERT_FALSE(wav.empty()) << "sox failed";
  std::string error;
  ASSERT_TRUE(player.open(wav.string(), &error)) << error;
  EXPECT_TRUE(player.isOpen());
  EXPECT_FALSE(player.isPlaying());
  EXPECT_EQ(player.formatTag(), c.formatTag);
  EXPECT_EQ(player.channels(), c.tone.channels);
  EXPECT_EQ(player.channelMode(), c.channelMode);
  EXPECT_EQ(player.sampleRate(), c.tone.rate);
  EXPECT_EQ(player.bitsPerSample(), c.bits);
  EXPECT_EQ(player.averageBytesPerSecond(), c.avgBytesPerSecond);
  EXPECT_EQ(player.dataBytes(), c.dataBytes);
  EXPECT_EQ(player.lengthMs(), c.tone.samples * 1000 / c.tone.rate);
  EXPECT_EQ(player.positionMs(), 0u);

  player.close();
  EXPECT_FALSE(player.isOpen());
  EXPECT_EQ(player.sampleRate(), 0u);
  EXPECT_EQ(player.dataBytes(), 0u);
  EXPECT_EQ(player.lengthMs(), 0u);
  EXPECT_FALSE(player.play());
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveFigures,
    ::testing::Values(
        // 8000 x 16 = 128 kbit/s; 11025 x 8 = 88.2 kbit/s.
        FiguresCase{"mono8000x16", {8000, 1, 8000}, "-b 16", 1, 16, 3, 16000, 16000},
        FiguresCase{"mono11025x8", {11025, 1, 22050}, "-b 8", 1, 8, 3, 11025, 22050},
        FiguresCase{"stereo44100x16", {44100, 2, 4410}, "-b 16", 1, 16, 0, 176400, 17640},
        // 320 samples in every 65-byte block, and a header that says 0 bits.
        FiguresCase{"gsm", {8000, 1, 16000}, "-e gsm-full-rate", 49, 0, 3, 1625, 3250}),
    [](const auto &info) { return std::string(info.param.name); });

// Every encoding plays as 16-bit PCM, to the last sample and no further.
struct EncodingCase {
  const char *name;
  const char *encoding;
};

void PrintTo(const EncodingCase &c, std::ostream *os) { *os << c.name; }

class WaveEncodings : public WavePlayerTest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(WaveEncodings, PlayToTheRightNumberOfSamplesThenStop) {
  // 96000 bytes of 16-bit PCM: more than the ten buffers hold.
  const Tone tone{8000, 1, 48000};
  fs::path wav = makeWav(dir, GetParam().name, tone, GetParam().encoding);
  ASSERT_FALSE(wav.empty()) << "sox failed";
  ASSERT_TRUE(player.open(wav.string()));
  EXPECT_EQ(player.lengthMs(), 6000u);
  ASSERT_TRUE(player.play());
  EXPECT_TRUE(player.isPlaying());
  const wave::PcmFormat f = outputs.device()->format();
  EXPECT_EQ(f.channels, 1);
  EXPECT_EQ(f.sampleRate, 8000u);
  EXPECT_EQ(f.bitsPerSample, 16);
  EXPECT_EQ(outputs.device()->queued(), WavePlayer::kBuffers);

  playOut();
  EXPECT_EQ(outputs.played.size(), tone.samples * 2);
  EXPECT_NEAR(wavtest::frequencyOf(outputs.played, 1, 8000), 440.0, 5.0);
  EXPECT_EQ(stopped, 1);
  EXPECT_FALSE(player.isPlaying());
  EXPECT_EQ(player.positionMs(), 6000u);
}

INSTANTIATE_TEST_SUITE_P(Encodings, WaveEncodings,
                         ::testing::Values(EncodingCase{"pcm16", "-b 16"}, EncodingCase{"pcm8", "-b 8"},
                                           EncodingCase{"pcm24", "-b 24"}, EncodingCase{"pcm32", "-b 32"},
                                           EncodingCase{"float32", "-e floating-point -b 32"},
                                           EncodingCase{"muLaw", "-e mu-law"}, EncodingCase{"aLaw", "-e a-law"},
                                           // Its last block is padded; the fact chunk tells the true length.
                                           EncodingCase{"imaAdpcm", "-e ima-adpcm"},
                                           EncodingCase{"msAdpcm", "-e ms-adpcm"},
                                           EncodingCase{"gsm610", "-e gsm-full-rate"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(WavePlayerTest, PcmPlaysByteForByteInBuffersOf4096) {
  fs::path wav = makeWav(dir, "pcm", {8000, 1, 16000}, "-b 16");
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  ASSERT_TRUE(player.play());
  ASSERT_TRUE(step());
  EXPECT_EQ(outputs.played.size(), WavePlayer::kBufferBytes);
  EXPECT_EQ(player.positionMs(), 256u);  // 2048 samples at 8000 Hz
  playOut();
  EXPECT_EQ(outputs.played, samplesOf(wav));
}

TEST_F(WavePlayerTest, PlayedOutStaysStoppedUntilPlayedAgain) {
  fs::path wav = makeWav(dir, "end", {8000, 1, 8000}, "-b 16");
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  ASSERT_TRUE(player.play());
  playOut();
  ASSERT_EQ(stopped, 1);
  const size_t bytes = outputs.played.size();
  // No looping: nothing more is queued, however long the owner waits.
  for (int k = 0; k < 5; ++k) EXPECT_FALSE(step());
  EXPECT_EQ(outputs.device()->queued(), 0u);
  EXPECT_EQ(outputs.played.size(), bytes);
  EXPECT_EQ(stopped, 1);
  EXPECT_FALSE(player.setPositionMs(100));  // its stop notification has gone out
  // Play again starts from the beginning.
  outputs.played.clear();
  ASSERT_TRUE(player.play());
  playOut();
  EXPECT_EQ(outputs.played, samplesOf(wav));
  EXPECT_EQ(stopped, 2);
}

TEST_F(WavePlayerTest, PauseHoldsAndRestartGoesOn) {
  fs::path wav = makeWav(dir, "pause", {8000, 1, 16000}, "-b 16");
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  EXPECT_FALSE(player.pause());  // not playing
  ASSERT_TRUE(player.play());
  ASSERT_TRUE(step());
  EXPECT_FALSE(player.restart());  // not paused
  ASSERT_TRUE(player.pause());
  EXPECT_TRUE(player.isPaused());
  EXPECT_TRUE(player.isPlaying());
  const uint64_t at = player.positionMs();
  EXPECT_FALSE(step());
  EXPECT_EQ(player.positionMs(), at);
  ASSERT_TRUE(player.restart());
  EXPECT_FALSE(player.isPaused());
  playOut();
  EXPECT_EQ(outputs.played, samplesOf(wav));
  EXPECT_EQ(stopped, 1);
}

TEST_F(WavePlayerTest, StopRewindsWithoutANotification) {
  fs::path wav = makeWav(dir, "stop", {8000, 1, 16000}, "-b 16");
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  ASSERT_TRUE(player.play());
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(step());
  player.stop();
  queue.dispatch();
  EXPECT_EQ(stopped, 0);
  EXPECT_FALSE(player.isPlaying());
  EXPECT_FALSE(outputs.device()->isOpen());
  EXPECT_TRUE(player.isOpen());
  EXPECT_EQ(player.positionMs(), 0u);
  outputs.played.clear();
  ASSERT_TRUE(player.play());
  playOut();
  EXPECT_EQ(outputs.played, samplesOf(wav));
  // Closing while the stop notification waits cancels it too.
  outputs.played.clear();
  ASSERT_TRUE(player.play());
  while (player.isPlaying()) outputs.device()->playNext() || queue.dispatch();
  player.close();
  queue.dispatch();
  EXPECT_EQ(stopped, 1);
}

// Seeks land on the sample frame of the time, in every encoding (GSM is
// decoded again from the start: libsndfile cannot seek in it).
struct SeekCase {
  const char *name;
  const char *encoding;
  bool paused;
  int buffersFirst;  // played before the seek
  uint64_t toMs;
};

void PrintTo(const SeekCase &c, std::ostream *os) { *os << c.name; }

class WaveSeek : public WavePlayerTest, public ::testing::WithParamInterface<SeekCase> {};

TEST_P(WaveSeek, LandsOnTheTimeAndKeepsThePause) {
  const SeekCase &c = GetParam();
  const Tone tone{8000, 1, 16000};
  fs::path wav = makeWav(dir, c.name, tone, c.encoding);
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  ASSERT_TRUE(player.play());
  for (int k = 0; k < c.buffersFirst; ++k) ASSERT_TRUE(step());
  if (c.paused) {
    ASSERT_TRUE(player.pause());
  }
  const size_t before = outputs.played.size();

  ASSERT_TRUE(player.setPositionMs(c.toMs));
  queue.dispatch();  // the dropped buffers come back and are refilled from there
  const uint64_t target = std::min<uint64_t>(c.toMs, 2000);
  EXPECT_EQ(player.positionMs(), target);
  EXPECT_EQ(player.isPaused(), c.paused);
  EXPECT_EQ(outputs.device()->paused(), c.paused);
  if (c.paused) {
    EXPECT_FALSE(outputs.device()->playNext());
    ASSERT_TRUE(player.restart());
  }
  playOut();
  EXPECT_EQ(outputs.played.size() - before, (tone.samples - target * 8) * 2);
  if (std::string(c.encoding) == "-b 16") {
    std::vector<uint8_t> source = samplesOf(wav);
    EXPECT_TRUE(std::equal(outputs.played.begin() + std::ptrdiff_t(before), outputs.played.end(),
                           source.begin() + std::ptrdiff_t(target * 8 * 2)));
  }
  EXPECT_EQ(stopped, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Seeks, WaveSeek,
    ::testing::Values(SeekCase{"pcmForward", "-b 16", false, 1, 1500}, SeekCase{"pcmBack", "-b 16", false, 6, 250},
                      SeekCase{"pcmPaused", "-b 16", true, 2, 1000}, SeekCase{"pcmPastTheEnd", "-b 16", true, 1, 9000},
                      SeekCase{"imaAdpcm", "-e ima-adpcm", true, 2, 1250},
                      SeekCase{"gsmForward", "-e gsm-full-rate", false, 1, 1500},
                      SeekCase{"gsmBack", "-e gsm-full-rate", true, 6, 125}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(WavePlayerTest, APositionSetWhileStoppedIsWherePlayStarts) {
  fs::path wav = makeWav(dir, "cue", {8000, 1, 16000}, "-b 16");
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  ASSERT_TRUE(player.setPositionMs(500));
  EXPECT_EQ(player.positionMs(), 500u);
  ASSERT_TRUE(player.play());
  playOut();
  EXPECT_EQ(outputs.played.size(), (16000u - 4000u) * 2);
}

// Files the player cannot play: refused with a reason, nothing left open.
struct RefusedCase {
  const char *name;
  void (*damage)(std::vector<uint8_t> &bytes);  // applied to a good 16-bit file
};

void PrintTo(const RefusedCase &c, std::ostream *os) { *os << c.name; }

class WaveRefused : public WavePlayerTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(WaveRefused, OpenFailsCleanly) {
  fs::path good = makeWav(dir, "good", {8000, 1, 8000}, "-b 16");
  ASSERT_FALSE(good.empty());
  std::vector<uint8_t> bytes = testsupport::readFile(good);
  GetParam().damage(bytes);
  fs::path bad = dir / "bad.wav";
  testsupport::writeFile(bad, bytes);

  ASSERT_TRUE(player.open(good.string()));  // an open file is closed by the next open
  std::string error;
  EXPECT_FALSE(player.open(bad.string(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(player.isOpen());
  EXPECT_EQ(player.sampleRate(), 0u);
  EXPECT_EQ(player.averageBytesPerSecond(), 0u);
  EXPECT_EQ(player.lengthMs(), 0u);
  EXPECT_FALSE(player.play());
  EXPECT_EQ(outputs.device(), nullptr);  // no device was opened for it
  EXPECT_FALSE(player.open((dir / "missing.wav").string(), &error));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveRefused,
    ::testing::Values(RefusedCase{"truncated", [](std::vector<uint8_t> &b) { b.resize(b.size() / 2); }},
                      RefusedCase{"headerOnly", [](std::vector<uint8_t> &b) { b.resize(30); }},
                      RefusedCase{"empty", [](std::vector<uint8_t> &b) { b.clear(); }},
                      RefusedCase{"notRiff", [](std::vector<uint8_t> &b) { b[0] = 'X'; }},
                      RefusedCase{"noChannels", [](std::vector<uint8_t> &b) { b[22] = b[23] = 0; }},
                      RefusedCase{"noSampleRate", [](std::vector<uint8_t> &b) { std::fill_n(b.begin() + 24, 4, 0); }},
                      // MPEG audio inside a WAV: a tag nothing here decodes.
                      RefusedCase{"undecodableTag", [](std::vector<uint8_t> &b) { b[20] = 0x55; }},
                      RefusedCase{"noDataChunk",
                                  [](std::vector<uint8_t> &b) { std::copy_n("junk", 4, b.begin() + 36); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(WavePlayerTest, NoDeviceRefusesPlay) {
  outputs.noDevice = true;
  fs::path wav = makeWav(dir, "nodev", {8000, 1, 800}, "-b 16");
  ASSERT_FALSE(wav.empty());
  ASSERT_TRUE(player.open(wav.string()));
  EXPECT_FALSE(player.play());
  EXPECT_FALSE(player.isPlaying());
  queue.dispatch();
  EXPECT_EQ(stopped, 0);
}

// A device thread plays while the owner decodes into the buffers it hands
// back: the sanitizer build sees any shared access.
TEST(WavePlayerTimed, PlaysWholeWithADeviceThread) {
  TempDir dir;
  fs::path wav = makeWav(dir, "timed", {8000, 1, 16000}, "-e ima-adpcm");
  ASSERT_FALSE(wav.empty());
  wave::DoneQueue queue;
  std::mutex mutex;
  size_t bytes = 0;
  WavePlayer player(queue, [&](wave::DoneQueue &q, wave::BufferListener &l) {
    auto d = std::make_unique<wave::VirtualOutput>(q, l, wave::VirtualOutput::Clock::Timed, 0.0);
    d->setSink([&](const uint8_t *, size_t n) {
      std::lock_guard lock(mutex);
      bytes += n;
    });
    return d;
  });
  bool done = false;
  player.setOnStopped([&] { done = true; });
  ASSERT_TRUE(player.open(wav.string()));
  ASSERT_TRUE(player.play());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    pollfd p{queue.descriptor(), POLLIN, 0};
    ::poll(&p, 1, 100);
    queue.dispatch();
  }
  ASSERT_TRUE(done);
  std::lock_guard lock(mutex);
  EXPECT_EQ(bytes, 32000u);
}

}  // namespace
