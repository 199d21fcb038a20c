// The editor's playback state machine over a fake output, reader, pane and
// play bar: where playing starts, the locator tick through cut regions,
// loops, jumps and scrubs, Stop and Pause, late events, the keys, and how
// the view follows the locator.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <cstdint>
#include <string>
#include <vector>

#include "components/waveedit/ListEdits.h"
#include "editor/play/Playback.h"
#include "editor/play/ViewFollow.h"

using namespace editor::play;
using components::CutList;

namespace {

// The output's counter is whatever the test says it is.
struct FakeOutput : Output {
  bool start() override {
    ++starts;
    open = refuse == false;
    counter = 0;
    paused = false;
    return open;
  }
  void restart() override {
    ++restarts;
    counter = 0;
  }
  void pause() override {
    ++pauses;
    paused = true;
  }
  void resume() override {
    ++resumes;
    paused = false;
  }
  void stop() override {
    ++stops;
    open = false;
  }
  int64_t samplesPlayed() const override { return counter; }

  bool refuse = false, open = false, paused = false;
  int starts = 0, restarts = 0, pauses = 0, resumes = 0, stops = 0;
  int64_t counter = 0;
};

// Each sample read is the wave position it came from, so the test sees
// what the output was fed. Cut regions are left out as the wave object does.
struct FakeSource : Source {
  void seek(int64_t position, int64_t endAt, const CutList *regions) override {
    pos = position;
    end = endAt;
    cuts = regions ? *regions : CutList{};
    seeks.push_back(position);
  }
  size_t read(int16_t *samples, size_t count) override {
    size_t n = 0;
    while (n < count) {
      pos = components::skipCuts(cuts, pos);
      if (pos >= end) break;
      fed.push_back(pos);
      samples[n++] = static_cast<int16_t>(pos & 0x7fff);
      ++pos;
    }
    return n;
  }
  int64_t pos = 0, end = 0;
  CutList cuts;
  std::vector<int64_t> seeks, fed;
};

struct FakePane : Pane {
  int64_t waveStart() const override { return start; }
  int64_t waveEnd() const override { return end; }
  const CutList &cuts() const override { return regions; }
  bool isEditPane() const override { return edit; }
  int64_t locator() const override { return loc; }
  void setLocator(int64_t frame) override { loc = frame; }
  int64_t selectionStart() const override { return selStart; }
  int64_t selectionEnd() const override { return selEnd; }
  ViewGeometry geometry() const override { return view; }
  void scrollTo(int64_t rangeStart) override {
    const int64_t span = view.rangeEnd - view.rangeStart;
    view.rangeStart = rangeStart;
    view.rangeEnd = rangeStart + span;
  }
  bool scrollerDragging() const override { return dragging; }
  void setLocked(bool on) override { locked = on; }
  void selectionApplied() override { ++applied; }
  void addMarker(int64_t frame) override { markers.push_back(frame); }

  int64_t start = 0, end = 100000;
  CutList regions;
  bool edit = true;
  int64_t loc = 0, selStart = -1, selEnd = -1;
  ViewGeometry view{0, 100000, 1000, 100000, 8000, false};
  bool dragging = false, locked = false;
  int applied = 0;
  std::vector<int64_t> markers;
};

struct FakeBar : Bar {
  bool repeatChecked() const override { return repeat; }
  void showState(BarState s) override { state = s; }
  void setLocatorTimer(bool on, uint64_t s) override {
    timer = on;
    timerSession = s;
  }
  bool repeat = false, timer = false;
  BarState state = BarState::Idle;
  uint64_t timerSession = 0;
};

class PlaybackTest : public ::testing::Test {
 protected:
  PlaybackTest() { playback.setPane(&pane); }

  // The output opened and reported its start, as the pump does.
  void startPlay() {
    playback.play();
    playback.outputStarted(playback.session());
  }
  void startSelection() {
    playback.playSelection();
    playback.outputStarted(playback.session());
  }
  // The output pulls `samples` ahead, in buffers of 2048 as the pump does.
  void pull(int64_t samples) {
    std::vector<int16_t> buffer(2048);
    while (samples > 0) {
      size_t n = playback.feed(buffer.data(), std::min<size_t>(buffer.size(), samples));
      if (n == 0) return;
      samples -= static_cast<int64_t>(n);
    }
  }
  void tickAt(int64_t counter) {
    output.counter = counter;
    playback.tick(playback.session());
  }

