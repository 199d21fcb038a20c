// The road to the sound card without a sound card: ALSA's default device is
// a file device for this program, so PortAudio finds an output and what it
// plays lands in a file, faster than real time.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>

#include "OutputSelection.h"
#include "components/wave/PortAudioOutput.h"
#include "support/Fixtures.h"

using namespace fixtures;
using namespace components::wave;

namespace {

// Set before anything in the process opens ALSA.
struct AlsaFileDevice {
  TempDir dir;
  fs::path captured = dir / "played.raw";
  AlsaFileDevice() {
    std::string config = "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" + captured.string() +
                         "\"\n format \"raw\"\n}\n";
    writeFile(dir / "asound.conf", std::vector<uint8_t>(config.begin(), config.end()));
    std::string path = "/usr/share/alsa/alsa.conf:" + (dir / "asound.conf").string();
    ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
  }
};
AlsaFileDevice &alsa() {
  static AlsaFileDevice device;
  return device;
}
const bool configured = (alsa(), true);

struct Recorder : BufferListener {
  std::vector<Buffer *> done;
  void bufferDone(Buffer &b) override { done.push_back(&b); }
};

bool waitFor(DoneQueue &queue, size_t count, int ms = 5000) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (queue.pending() < count) {
    if (std::chrono::steady_clock::now() > until) return false;
    pollfd p{queue.descriptor(), POLLIN, 0};
    ::poll(&p, 1, 20);
  }
  return true;
}

// `played` holds `sent` after some leading silence.
bool playedAfterSilence(const std::vector<uint8_t> &played, const std::vector<uint8_t> &sent) {
  auto first = std::find_if(played.begin(), played.end(), [](uint8_t b) { return b != 0; });
  size_t lead = size_t(first - played.begin()) / 4 * 4;
  if (played.size() < lead + sent.size()) return false;
  return std::equal(sent.begin(), sent.end(), played.begin() + ptrdiff_t(lead));
}

}  // namespace

TEST(PortAudioOutput, PlaysBuffersInOrderThroughTheSoundSystem) {
  ASSERT_TRUE(configured);
  DoneQueue queue;
  Recorder owner;
  PortAudioOutput out(queue, owner);
  if (!out.available()) GTEST_SKIP() << "no ALSA file device here";
  Pcm f{2, 44100, 16};
  auto data = rampPcm(f, 4410 * 8);
  for (size_t k = 0; k < 8; ++k) data[k * 17640] |= 1;  // no buffer starts with silence
  fs::remove(alsa().captured);
  ASSERT_TRUE(out.open({2, 44100, 16}));
  std::vector<Buffer> buffers(8);
  out.pause();
  for (size_t k = 0; k < 8; ++k) {
    buffers[k] = {data.data() + k * 17640, 17640, uint32_t(k)};
    ASSERT_TRUE(out.write(buffers[k]));
  }
  out.resume();
  ASSERT_TRUE(waitFor(queue, 8));
  EXPECT_EQ(queue.dispatch(), 8u);
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(owner.done[k], &buffers[k]);
  out.close();
  EXPECT_TRUE(playedAfterSilence(readFile(alsa().captured), data));
}

TEST(PortAudioOutput, ResetHandsBackWhatIsQueued) {
  DoneQueue queue;
  Recorder owner;
  PortAudioOutput out(queue, owner);
  if (!out.available()) GTEST_SKIP() << "no ALSA file device here";
  ASSERT_TRUE(out.open({1, 8000, 8}));
  std::vector<uint8_t> data(800 * 8, 128);
  std::vector<Buffer> buffers(8);
  out.pause();
  for (size_t k = 0; k < 8; ++k) {
    buffers[k] = {data.data() + k * 800, 800, uint32_t(k)};
    out.write(buffers[k]);
  }
  out.reset();
  EXPECT_EQ(queue.dispatch(), 8u);
  out.close();
  EXPECT_EQ(queue.dispatch(), 0u);
}

TEST(PortAudioOutput, TheEnginePrefersASoundCardWhenThereIsOne) {
  ::unsetenv("SONAVEL_OUTPUT");
  TempDir dir;
  Pcm f{2, 44100, 16};
  auto data = sinePcm(f, 44100, 440);
  writeWav(dir / "t.wav", f, data);
  fs::remove(alsa().captured);
  sonavel::PlaybackEngine engine(sonavel::environmentOutputFactory());
  ASSERT_EQ(engine.openFile((dir / "t.wav").c_str()), 1);
  ASSERT_EQ(engine.play(), 1);
  if (!dynamic_cast<PortAudioOutput *>(engine.device())) {
    engine.stop();
    GTEST_SKIP() << "PortAudio found no output device";
  }
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (engine.position(1) < 44100 && std::chrono::steady_clock::now() < until) {
    pollfd p{engine.eventDescriptor(), POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) engine.dispatch();
  }
  engine.stop();
  EXPECT_EQ(engine.position(1), 44100u);
  auto played = readFile(alsa().captured);
  // The file itself, after the stream's leading silence (normal speed).
  auto first = std::find_if(played.begin(), played.end(), [](uint8_t b) { return b != 0; });
  size_t lead = size_t(first - played.begin()) / 4 * 4 - 4;
  ASSERT_GT(played.size(), lead + 40000);
  for (size_t k = 0; k < 40000; k += 2)
    ASSERT_LE(std::abs(sample16(played, lead + k) - sample16(data, k)), 1) << k;
}

TEST(OutputChoice, SettingAndDevicePresence) {
  using sonavel::OutputChoice;
  struct Case {
    const char *setting;
    bool device;
    OutputChoice choice;
  } cases[] = {
      {"virtual", true, OutputChoice::Virtual},    {"portaudio", false, OutputChoice::PortAudio},
      {nullptr, true, OutputChoice::PortAudio},     {nullptr, false, OutputChoice::Virtual},
      {"", false, OutputChoice::Virtual},           {"speakers", true, OutputChoice::PortAudio},
  };
  for (const auto &c : cases) {
    int probes = 0;
    auto choice = sonavel::chooseOutput(c.setting, [&] {
      ++probes;
      return c.device;
    });
    EXPECT_EQ(choice, c.choice) << (c.setting ? c.setting : "unset") << " " << c.device;
  }
}
