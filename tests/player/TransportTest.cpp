// The transport commands as a state machine: play, pause, resume, stop,
// the late stop event of an earlier output, restarting an MP3, what a voice
// folder does not play, the missing output device and the key switch.
#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "Rig.h"
#include "testsupport/Files.h"

namespace playertest {
namespace {

using player::ButtonState;
using player::PlayKind;
using testsupport::pattern;

TEST(PlayerTransport, PauseAndResumeWithoutReopening) {
  PlayerRig rig;
  auto data = pattern(5000, 1);
  rig.pcVoiceFile("a.dvg", data);
  rig.playPc("a.dvg");
  rig.playOne();
  EXPECT_TRUE(rig.p().busy());

  rig.p().OnBtnPauseClick();
  EXPECT_TRUE(rig.p().state().paused);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::PlaybackPaused);
  EXPECT_EQ(std::tie(rig.buttons.record, rig.buttons.play, rig.buttons.pause), std::make_tuple(false, true, false));
  EXPECT_FALSE(rig.out->inner.playNext());  // the device holds

  rig.p().OnBtnPlayClick();
  EXPECT_FALSE(rig.p().state().paused);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Playing);
  EXPECT_EQ(rig.out->opens, 1);
  rig.playAll();
  EXPECT_TRUE(sameBytes(joined(rig.played), decodeReference(data.data(), data.size())));
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_FALSE(rig.p().busy());
}

TEST(PlayerTransport, StopIsIdempotent) {
  PlayerRig rig;
  // While idle: digits and slider to 0, buttons idle.
  rig.p().OnBtnStopClick();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 0}));
  EXPECT_EQ(rig.display.position(), 0);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  EXPECT_EQ(std::tie(rig.buttons.record, rig.buttons.play, rig.buttons.pause), std::make_tuple(true, true, true));

  rig.pcVoiceFile("a.dvg", pattern(20000, 2));
  rig.playPc("a.dvg");
  rig.playOne();
  rig.playOne();
  rig.playOne();
  rig.p().OnTimPlayDisplayTimer();
  EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 3}));
  rig.p().OnBtnPauseClick();
  for (int i = 0; i < 2; ++i) {
    rig.p().OnBtnStopClick();
    EXPECT_FALSE(rig.p().voiceOutput().active());
    EXPECT_FALSE(rig.p().state().paused);
    EXPECT_FALSE(rig.events.displayTimer);
    EXPECT_EQ(rig.display.elapsed, (Clock{0, 0, 0}));
    EXPECT_EQ(rig.display.position(), 0);
    EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  }
  EXPECT_FALSE(rig.out->inner.playNext());
  EXPECT_EQ(rig.events.runPosted(), 0);
  EXPECT_TRUE(rig.ui().messages.empty());
}

TEST(PlayerTransport, TheLateStopEventOfAnEarlierOutputIsIgnored) {
  PlayerRig rig;
  rig.pcVoiceFile("a.dvg", pattern(1000, 3));
  rig.pcVoiceFile("b.dvg", pattern(5000, 4));
  rig.playPc("a.dvg");
  // A plays out; its stop event waits in the event loop.
  while (rig.out->inner.playNext()) rig.dispatch();
  ASSERT_EQ(rig.events.posted.size(), 1u);
  rig.playPc("b.dvg");
  rig.events.runPosted();
  EXPECT_TRUE(rig.p().voiceOutput().active());
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Playing);
  EXPECT_TRUE(rig.events.displayTimer);
  EXPECT_EQ(rig.p().voiceInfo().dataSize, 5000u);
}

TEST(PlayerTransport, PlayWhileAnMp3PlaysRestartsIt) {
  PlayerRig rig;
  rig.temp.write("x.mp3", "not read by the fake");
  rig.playPc("x.mp3");
  EXPECT_EQ(rig.p().state().kind, PlayKind::Mpeg);
  EXPECT_EQ(rig.mpeg.loadedPath, (rig.temp / "x.mp3").string());
  EXPECT_TRUE(rig.mpeg.isStarted);
  EXPECT_TRUE(rig.events.mpegTimer);
  EXPECT_FALSE(rig.events.displayTimer);  // the MP3 has a display of its own
  rig.mpeg.current = 400;
  rig.mpeg.position = 9000;

  rig.p().OnBtnPlayClick();
  EXPECT_EQ(rig.mpeg.starts, 2);
  EXPECT_EQ(rig.mpeg.loads, 2);
  EXPECT_EQ(rig.mpeg.current, 0u);
  // The first output's stopped event came and was ignored.
  EXPECT_TRUE(rig.mpeg.isStarted);
  EXPECT_TRUE(rig.events.mpegTimer);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Playing);

  // An MP3 that ends by itself stops everything.
  rig.mpeg.finish();
  EXPECT_FALSE(rig.events.mpegTimer);
  EXPECT_FALSE(rig.mpeg.isLoaded);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
  // A started event that comes after the stop starts no timer.
  rig.mpeg.events->started(rig.mpeg.number);
  EXPECT_FALSE(rig.events.mpegTimer);
}

