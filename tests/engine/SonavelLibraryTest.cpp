// A program that uses libsonavel.so through its header alone, as the speed
// player does: open, play at three speeds on the virtual output, seek,
// convert, and check what was played and written.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <sstream>
#include <thread>

#include "sonavel.h"
#include "support/Fixtures.h"

using namespace fixtures;

namespace {

// Runs the host's side of the event loop: waits on the descriptor and
// dispatches, until `done` holds or the time is up.
template <class Done>
bool pump(Done done, int ms = 10000) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    pollfd p{DllGetEventFd(), POLLIN, 0};
    if (::poll(&p, 1, 50) > 0) {
      EXPECT_GE(DllDispatchEvents(), 0);
    }
  }
  return true;
}

// Plays until the position reaches the end of the data, and checks that it
// stays there while empty buffers keep coming back.
bool playToEnd() {
  uint32_t end = DllGetTotalTime();
  bool reached = pump([&] { return DllGetPosition(0) + 1 >= end; });
  uint32_t at = DllGetPosition(1);
  for (int k = 0; k < 20; ++k) {
    pollfd p{DllGetEventFd(), POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) DllDispatchEvents();
  }
  return reached && DllGetPosition(1) == at && DllGetState() == SONAVEL_PLAYING;
}


class SonavelLibrary : public testing::Test {
 protected:
  TempDir dir;
  fs::path capture;
  void SetUp() override {
    capture = dir / "heard.raw";
    ::setenv("SONAVEL_OUTPUT", "virtual", 1);
    ::setenv("SONAVEL_VIRTUAL_SPEED", "0", 1);  // faster than real time
    ::setenv("SONAVEL_VIRTUAL_CAPTURE", capture.c_str(), 1);
  }
  void TearDown() override {
    DllStop();
    pump([] { return DllDispatchEvents() == 0; }, 1000);
  }
  std::vector<uint8_t> heard() { return readFile(capture); }
  void forget() { fs::remove(capture); }
};

}  // namespace

TEST(SonavelExports, TheLibraryExportsItsFunctionsAndNothingElse) {
  fs::path nm = requireTool("nm");
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void *>(&DllOpenFile), &info), 0);
  std::string command = nm.string() + " -D --defined-only '" + info.dli_fname + "'";
  testsupport::ProcessResult listed = runCommand(command, testsupport::ErrorOutput::Apart);
  std::set<std::string> names;
  std::istringstream lines(listed.output);
  for (std::string s; std::getline(lines, s);) {
    // "address type name": every defined symbol, whatever its type.
    names.insert(s.substr(s.rfind(' ') + 1));
  }
  std::set<std::string> expected = {
      "DllOpenFile", "DllPlay", "DllStop", "DllPause", "DllRestart", "DllSetRange", "DllEnableLoop",
      "DllResetRange", "DllSetRate", "DllGetRate", "DllGetPlayState", "DllGetSampleRate", "DllGetChannels",
      "DllSetPosition", "DllGetPosition", "DllIsLoaded", "DllClose", "DllGetFileName", "DllConvertToPCM",
      "DllConvertToWave", "DllStopConvert", "DllGetProgress", "DllGetTotalTime", "DllGetState", "DllMS_Init",
      "DllMS_Calc", "DllMS_SetRate", "DllGetEventFd", "DllDispatchEvents"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(sizeof(SonavelWaveFormat), 18u);
}

TEST_F(SonavelLibrary, PlaysWavAndMp3AtThreeSpeedsWithTheirPitch) {
  requireTool("lame");
  Pcm stereo{2, 44100, 16};
  auto tone = sinePcm(stereo, 44100 * 2, 440);
  writeWav(dir / "tone.wav", stereo, tone);
  fs::path mp3 = makeMp3(dir, "tone.mp3", stereo, tone, "-b 128");
  ASSERT_FALSE(mp3.empty());

  for (const fs::path &file : {dir / "tone.wav", mp3}) {
    SCOPED_TRACE(file.filename().string());
    ASSERT_EQ(DllOpenFile(file.c_str()), 1);
    EXPECT_EQ(DllIsLoaded(), 1);
    EXPECT_STREQ(DllGetFileName(), file.c_str());
    EXPECT_EQ(DllGetSampleRate(), 44100u);
    EXPECT_EQ(DllGetChannels(), 2);
    for (auto [rate, speed] : {std::pair{-2.0, 0.5}, {0.0, 1.0}, {2.0, 2.0}}) {
      SCOPED_TRACE(rate);
      forget();
      EXPECT_EQ(DllSetRate(rate), rate);
      ASSERT_EQ(DllSetPosition(0, 1), 1);
      ASSERT_EQ(DllPlay(), 1);
      EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_PLAYING));
      EXPECT_EQ(DllGetPlayState(), SONAVEL_PLAYING);
      ASSERT_TRUE(playToEnd());
      EXPECT_EQ(DllStop(), 1);
      auto pcm = heard();
      double expected = DllGetTotalTime() / 1000.0 * 176400 / speed;
      EXPECT_NEAR(double(pcm.size()), expected, expected * 0.08);
      EXPECT_NEAR(frequencyOf(pcm, 44100), 440, 440 * 0.02);
    }
  }
}

