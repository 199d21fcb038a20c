// The host without windows on virtual devices: the poll() loop's timers,
// posted events and Ctrl-C; the running time as a terminal and a pipe see
// it; a voice file played to its end with exactly the decoder's samples,
// a recording made and saved, and the refusals a host reports.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "HostRig.h"
#include "components/ScriptedJobUi.h"
#include "components/wave/VirtualInput.h"
#include "components/wave/VirtualOutput.h"
#include "player/PollHost.h"
#include "testsupport/Files.h"
#include "testsupport/TempDir.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace e2etest {
namespace {

namespace fs = std::filesystem;
namespace wave = components::wave;
using player::PollHost;
using player::PollLoop;
using player::TerminalDisplay;
using Ms = std::chrono::milliseconds;

// --- The loop ---------------------------------------------------------------------------

TEST(HostLoop, TimersTickAtTheirIntervalsAndStopWhenAsked) {
  wave::DoneQueue queue;
  PollLoop loop(queue);
  int display = 0, mpeg = 0;
  loop.onDisplayTimer = [&] { ++display; };
  loop.onMpegTimer = [&] {
    if (++mpeg == 4) loop.runMpegTimer(false);
  };
  loop.runDisplayTimer(true);
  loop.runMpegTimer(true);
  auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(loop.run([&] { return display == 3; }, std::chrono::seconds(10)), PollLoop::End::Done);
  // Never early; the MP3 timer stopped itself after its fourth tick.
  EXPECT_GE(std::chrono::steady_clock::now() - begin, Ms(300));
  EXPECT_EQ(mpeg, 4);
  EXPECT_FALSE(loop.mpegTimerRunning());

  loop.runDisplayTimer(false);
  EXPECT_EQ(loop.run({}, Ms(250)), PollLoop::End::TimedOut);
  EXPECT_EQ(display, 3);
}

TEST(HostLoop, PostedEventsRunAfterTheCurrentOneInOrder) {
  wave::DoneQueue queue;
  PollLoop loop(queue);
  std::vector<std::string> ran;
  loop.post([&] {
    ran.push_back("a");
    loop.post([&] { ran.push_back("c"); });
    ran.push_back("a returns");
  });
  loop.post([&] { ran.push_back("b"); });
  EXPECT_TRUE(ran.empty());  // never from within post()
  EXPECT_EQ(loop.run([&] { return ran.size() == 4; }, std::chrono::seconds(5)), PollLoop::End::Done);
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "a returns", "b", "c"}));
  loop.post([&] { ran.push_back("dropped"); });
  loop.dropPosted();
  loop.run({}, Ms(20));
  EXPECT_EQ(ran.size(), 4u);
}

// Hands the buffers back through the done queue, as a device thread does.
struct Collector : wave::BufferListener {
  std::vector<wave::Buffer *> done;
  void bufferDone(wave::Buffer &b) override { done.push_back(&b); }
};

TEST(HostLoop, DeviceEventsArriveThroughTheDoneQueue) {
  wave::DoneQueue queue;
  PollLoop loop(queue);
  Collector owner;
  wave::VirtualOutput out(queue, owner, wave::VirtualOutput::Clock::Timed, 0);
  ASSERT_TRUE(out.open({1, 8000, 16}));
  Bytes data(3 * 8000, 1);
  wave::Buffer buffers[3];
  for (int i = 0; i < 3; ++i) {
    buffers[i] = {data.data() + i * 8000, 8000, uint32_t(i)};
    out.write(buffers[i]);
  }
  EXPECT_EQ(loop.run([&] { return owner.done.size() == 3; }, std::chrono::seconds(10)), PollLoop::End::Done);
  EXPECT_EQ(owner.done, (std::vector<wave::Buffer *>{&buffers[0], &buffers[1], &buffers[2]}));
  out.close();
}

std::atomic<int> earlierHandlerRuns{0};
void earlierHandler(int) { ++earlierHandlerRuns; }