TEST(PlayerTransport, AVoiceFolderPlaysOnlyVoiceRecordings) {
  jobtest::Rig recorderRig;
  recorderRig.formatted();
  PlayerRig rig({&recorderRig.v()});
  auto &records = recorderRig.v().directory.records(1);
  for (const char *ext : {"MP3", "WAV", "TXT", ""}) {
    recorder::tFLASHFILEINFO r;
    r.name = "song";
    r.ext = ext;
    r.firstBlock = 10;
    r.pages = 3;
    r.mode = "--";
    records.push_back(r);
  }
  rig.lists.active = 1;
  for (int i = 0; i < 4; ++i) {
    rig.lists.recorderIndex = i;
    rig.p().OnBtnPlayClick();
  }
  rig.lists.recorderIndex = 9;  // no such row
  rig.p().OnBtnPlayClick();
  rig.lists.recorderIndex.reset();
  rig.p().OnBtnPlayClick();
  // Nor does the PC list play other kinds, or nothing selected.
  rig.temp.write("notes.txt", "x");
  rig.playPc("notes.txt");
  rig.lists.pcName.reset();
  rig.p().OnBtnPlayClick();

  EXPECT_EQ(rig.buttons.calls, 0);
  EXPECT_EQ(rig.p().state().kind, PlayKind::None);
  EXPECT_EQ(rig.mpeg.loads, 0);
  EXPECT_EQ(rig.wave.opens, 0);
  EXPECT_EQ(rig.out->opens, 0);
  EXPECT_TRUE(rig.ui().messages.empty());
}

TEST(PlayerTransport, WithoutAnOutputDevicePlayOnlySaysSo) {
  PlayerRig rig({nullptr, nullptr, false});
  rig.pcVoiceFile("a.dvg", pattern(1000, 5));
  rig.playPc("a.dvg");
  EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg12"});
  EXPECT_EQ(rig.ui().messages[0].captionKey, "FM_kind_errormsg0");
  EXPECT_EQ(rig.buttons.calls, 0);
  EXPECT_EQ(rig.p().state().kind, PlayKind::None);
  EXPECT_FALSE(rig.events.displayTimer);
  EXPECT_EQ(rig.out->opens, 0);
}

TEST(PlayerTransport, AnOutputThatCannotOpenStopsEverything) {
  PlayerRig rig;
  rig.pcVoiceFile("a.dvg", pattern(1000, 6));
  rig.out->refuseOpen = true;
  rig.playPc("a.dvg");
  EXPECT_EQ(rig.messageKeys(), std::vector<std::string>{"FM_text_system_errmsg6"});
  EXPECT_FALSE(rig.events.displayTimer);
  EXPECT_EQ(rig.p().state().buttons, ButtonState::Idle);
}

TEST(PlayerTransport, PauseWithNothingPlayingDoesNothing) {
  PlayerRig rig;
  rig.p().OnBtnPauseClick();
  EXPECT_EQ(rig.buttons.calls, 0);
  EXPECT_FALSE(rig.p().state().paused);
}

TEST(PlayerTransport, TheKeyCodeTogglesTheRetryPanel) {
  PlayerRig rig;
  for (int key : {'q', 'z', 't', 'k'}) rig.p().OnSldPlayPositionKeyDown(key);
  EXPECT_EQ(rig.display.retryPanel, true);
  for (int key : {'a', 'q', 'z', 't', 'k'}) rig.p().OnSldPlayPositionKeyDown(key);
  EXPECT_EQ(rig.display.retryPanel, true);  // off the boundary
  for (int key : {'x', 'x', 'x'}) rig.p().OnSldPlayPositionKeyDown(key);  // back on the boundary
  for (int key : {'Q', 'Z', 'T', 'K'}) rig.p().OnSldPlayPositionKeyDown(key);
  EXPECT_EQ(rig.display.retryPanel, false);
  EXPECT_FALSE(rig.p().retryPanelVisible());
}

}  // namespace
}  // namespace playertest