TEST_F(SonavelLibrary, PlaysSpeechAndSeeks) {
  requireTool("espeak-ng");
  requireTool("lame");
  fs::path speech = dir / "speech.wav";
  ASSERT_TRUE(runCommand("espeak-ng -w '" + speech.string() +
                         "' 'The recorder keeps its recordings on a flash chip. Play them faster or slower.'")
                  .ok());
  fs::path mp3 = dir / "speech.mp3";
  ASSERT_TRUE(runCommand("lame --quiet -b 48 '" + speech.string() + "' '" + mp3.string() + "'").ok());
  for (const fs::path &file : {speech, mp3}) {
    SCOPED_TRACE(file.filename().string());
    ASSERT_EQ(DllOpenFile(file.c_str()), 1);
    uint32_t rate = DllGetSampleRate();
    EXPECT_EQ(rate, 22050u);  // espeak-ng's rate; MPEG-2 for the MP3
    uint32_t total = DllGetTotalTime();
    ASSERT_GT(total, 2000u);
    DllSetRate(1.0);
    ASSERT_EQ(DllPlay(), 1);
    ASSERT_TRUE(pump([] { return DllGetPosition(1) > 0; }));
    // Seek while playing: reported at once, and playback goes on from there to the end.
    uint32_t target = rate * 2;
    ASSERT_EQ(DllSetPosition(target, 1), 1);
    EXPECT_EQ(DllGetPosition(1), target);
    EXPECT_EQ(DllSetPosition(total + 1, 0), 0);  // beyond the range: ignored
    EXPECT_EQ(DllGetPosition(1), target);
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(DllStop(), 1);
    EXPECT_EQ(DllStop(), 1);
    EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
  }
}

TEST_F(SonavelLibrary, StateCodesRatesAndRefusals) {
  Pcm stereo{2, 44100, 16};
  writeWav(dir / "a.wav", stereo, sinePcm(stereo, 44100 * 3, 300));
  ASSERT_EQ(DllOpenFile((dir / "a.wav").c_str()), 1);
  EXPECT_EQ(DllOpenFile((dir / "a.aif").c_str()), 0);
  EXPECT_STREQ(DllGetFileName(), (dir / "a.wav").c_str());
  EXPECT_EQ(DllGetTotalTime(), 3000u);
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
  EXPECT_EQ(DllPause(), 0);
  EXPECT_EQ(DllRestart(), 0);
  EXPECT_EQ(DllSetRate(0.0), 0.0);
  EXPECT_EQ(DllSetRate(2.5), 0.0);
  EXPECT_EQ(DllGetRate(), 0.0);
  EXPECT_EQ(DllSetRate(-2.0), -2.0);
  EXPECT_EQ(DllGetRate(), -2.0);
  EXPECT_EQ(DllSetRate(0.0), 0.0);
  ASSERT_EQ(DllPlay(), 1);
  EXPECT_EQ(DllPlay(), 0);
  EXPECT_EQ(DllRestart(), 0);
  ASSERT_EQ(DllPause(), 1);
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_PAUSED));
  EXPECT_EQ(DllGetPlayState(), SONAVEL_PAUSED);
  ASSERT_EQ(DllRestart(), 1);
  EXPECT_EQ(DllSetRange(44100, 88200, 1), 2000);
  EXPECT_EQ(DllSetRange(0, 3000, 0), 0);
  EXPECT_EQ(DllEnableLoop(1), 1);
  EXPECT_EQ(DllResetRange(), 0);
  ASSERT_EQ(DllSetPosition(88200, 1), 1);
  EXPECT_EQ(DllGetPosition(0), 2000u);
  EXPECT_EQ(DllGetPosition(1), 88200u);
  EXPECT_EQ(DllStop(), 1);
  DllClose();
  EXPECT_EQ(DllIsLoaded(), 1);
  EXPECT_STREQ(DllGetFileName(), (dir / "a.wav").c_str());
  // The dispatch belongs to the thread that loaded the library.
  int32_t elsewhere = 0;
  std::thread([&] { elsewhere = DllDispatchEvents(); }).join();
  EXPECT_EQ(elsewhere, -1);
}