TEST(HostLoop, CtrlCEndsTheRunAndTheEarlierHandlingComesBack) {
  struct sigaction mine {}, old {};
  mine.sa_handler = earlierHandler;
  sigemptyset(&mine.sa_mask);
  ASSERT_EQ(sigaction(SIGINT, &mine, &old), 0);
  {
    wave::DoneQueue queue;
    PollLoop loop(queue, true);
    loop.runDisplayTimer(true);
    int ticks = 0;
    loop.onDisplayTimer = [&] {
      if (++ticks == 2) ::kill(::getpid(), SIGINT);
    };
    EXPECT_EQ(loop.run({}, std::chrono::seconds(10)), PollLoop::End::Interrupted);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(earlierHandlerRuns.load(), 0);
    // A loop that runs again is not interrupted by the old press.
    EXPECT_EQ(loop.run({}, Ms(150)), PollLoop::End::TimedOut);
  }
  ::kill(::getpid(), SIGINT);
  EXPECT_EQ(earlierHandlerRuns.load(), 1);
  sigaction(SIGINT, &old, nullptr);
}

// --- The running time ------------------------------------------------------------------

TEST(HostDisplay, APipeGetsOneFinalLineATerminalARedrawnOne) {
  struct Case {
    bool terminal;
    bool complete;
    std::string written;
  } cases[] = {
      {false, false, "0:00:02 / 1:01:05\n"},
      {false, true, "1:01:05 / 1:01:05\n"},
      {true, false, "\r0:00:01 / 1:01:05\x1b[K\r0:00:02 / 1:01:05\x1b[K\r0:00:02 / 1:01:05\x1b[K\n"},
      {true, true,
       "\r0:00:01 / 1:01:05\x1b[K\r0:00:02 / 1:01:05\x1b[K\r0:00:00 / 1:01:05\x1b[K\r1:01:05 / 1:01:05\x1b[K\r1:01:05 / 1:01:05\x1b[K\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "terminal " << c.terminal << ", complete " << c.complete);
    CapturePipe pipe;
    TerminalDisplay display(pipe.writeEnd(), c.terminal);
    display.showTotalTime(1, 1, 5);
    display.showElapsedTime(0, 0, 1);
    display.showElapsedTime(0, 0, 2);
    if (c.complete) {
      display.showElapsedTime(0, 0, 0);  // Stop's reset
      display.showComplete();
    } else {
      display.hold();
      display.showElapsedTime(0, 0, 0);  // Stop's reset, after the hold
    }
    display.finish();
    display.finish();  // once
    EXPECT_EQ(pipe.read(), c.written);
  }
}

TEST(HostDisplay, ARecordingShowsNoTotalAndNothingShownWritesNothing) {
  CapturePipe pipe;
  TerminalDisplay display(pipe.writeEnd(), false);
  display.finish();
  EXPECT_EQ(pipe.read(), "");
  display.reset();
  display.showElapsedTime(0, 1, 3);
  display.finish();
  EXPECT_EQ(pipe.read(), "0:01:03\n");
}

// --- The host on virtual devices ----------------------------------------------------------

player::Selection pcFile(const std::string &name) {
  player::Selection s;
  s.pcName = name;
  return s;
}

player::Selection saveTo(const fs::path &file) {
  player::Selection s;
  s.saveAs = file;
  return s;
}

class HostVoice : public ::testing::Test {
 protected:
  // A host over a virtual output at full speed that keeps what it plays,
  // and a virtual input at full speed that hears `heard` (then silence).
  std::unique_ptr<PollHost> host(player::Selection selection, bool outputDevice = true) {
    selection.pcFolder = selection.pcFolder.empty() ? dir.path() : selection.pcFolder;
    player::HostSetup setup{ui,
                            queue,
                            [this](wave::DoneQueue &q, wave::BufferListener &l) {
                              auto d =
                                  std::make_unique<wave::VirtualOutput>(q, l, wave::VirtualOutput::Clock::Timed, outputSpeed);
                              d->setSink([this](const uint8_t *p, size_t n) {
                                played.insert(played.end(), p, p + n);
                                if (stopAfterPlayed > 0 && played.size() >= stopAfterPlayed) {
                                  stopAfterPlayed = 0;
                                  ::kill(::getpid(), SIGINT);
                                }
                              });
                              return d;
                            },
                            [this](wave::DoneQueue &q, wave::BufferListener &l) {
                              auto d = std::make_unique<wave::VirtualInput>(q, l, wave::VirtualInput::Clock::Timed, 0);
                              d->setSource([this](uint8_t *p, size_t n) {
                                for (size_t i = 0; i < n; ++i, ++heardAt)
                                  p[i] = heardAt < heard.size() ? heard[heardAt] : 0;
                                if (actAfter > 0 && heardAt >= actAfter) {
                                  actAfter = 0;
                                  act();
                                }
                              });
                              return d;
                            },
                            outputDevice,
                            mpeg,
                            wav,
                            nullptr,
                            dir / "temp",
                            std::move(selection),
                            true,
                            pipe.writeEnd(),
                            false};
    fs::create_directories(dir / "temp");
    return std::make_unique<PollHost>(setup);
  }
  std::vector<std::string> messageKeys() const {
    std::vector<std::string> keys;
    for (const auto &m : ui.messages) keys.push_back(m.textKey);
    return keys;
  }

  testsupport::TempDir dir;
  components::ScriptedJobUi ui;
  wave::DoneQueue queue;
  NoMpeg mpeg;
  NoWav wav;
  CapturePipe pipe;
  double outputSpeed = 0;  // as fast as buffers come
  Bytes played;
  size_t stopAfterPlayed = 0;  // Ctrl-C once this much has played
  Bytes heard;
  size_t heardAt = 0;
  // Runs on the input's thread once it has heard actAfter bytes.
  size_t actAfter = 0;
  std::function<void()> act;
};

TEST_F(HostVoice, AVoiceFilePlaysToItsEndWithTheDecodersSamples) {
  const Bytes coded = codedTone(2.3);  // the last chunk is short
  writeVoiceFile(dir / "tone.dvg", coded);
  auto h = host(pcFile("tone.dvg"));
  PollHost::Result r = h->play();
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.interrupted);
  EXPECT_EQ(r.errors, 0);
  EXPECT_FALSE(h->player().busy());
  EXPECT_EQ(played, decodeReference(coded));
  EXPECT_EQ(pipe.read(), "0:00:02 / 0:00:02\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HostVoice, CtrlCStopsAPlaybackWhereItIs) {
  const Bytes coded = codedTone(3);
  writeVoiceFile(dir / "tone.dvg", coded);
  outputSpeed = 4;  // fast, but not so fast that Ctrl-C comes after the end
  stopAfterPlayed = 16000;
  auto h = host(pcFile("tone.dvg"));
  PollHost::Result r = h->play();
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.interrupted);
  EXPECT_EQ(r.errors, 0);
  EXPECT_FALSE(h->player().busy());
  EXPECT_FALSE(h->player().voiceOutput().active());
  // What played is the start of the recording, not all of it; the time
  // shown is where it stopped (the decoded lead included), not the end.
  ASSERT_LT(played.size(), decodeReference(coded).size());
  Bytes start = decodeReference(coded);
  start.resize(played.size());
  EXPECT_EQ(played, start);
  const std::string shown = pipe.read();
  EXPECT_TRUE(shown == "0:00:01 / 0:00:03\n" || shown == "0:00:02 / 0:00:03\n") << shown;
}

