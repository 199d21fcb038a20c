// One output gain for the whole process: set by the program, it scales what
// libsonavel.so plays, on the virtual output and on the sound card alike,
// because the gain lives in a shared library of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "components/wave/OutputGain.h"
#include "sonavel.h"
#include "support/Fixtures.h"
#include "testsupport/AlsaFileDevice.h"

using namespace fixtures;
namespace cw = components::wave;

namespace {

// Before anything in the program starts PortAudio.
const testsupport::AlsaFileDevice &alsa = testsupport::AlsaFileDevice::install();

template <class Done>
bool pump(Done done, int ms = 10000) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    pollfd p{DllGetEventFd(), POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) DllDispatchEvents();
  }
  return true;
}

// The first frame whose left sample stands clear of silence.
size_t firstSound(const std::vector<uint8_t> &pcm) {
  for (size_t at = 0; at + 4 <= pcm.size(); at += 4)
    if (std::abs(sample16(pcm, at)) > 100) return at;
  return pcm.size();
}

}  // namespace

TEST(OneOutputGain, LivesInALibraryOfItsOwn) {
  Dl_info info{};
  ASSERT_NE(::dladdr(reinterpret_cast<void *>(&cw::outputGain), &info), 0);
  EXPECT_NE(std::string(info.dli_fname).find("libquillorn-wavegain.so"), std::string::npos) << info.dli_fname;
}

TEST(OneOutputGain, SetByTheProgramItScalesWhatSonavelPlaysOnEitherOutput) {
  TempDir dir;
  const Pcm stereo{2, 44100, 16};
  const auto tone = sinePcm(stereo, 44100, 440, 0.6);
  writeWav(dir / "tone.wav", stereo, tone);
  const fs::path capture = dir / "heard.raw";
  ::setenv("SONAVEL_VIRTUAL_SPEED", "0", 1);
  ::setenv("SONAVEL_VIRTUAL_CAPTURE", capture.c_str(), 1);

  // What Sonavel plays at unity gain, then at other gains: the same scaled.
  auto play = [&](const char *output, float gain) {
    ::setenv("SONAVEL_OUTPUT", output, 1);
    fs::remove(capture);
    alsa.clearPlayed();
    cw::setOutputGain(gain);
    EXPECT_EQ(DllOpenFile((dir / "tone.wav").c_str()), 1);
    EXPECT_EQ(DllPlay(), 1);
    EXPECT_TRUE(pump([] { return DllGetPosition(0) + 1 >= DllGetTotalTime(); }));
    DllStop();
    pump([] { return DllDispatchEvents() == 0; }, 500);
    cw::setOutputGain(1.0f);
    auto heard = std::string(output) == "virtual" ? readFile(capture) : alsa.played();
    return std::vector<uint8_t>(heard.begin() + ptrdiff_t(firstSound(heard)), heard.end());
  };
  for (const char *output : {"virtual", "portaudio"}) {
    SCOPED_TRACE(output);
    const auto unity = play(output, 1.0f);
    ASSERT_GT(unity.size(), 88200u);
    ASSERT_LE(std::abs(sample16(unity, 0) - sample16(tone, firstSound(tone))), 1);
    for (float gain : {0.5f, 2.0f}) {
      SCOPED_TRACE(gain);
      const auto heard = play(output, gain);
      ASSERT_GT(heard.size(), 88200u);
      int saturated = 0;
      for (size_t k = 0; k < 88200; k += 2) {
        double scaled = std::clamp(std::nearbyint(sample16(unity, k) * double(gain)), -32768.0, 32767.0);
        saturated += std::fabs(scaled) >= 32767;
        ASSERT_LE(std::abs(sample16(heard, k) - scaled), 1.0) << k;
      }
      EXPECT_EQ(saturated > 0, gain > 1.0f);  // 0.6 of full scale twice over: the peaks saturate
    }
  }
}