TEST_F(SonavelLibrary, AFailedOpenLeavesNothingToPlay) {
  // The speed player does not look at DllOpenFile's result: after a failed
  // open it must find no file loaded and hear nothing, not the previous file.
  Pcm stereo{2, 44100, 16};
  writeWav(dir / "a.wav", stereo, sinePcm(stereo, 44100, 300));
  ASSERT_EQ(DllOpenFile((dir / "a.wav").c_str()), 1);
  EXPECT_EQ(DllOpenFile((dir / "gone.wav").c_str()), 0);
  EXPECT_EQ(DllIsLoaded(), 0);
  EXPECT_STREQ(DllGetFileName(), "");
  EXPECT_EQ(DllPlay(), 0);
  EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_STOPPED));
  DllClose();
  ASSERT_EQ(DllOpenFile((dir / "a.wav").c_str()), 1);
  EXPECT_EQ(DllIsLoaded(), 1);
}

TEST_F(SonavelLibrary, WithoutDispatchPlaybackStopsAtTheQueuedBuffers) {
  Pcm stereo{2, 44100, 16};
  writeWav(dir / "a.wav", stereo, sinePcm(stereo, 44100 * 3, 300));
  ASSERT_EQ(DllOpenFile((dir / "a.wav").c_str()), 1);
  DllSetRate(0.0);
  ASSERT_EQ(DllPlay(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(DllGetPosition(1), 0u);
  // Eight buffers of 0.1 s minus the modifier's first window: then nothing more.
  EXPECT_LE(heard().size(), 8u * 17640);
  EXPECT_GT(heard().size(), 7u * 17640);
  EXPECT_GT(DllDispatchEvents(), 0);
  EXPECT_GT(DllGetPosition(1), 0u);
}

TEST_F(SonavelLibrary, ConvertsToPcmAndToWave) {
  requireTool("lame");
  Pcm stereo{2, 44100, 16};
  fs::path mp3 = makeMp3(dir, "memo.mp3", stereo, sinePcm(stereo, 44100 * 3, 440), "-b 128");
  ASSERT_FALSE(mp3.empty());
  ASSERT_EQ(DllOpenFile(mp3.c_str()), 1);
  ASSERT_EQ(DllConvertToPCM(), 1);
  auto pcm = readFile(dir / "memo.PCM");
  EXPECT_EQ(pcm.size() % 4608, 0u);

  fs::path wav = dir / "memo-out.wav";
  ASSERT_EQ(DllConvertToWave(mp3.c_str(), wav.c_str()), 1);
  ASSERT_TRUE(pump([] { return DllGetProgress() == 100; }));
  auto bytes = readFile(wav);
  ASSERT_EQ(bytes.size(), 46 + pcm.size());
  EXPECT_EQ(le32(bytes, 4), bytes.size() - 8);
  EXPECT_EQ(le32(bytes, 42), pcm.size());
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), bytes.begin() + 46));
  // The WAV file plays through the engine like any other.
  ASSERT_EQ(DllOpenFile(wav.c_str()), 1);
  EXPECT_EQ(DllGetTotalTime(), uint32_t(pcm.size() / 176.4));

  // Stopped straight away: whatever was written by then is a valid file.
  fs::path early = dir / "early.wav";
  ASSERT_EQ(DllConvertToWave(mp3.c_str(), early.c_str()), 1);
  DllStopConvert();
  ASSERT_TRUE(pump([] { return DllGetProgress() == 100; }));
  auto head = readFile(early);
  ASSERT_GE(head.size(), 46u);
  EXPECT_EQ(le32(head, 4), head.size() - 8);
  EXPECT_EQ(le32(head, 42), head.size() - 46);
  EXPECT_LE(head.size(), bytes.size());

  // A source that cannot be opened ends at 100 with no file.
  ASSERT_EQ(DllConvertToWave((dir / "nothing.mp3").c_str(), (dir / "never.wav").c_str()), 1);
  ASSERT_TRUE(pump([] { return DllGetProgress() == 100; }));
  EXPECT_FALSE(fs::exists(dir / "never.wav"));
}