  FakeOutput output;
  FakeSource source;
  FakePane pane;
  FakeBar bar;
  Playback playback{output, source, bar};
};

// ---- The locator tick ----

struct TickCase {
  const char *name;
  friend void PrintTo(const TickCase &c, std::ostream *os) { *os << c.name; }
  CutList cuts;
  bool selection;  // Play Selection of [900, 5000) instead of Play
  int64_t locator;
  std::vector<int64_t> counters;
  std::vector<int64_t> positions;
};

class TickMapping : public PlaybackTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(TickMapping, LocatorFollowsTheCounterThroughTheCuts) {
  const TickCase &c = GetParam();
  pane.regions = c.cuts;
  pane.loc = c.locator;
  if (c.selection) {
    pane.selStart = 900;
    pane.selEnd = 5000;
    startSelection();
  } else {
    startPlay();
  }
  ASSERT_TRUE(bar.timer);
  for (size_t i = 0; i < c.counters.size(); ++i) {
    tickAt(c.counters[i]);
    EXPECT_EQ(playback.playPosition(), c.positions[i]) << "tick " << i;
    EXPECT_EQ(pane.loc, c.positions[i]) << "tick " << i;
    EXPECT_EQ(playback.lastOutputCount(), c.counters[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TickMapping,
    ::testing::Values(
        TickCase{"NoCuts", {}, false, 100, {240, 480}, {340, 580}},
        // [1000, 1499) and [1500, 1600): sample 1499 plays between them.
        // From 900, 119 samples are 900..999, 1499 and 1600..1617: both
        // regions (599 samples) are passed in one tick.
        TickCase{"TwoRegionsInOneTick", {{1000, 499, 0}, {1500, 100, 0}}, false, 900, {50, 119}, {950, 1618}},
        TickCase{"ExactlyAtARegionStart", {{1000, 499, 0}, {1500, 100, 0}}, false, 900, {100, 101}, {1499, 1600}},
        // Three regions passed between ticks, one of them far away.
        TickCase{"ManyRegionsInOneTick",
                 {{200, 10, 0}, {300, 10, 0}, {400, 100, 0}},
                 false,
                 0,
                 {150, 430},
                 {150, 550}},
        TickCase{"SelectionAddsNoCutLengths", {{1000, 499, 0}, {1500, 100, 0}}, true, 0, {50, 119}, {950, 1019}},
        TickCase{"HeldAtTheRangeEnd", {}, true, 0, {4000, 4200}, {4900, 5000}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, NextCutStartTracksThePosition) {
  pane.regions = {{1000, 499, 0}, {1500, 100, 0}, {3000, 10, 0}};
  startPlay();
  EXPECT_EQ(playback.nextCutStart(), 1000);
  tickAt(1200);  // 0..999, 1499, 1600..1798
  EXPECT_EQ(playback.playPosition(), 1799);
  EXPECT_EQ(playback.nextCutStart(), 3000);
  tickAt(3000);
  EXPECT_EQ(playback.nextCutStart(), INT64_MAX);
}

TEST_F(PlaybackTest, TicksWaitWhileTheUserDragsTheScroller) {
  startPlay();
  pane.dragging = true;
  tickAt(500);
  EXPECT_EQ(playback.playPosition(), 500);
  EXPECT_EQ(pane.loc, 0);
  pane.dragging = false;
  tickAt(600);
  EXPECT_EQ(pane.loc, 600);
}

// ---- Where playing starts ----

struct StartCase {
  const char *name;
  friend void PrintTo(const StartCase &c, std::ostream *os) { *os << c.name; }
  CutList cuts;
  int64_t locator;
  bool plays;
  int64_t from, rangeStart;
};

class PlayStart : public PlaybackTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(PlayStart, FromThePlayableLocator) {
  const StartCase &c = GetParam();
  pane.end = 10000;
  pane.regions = c.cuts;
  pane.loc = c.locator;
  playback.play();
  EXPECT_EQ(output.starts, c.plays ? 1 : 0);
  EXPECT_EQ(playback.active(), c.plays);
  EXPECT_EQ(bar.state, c.plays ? BarState::Playing : BarState::Idle);
  if (!c.plays) return;
  EXPECT_EQ(playback.mode(), 1);
  EXPECT_EQ(playback.playStart(), c.from);
  EXPECT_EQ(pane.loc, c.from);
  EXPECT_EQ(playback.rangeStart(), c.rangeStart);
  EXPECT_EQ(playback.rangeEnd(), 10000);
  EXPECT_EQ(source.seeks.front(), c.from);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayStart,
    ::testing::Values(StartCase{"Plain", {}, 1234, true, 1234, 0},
                      StartCase{"InsideARegion", {{1000, 500, 0}}, 1200, true, 1500, 0},
                      StartCase{"InsideTwoJoinedRegions", {{1000, 500, 0}, {1500, 10, 0}}, 1000, true, 1510, 0},
                      StartCase{"AtTheRegionEndPlays", {{1000, 500, 0}}, 1500, true, 1500, 0},
                      StartCase{"RegionAtTheStart", {{0, 100, 0}}, 50, true, 100, 100},
                      StartCase{"RegionToTheEnd", {{9000, 1000, 0}}, 9500, true, 0, 0},
                      StartCase{"LocatorAtTheEnd", {}, 10000, true, 0, 0},
                      StartCase{"EverythingCut", {{0, 10000, 0}}, 0, false, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, FeedLeavesTheCutsOutInModeOneOnly) {
  pane.end = 20;
  pane.regions = {{5, 5, 0}};
  startPlay();
  pull(100);
  EXPECT_EQ(source.fed, (std::vector<int64_t>{0, 1, 2, 3, 4, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
  playback.stop();
  source.fed.clear();
  pane.selStart = 3;
  pane.selEnd = 8;
  startSelection();
  pull(100);
  EXPECT_EQ(source.fed, (std::vector<int64_t>{3, 4, 5, 6, 7}));
}

struct SelectionCase {
  const char *name;
  friend void PrintTo(const SelectionCase &c, std::ostream *os) { *os << c.name; }
  int64_t start, end;
};

class NoSelection : public PlaybackTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(NoSelection, PlaysNothing) {
  pane.selStart = GetParam().start;
  pane.selEnd = GetParam().end;
  pane.loc = 77;
  playback.playSelection();
  EXPECT_EQ(output.starts, 0);
  EXPECT_FALSE(playback.active());
  EXPECT_EQ(pane.loc, 77);
}

INSTANTIATE_TEST_SUITE_P(Cases, NoSelection,
                         ::testing::Values(SelectionCase{"ZeroLength", 500, 500}, SelectionCase{"Reversed", 600, 500},
                                           SelectionCase{"None", -1, -1}, SelectionCase{"HalfNegative", -1, 500},
                                           SelectionCase{"BeyondTheEnd", 100000, 100500}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, ARefusedOutputLeavesThePlayBarIdle) {
  output.refuse = true;
  playback.play();
  EXPECT_FALSE(playback.active());
  EXPECT_EQ(bar.state, BarState::Idle);
  EXPECT_FALSE(pane.locked);
}

TEST_F(PlaybackTest, TheStartEventLocksThePaneAndStartsTheTimer) {
  playback.play();
  EXPECT_FALSE(pane.locked);
  EXPECT_FALSE(bar.timer);
  playback.outputStarted(playback.session());
  EXPECT_TRUE(pane.locked);
  EXPECT_TRUE(bar.timer);
  EXPECT_EQ(bar.timerSession, playback.session());
  playback.play();  // ignored while the device is open
  EXPECT_EQ(output.starts, 1);
}

// ---- Stop, Pause, the end ----

struct StopCase {
  const char *name;
  friend void PrintTo(const StopCase &c, std::ostream *os) { *os << c.name; }
  bool selection;
  bool pauseFirst;
  int64_t expected;
};

class StopPosition : public PlaybackTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopPosition, LocatorGoesToTheStartOfWhatPlayed) {
  const StopCase &c = GetParam();
  pane.start = 0;
  pane.loc = 3000;
  pane.selStart = 2000;
  pane.selEnd = 9000;
  if (c.selection)
    startSelection();
  else
    startPlay();
  tickAt(1000);
  if (c.pauseFirst) playback.pause();
  playback.stop();
  EXPECT_EQ(pane.loc, c.expected);
  EXPECT_FALSE(playback.active());
  EXPECT_FALSE(output.open);
  EXPECT_FALSE(bar.timer);
  EXPECT_FALSE(pane.locked);
  EXPECT_EQ(bar.state, BarState::Idle);
}

INSTANTIATE_TEST_SUITE_P(Cases, StopPosition,
                         ::testing::Values(StopCase{"Play", false, false, 0},
                                           StopCase{"PlaySelection", true, false, 2000},
                                           StopCase{"PausedSelection", true, true, 2000},
                                           StopCase{"PausedPlay", false, true, 0}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, PauseKeepsThePositionAndPlayGoesOnFromIt) {
  pane.regions = {{5000, 100, 0}};
  pane.loc = 4000;
  startPlay();
  output.counter = 1100;  // no tick since: Pause takes the position itself
  playback.pause();
  EXPECT_EQ(playback.state(), PlayState::Paused);
  EXPECT_EQ(bar.state, BarState::Paused);
  EXPECT_EQ(pane.loc, 5200);
  EXPECT_FALSE(output.open);
  EXPECT_FALSE(pane.locked);
  startPlay();
  EXPECT_EQ(playback.mode(), 1);
  EXPECT_EQ(playback.playStart(), 5200);
  EXPECT_EQ(playback.rangeStart(), 0);
}

TEST_F(PlaybackTest, PausedSelectionGoesOnFromTheLocatorToItsEnd) {
  pane.selStart = 1000;
  pane.selEnd = 3000;
  startSelection();
  tickAt(500);
  playback.pause();
  startPlay();  // Play resumes the selection
  EXPECT_EQ(playback.mode(), 2);
  EXPECT_EQ(playback.playStart(), 1500);
  EXPECT_EQ(playback.rangeStart(), 1000);
  EXPECT_EQ(playback.rangeEnd(), 3000);
  // A locator moved out of the selection while paused starts it again.
  playback.pause();
  pane.loc = 50;
  playback.playSelection();
  EXPECT_EQ(playback.playStart(), 1000);
}

TEST_F(PlaybackTest, EndOfDataReturnsToThePlayStart) {
  pane.end = 3000;
  pane.loc = 1000;
  startPlay();
  pull(5000);
  tickAt(1500);
  EXPECT_EQ(pane.loc, 2500);
  playback.outputPlayedOut(playback.session());
  EXPECT_FALSE(playback.active());
  EXPECT_EQ(pane.loc, 1000);
  EXPECT_FALSE(pane.locked);
  EXPECT_FALSE(bar.timer);
  EXPECT_EQ(bar.state, BarState::Idle);
}

TEST_F(PlaybackTest, PlayedOutBeforeTheDataEndedIsIgnored) {
  startPlay();
  pull(4096);
  playback.outputPlayedOut(playback.session());
  EXPECT_TRUE(playback.playing());
}

TEST_F(PlaybackTest, LateEventsOfAnEndedSessionDoNothing) {
  pane.end = 3000;
  startPlay();
  const uint64_t old = playback.session();
  pull(5000);
  playback.pause();
  pane.loc = 123;
  // Events of the paused session, then of a new one that was stopped.
  playback.outputStarted(old);
  output.counter = 2000;
  playback.tick(old);
  playback.outputPlayedOut(old);
  EXPECT_EQ(pane.loc, 123);
  EXPECT_FALSE(pane.locked);
  EXPECT_FALSE(bar.timer);
  EXPECT_EQ(playback.state(), PlayState::Paused);

  playback.play();
  const uint64_t second = playback.session();
  EXPECT_NE(second, old);
  playback.stop();
  playback.outputStarted(second);
  playback.tick(second);
  playback.outputPlayedOut(second);
  EXPECT_EQ(pane.loc, 0);
  EXPECT_FALSE(pane.locked);
  EXPECT_FALSE(bar.timer);
  EXPECT_EQ(bar.state, BarState::Idle);
}

TEST_F(PlaybackTest, SwitchingPanesStopsAndUnlocks) {
  startPlay();
  FakePane other;
  playback.setPane(&other);
  EXPECT_FALSE(playback.active());
  EXPECT_FALSE(pane.locked);
  EXPECT_FALSE(output.open);
  playback.setEnabled(false);
  playback.play();
  EXPECT_EQ(output.starts, 1);
}

// ---- Loop and repeat ----

TEST_F(PlaybackTest, RepeatLoopsBackToTheRangeStart) {
  pane.end = 1000;
  pane.regions = {{0, 100, 0}};
  pane.loc = 600;
  bar.repeat = true;
  startPlay();
  EXPECT_TRUE(playback.looping());
  pull(2000);  // 400 samples to the end, then from 100 on
  EXPECT_EQ(source.fed[400], 100);
  tickAt(399);
  EXPECT_EQ(pane.loc, 999);
  tickAt(450);
  EXPECT_EQ(pane.loc, 150);
  EXPECT_EQ(playback.playStart(), 100);
  EXPECT_EQ(playback.loopStart(), 100);
  // A second wrap, 900 samples later.
  tickAt(1300 + 5);
  EXPECT_EQ(pane.loc, 105);
  playback.outputPlayedOut(playback.session());
  EXPECT_TRUE(playback.playing());
}

TEST_F(PlaybackTest, SelectionRepeatLoopsWithinTheSelection) {
  pane.selStart = 200;
  pane.selEnd = 300;
  bar.repeat = true;
  startSelection();
  pull(250);
  EXPECT_EQ(source.fed.back(), 249);
  tickAt(130);
  EXPECT_EQ(pane.loc, 230);
}

// With Repeat, a jump loops back after the release to where the pass
// before it would have looped, even when the feed had already wrapped to the
// jump's sample while the button was held.
TEST_F(PlaybackTest, JumpWithRepeatLoopsBackToThePassBeforeIt) {
  pane.end = 1000;
  pane.loc = 300;
  bar.repeat = true;
  startPlay();
  tickAt(100);
  ASSERT_TRUE(playback.mousePress(900, Edge::None));
  EXPECT_EQ(playback.mouseMode(), 1);
  EXPECT_EQ(output.restarts, 1);
  EXPECT_EQ(pane.loc, 900);
  EXPECT_EQ(playback.playStart(), 900);
  pull(150);  // 100 to the end, then the held jump's loop from 900
  EXPECT_EQ(source.fed[100], 900);
  playback.mouseRelease(900);
  EXPECT_EQ(playback.playStart(), 300);
  EXPECT_EQ(playback.loopStart(), 0);
  EXPECT_TRUE(playback.looping());
  EXPECT_EQ(output.restarts, 2);  // what was queued after the end goes again
  source.fed.clear();
  output.counter = 0;
  // Fed again from the output's position: the loop goes to the range start.
  pull(10000);
  ASSERT_GE(source.fed.size(), 101u);
  EXPECT_EQ(source.fed[100], 0);
  tickAt(120);
  EXPECT_EQ(pane.loc, 20);
}

TEST_F(PlaybackTest, JumpWithoutRepeatEndsAtTheEnd) {
  pane.end = 1000;
  pane.loc = 300;
  startPlay();
  ASSERT_TRUE(playback.mousePress(950, Edge::None));
  EXPECT_TRUE(playback.looping());  // while held
  playback.mouseRelease(950);
  EXPECT_FALSE(playback.looping());
  EXPECT_EQ(playback.playStart(), 950);
  pull(1000);
  EXPECT_EQ(source.fed.size(), 50u);
  playback.outputPlayedOut(playback.session());
  EXPECT_FALSE(playback.active());
  EXPECT_EQ(pane.loc, 950);
}

TEST_F(PlaybackTest, ScrubPausesOnceAndReleaseResumesWhereLetGo) {
  pane.regions = {{5000, 1000, 0}};
  startPlay();
  tickAt(100);
  ASSERT_TRUE(playback.mousePress(2000, Edge::None));
  playback.mouseMove(2100);
  playback.mouseMove(2400);
  playback.mouseMove(5500);  // into a cut region
  EXPECT_EQ(output.pauses, 1);
  EXPECT_TRUE(output.paused);
  EXPECT_FALSE(playback.playing());
  EXPECT_EQ(pane.loc, 5500);
  tickAt(50);  // no tick moves the locator while scrubbing
  EXPECT_EQ(pane.loc, 5500);
  playback.mouseRelease(5500);
  EXPECT_FALSE(output.paused);
  EXPECT_EQ(output.resumes, 1);
  EXPECT_TRUE(playback.playing());
  EXPECT_EQ(pane.loc, 6000);  // the region is skipped
  EXPECT_EQ(source.seeks.back(), 6000);
  EXPECT_EQ(playback.playStart(), 6000);
  tickAt(10);
  EXPECT_EQ(pane.loc, 6010);
}

TEST_F(PlaybackTest, EdgeDragReleasePlaysTheWholeFileFromTheSelection) {
  pane.selStart = 2000;
  pane.selEnd = 4000;
  pane.regions = {{3000, 10, 0}};
  startSelection();
  ASSERT_TRUE(playback.mousePress(4000, Edge::SelectionEnd));
  EXPECT_EQ(playback.mouseMode(), 3);
  EXPECT_EQ(output.restarts, 0);
  pane.selStart = 2500;  // the view moved the edge
  playback.mouseRelease(0);
  EXPECT_EQ(pane.applied, 1);
  EXPECT_EQ(playback.mode(), 1);
  EXPECT_EQ(playback.playStart(), 2500);
  EXPECT_EQ(playback.rangeEnd(), pane.end);
  EXPECT_EQ(output.starts, 2);
  playback.outputStarted(playback.session());
  tickAt(510);
  EXPECT_EQ(pane.loc, 3020);  // mode 1 again: the region is skipped
}

TEST_F(PlaybackTest, MouseDoesNothingWhenNotPlaying) {
  EXPECT_FALSE(playback.mousePress(500, Edge::None));
  EXPECT_FALSE(playback.rightPress(500));
  startPlay();
  EXPECT_TRUE(playback.rightPress(700));
  EXPECT_EQ(pane.markers, std::vector<int64_t>{700});
  pane.edit = false;
  EXPECT_FALSE(playback.rightPress(800));
}

// ---- Keys ----

struct KeyCase {
  const char *name;
  friend void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }
  NavKey key;
  int64_t locator;
  int64_t expected;
};

class NavigationKeys : public PlaybackTest, public ::testing::WithParamInterface<KeyCase> {};

// A wave of 100000 samples, the view showing 10000 over 1000 pixels: 10 per pixel.
TEST_P(NavigationKeys, MoveTheLocatorWithinTheWave) {
  const KeyCase &c = GetParam();
  pane.view = {0, 10000, 1000, 100000, 8000, false};
  pane.loc = c.locator;
  EXPECT_TRUE(playback.key(c.key));
  EXPECT_EQ(pane.loc, c.expected);
  EXPECT_FALSE(playback.active());
  // The view follows: the locator is visible.
  EXPECT_GE(pane.loc, pane.view.rangeStart);
  EXPECT_LE(pane.loc, pane.view.rangeEnd);
}

INSTANTIATE_TEST_SUITE_P(Cases, NavigationKeys,
                         ::testing::Values(KeyCase{"PageUp", NavKey::PageUp, 500, 600},
                                           KeyCase{"PageUpAtTheEnd", NavKey::PageUp, 100000, 100000},
                                           KeyCase{"PageUpNearTheEnd", NavKey::PageUp, 99950, 100000},
                                           KeyCase{"PageDown", NavKey::PageDown, 500, 400},
                                           KeyCase{"PageDownAtTheStart", NavKey::PageDown, 50, 0},
                                           KeyCase{"Left", NavKey::Left, 500, 490},
                                           KeyCase{"Right", NavKey::Right, 500, 510},
                                           KeyCase{"Home", NavKey::Home, 5000, 0},
                                           KeyCase{"End", NavKey::End, 5000, 100000},
                                           KeyCase{"Backspace", NavKey::Backspace, 5000, 0}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, KeysWhilePlaying) {
  pane.loc = 4000;
  startPlay();
  tickAt(300);
  EXPECT_FALSE(playback.key(NavKey::Left));
  EXPECT_FALSE(playback.key(NavKey::End));
  EXPECT_EQ(pane.loc, 4300);
  // Backspace starts the pass again at the play start.
  EXPECT_TRUE(playback.key(NavKey::Backspace));
  EXPECT_EQ(pane.loc, 4000);
  EXPECT_EQ(output.restarts, 1);
  tickAt(20);
  EXPECT_EQ(pane.loc, 4020);
  EXPECT_TRUE(playback.key(NavKey::Enter));
  EXPECT_EQ(pane.markers, std::vector<int64_t>{4020});
  // Space stops while playing, plays when stopped.
  EXPECT_TRUE(playback.key(NavKey::PlayStop));
  EXPECT_FALSE(playback.active());
  EXPECT_TRUE(playback.key(NavKey::PlayStop));
  EXPECT_TRUE(playback.active());
}

TEST_F(PlaybackTest, KeysThatDoNothing) {
  pane.edit = false;
  EXPECT_FALSE(playback.key(NavKey::Enter));  // markers live in the edit pane
  pane.edit = true;
  playback.setEnabled(false);
  pane.loc = 500;
  for (NavKey k : {NavKey::PlayStop, NavKey::Enter, NavKey::Right}) EXPECT_FALSE(playback.key(k));
  EXPECT_EQ(pane.loc, 500);
  EXPECT_EQ(output.starts, 0);
  EXPECT_TRUE(pane.markers.empty());
  playback.setEnabled(true);
  pane.end = 0;  // no file
  EXPECT_FALSE(playback.key(NavKey::PlayStop));
}

// ---- The view follows ----

struct FollowCase {
  const char *name;
  friend void PrintTo(const FollowCase &c, std::ostream *os) { *os << c.name; }
  bool playing;
  ViewGeometry view;
  int64_t frame;
  int64_t expected;
};

class Follow : public ::testing::TestWithParam<FollowCase> {};

TEST_P(Follow, RangeStart) {
  const FollowCase &c = GetParam();
  EXPECT_EQ(c.playing ? followPlaying(c.view, c.frame) : followDragging(c.view, c.frame), c.expected);
}

// 1000 frames over 100 pixels: the right margin begins at frame 950.
INSTANTIATE_TEST_SUITE_P(
    Cases, Follow,
    ::testing::Values(FollowCase{"Visible", true, {0, 1000, 100, 100000, 8000, false}, 940, 0},
                      FollowCase{"FourFifths", true, {0, 1000, 100, 100000, 8000, false}, 960, 800},
                      FollowCase{"FarBeyond", true, {0, 1000, 100, 100000, 8000, false}, 5000, 4800},
                      FollowCase{"HeldAtTheEnd", true, {98500, 99500, 100, 100000, 8000, false}, 99499, 99000},
                      FollowCase{"AtTheEndAlready", true, {99000, 100000, 100, 100000, 8000, false}, 99990, 99000},
                      FollowCase{"LeftOfTheView", true, {5000, 6000, 100, 100000, 8000, false}, 1234, 1234},
                      // 1000 frames at 8000 Hz is 125 ms: half steps when asked.
                      FollowCase{"HalfSteps", true, {0, 1000, 100, 100000, 8000, true}, 960, 500},
                      FollowCase{"NoHalfStepsInAWideView", true, {0, 2000, 100, 100000, 8000, true}, 1960, 1600},
                      FollowCase{"DragRight", false, {0, 1000, 100, 100000, 8000, false}, 960, 500},
                      FollowCase{"DragLeft", false, {5000, 6000, 100, 100000, 8000, false}, 5010, 4500},
                      FollowCase{"DragLeftAtTheStart", false, {0, 1000, 100, 100000, 8000, false}, 0, 0},
                      FollowCase{"KeyFarLeft", false, {5000, 6000, 100, 100000, 8000, false}, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