TEST_F(HostVoice, RefusalsAreReportedAndNothingPlays) {
  writeVoiceFile(dir / "good.dvg", codedTone(1));
  testsupport::writeFile(dir / "short.dvg", Bytes(200, 0));
  struct Case {
    const char *name;
    bool outputDevice;
    const char *message;
  } cases[] = {
      {"short.dvg", true, "FM_text_system_errmsg11"},
      {"missing.dvg", true, "FM_text_system_errmsg11"},
      {"good.dvg", false, "FM_text_system_errmsg12"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ui.messages.clear();
    played.clear();
    auto h = host(pcFile(c.name), c.outputDevice);
    PollHost::Result r = h->play();
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(messageKeys(), std::vector<std::string>{c.message});
    EXPECT_TRUE(played.empty());
  }
  EXPECT_EQ(pipe.read(), "");
}

TEST_F(HostVoice, ARecordingOfSomeSecondsIsSavedUnderTheChosenName) {
  heard = pcmBytes(std::vector<int16_t>(3 * 8000, 1000));
  auto h = host(saveTo(dir / "memo"));
  PollHost::Result r = h->record(1.5);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.saved);
  EXPECT_EQ(r.errors, 0);
  EXPECT_FALSE(h->player().state().recording);
  // "memo" is saved as memo.DVG; the temporary recording has gone.
  Bytes file = testsupport::readFile(dir / "memo.DVG");
  ASSERT_GT(file.size(), voice::header::kSize);
  const size_t blocks = (file.size() - voice::header::kSize) / voice::kCodedBlockBytes;
  EXPECT_EQ((file.size() - voice::header::kSize) % voice::kCodedBlockBytes, 0u);
  // At least the seconds asked for; the device may have filled its other
  // buffers meanwhile.
  EXPECT_GE(blocks, 3u);
  EXPECT_LE(blocks, 3u + player::VoiceRecording::kBuffers);
  EXPECT_FALSE(fs::exists(dir / "temp" / player::kTempRecordingName));
  // The time shown is the time saved.
  EXPECT_EQ(pipe.read(), player::clockText(player::clockFromSeconds(blocks / 2)) + "\n");
}