TEST_F(SonavelLibrary, TheModifierWorksDirectly) {
  SonavelWaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
  DllMS_Init(&format);
  Pcm stereo{2, 44100, 16};
  auto input = sinePcm(stereo, 44100, 440);
  std::vector<uint8_t> out(input.size() * 3);
  auto calc = [&] {
    DllMS_Init(&format);
    int32_t produced = -1;
    EXPECT_EQ(DllMS_Calc(input.data(), int32_t(input.size()), out.data(), &produced), 1);
    return produced;
  };
  int32_t normal = calc();
  EXPECT_EQ(normal, (int32_t(input.size()) - 5644) / 2648 * 2648 + 2648);
  struct Case {
    double factor;
    double speed;
  } cases[] = {{2.0, 2.0}, {-2.0, 0.5}, {1.0, 1.0}, {2.5, 1.0}, {0.0, 1.0}, {1.5, 1.5}, {-2.5, 1.5}};
  // Init resets the speed to normal, so set it after: calc re-inits, so apply
  // the factor between init and process by hand here.
  for (const auto &c : cases) {
    DllMS_Init(&format);
    if (c.factor == -2.5) DllMS_SetRate(1.5);  // ignored below: the previous factor stays
    DllMS_SetRate(c.factor);
    int32_t produced = 0;
    DllMS_Calc(input.data(), int32_t(input.size()), out.data(), &produced);
    double expected = double(input.size()) / c.speed;
    EXPECT_NEAR(produced, expected, expected * 0.05) << c.factor;
  }
}

TEST_F(SonavelLibrary, TheModifierRefusesFormatsItCannotProcess) {
  // After a refused format DllMS_Calc consumes its input and writes nothing,
  // whatever format was set before.
  const SonavelWaveFormat good{1, 2, 44100, 176400, 4, 16, 0};
  struct Case {
    const char *what;
    SonavelWaveFormat format;
  } cases[] = {
      {"16-bit stereo with alignment 2", {1, 2, 44100, 88200, 2, 16, 0}},
      {"16-bit mono with alignment 4", {1, 1, 22050, 88200, 4, 16, 0}},
      {"8-bit mono with alignment 2", {1, 1, 8000, 16000, 2, 8, 0}},
      {"four channels", {1, 4, 44100, 352800, 8, 16, 0}},
      {"24-bit stereo", {1, 2, 44100, 264600, 6, 24, 0}},
      {"32-bit stereo", {1, 2, 44100, 352800, 8, 32, 0}},
      {"32-bit float mono", {3, 1, 44100, 176400, 4, 32, 0}},
  };
  Pcm stereo{2, 44100, 16};
  auto input = sinePcm(stereo, 44100, 440);
  std::vector<uint8_t> out(input.size() * 3);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    int32_t produced = -1;
    DllMS_Init(&good);
    ASSERT_EQ(DllMS_Calc(input.data(), int32_t(input.size()), out.data(), &produced), 1);
    ASSERT_GT(produced, 0);
    DllMS_Init(&c.format);
    DllMS_SetRate(-2.0);
    std::fill(out.begin(), out.end(), uint8_t(0xAB));
    EXPECT_EQ(DllMS_Calc(input.data(), int32_t(input.size()), out.data(), &produced), 1);
    EXPECT_EQ(produced, 0);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xAB; }));
  }
}

TEST_F(SonavelLibrary, DirectModifierCallsWhilePlayingDoNotSkipToTheEnd) {
  Pcm stereo{2, 44100, 16};
  writeWav(dir / "long.wav", stereo, sinePcm(stereo, 44100 * 10, 300));
  struct Case {
    const char *what;
    void (*call)();
  } cases[] = {
      {"DllMS_SetRate(0.2)", [] { DllMS_SetRate(0.2); }},
      {"DllMS_Init with another format",
       [] {
         SonavelWaveFormat other{1, 1, 8000, 8000, 1, 8, 0};
         DllMS_Init(&other);
       }},
      {"DllMS_Init with a refused format",
       [] {
         SonavelWaveFormat refused{1, 2, 44100, 88200, 2, 16, 0};
         DllMS_Init(&refused);
       }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(DllOpenFile((dir / "long.wav").c_str()), 1);
    DllSetRate(0.0);
    ASSERT_EQ(DllPlay(), 1);
    ASSERT_TRUE(pump([] { return DllGetPosition(1) > 0; }));
    c.call();
    int buffers = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (buffers < 24 && std::chrono::steady_clock::now() < until) {
      pollfd p{DllGetEventFd(), POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) buffers += DllDispatchEvents();
    }
    ASSERT_GE(buffers, 24);
    EXPECT_LT(DllGetPosition(0), 5000u);  // 24 buffers: 2.4 s at most
    EXPECT_GT(DllGetPosition(0), 0u);
    EXPECT_EQ(DllGetState(), uint32_t(SONAVEL_PLAYING));
    EXPECT_EQ(DllStop(), 1);
    pump([] { return DllDispatchEvents() == 0; }, 1000);
  }
}