TEST_F(HostVoice, CtrlCEndsARecordingAndSavesIt) {
  actAfter = 8000 * 5;
  act = [] { ::kill(::getpid(), SIGINT); };
  auto h = host(saveTo(dir / "stopped.dvg"));
  PollHost::Result r = h->record(0);
  EXPECT_TRUE(r.interrupted);
  EXPECT_TRUE(r.saved);
  EXPECT_GE(fs::file_size(dir / "stopped.dvg"), voice::header::kSize + 4 * voice::kCodedBlockBytes);
}

TEST_F(HostVoice, AnInputThatStopsEndsTheRecordingWithoutLimit) {
  // The temporary recording goes away: the next buffer cannot be appended.
  actAfter = 8000 * 3;
  act = [this] { fs::remove(dir / "temp" / player::kTempRecordingName); };
  auto h = host(saveTo(dir / "lost.dvg"));
  PollHost::Result r = h->record(0);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.inputStopped);
  EXPECT_FALSE(r.interrupted);
  EXPECT_FALSE(r.saved);
  EXPECT_FALSE(fs::exists(dir / "lost.dvg"));
}

TEST_F(HostVoice, AFailedSaveKeepsTheRecordingAndSaysSo) {
  heard = pcmBytes(std::vector<int16_t>(8000, 500));
  auto h = host(saveTo(dir / "no such folder" / "memo.dvg"));
  PollHost::Result r = h->record(0.5);
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.saved);
  EXPECT_EQ(r.errors, 1);
  EXPECT_EQ(messageKeys(), std::vector<std::string>{"FM_text_system_errmsg3"});
  EXPECT_GT(fs::file_size(dir / "temp" / player::kTempRecordingName), voice::header::kSize);
}

TEST_F(HostVoice, NoInputDeviceRefusesTheRecording) {
  player::HostSetup setup{ui, queue, {}, {}, true, mpeg, wav, nullptr, dir.path(), saveTo(dir / "x.dvg"), false,
                          pipe.writeEnd(), false};
  PollHost h(setup);
  PollHost::Result r = h.record(1);
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.errors, 1);
  EXPECT_EQ(messageKeys(), std::vector<std::string>{"FM_text_system_errmsg2"});
  EXPECT_FALSE(fs::exists(dir / "x.dvg"));
}

}  // namespace
}  // namespace e2etest
