#include <gtest/gtest.h>

#include <QSignalSpy>

#include "components/waveviews/EnvelopeEdit.h"
#include "components/waveviews/FrameMapping.h"
#include "components/waveviews/WaveViewState.h"

using namespace components;
using namespace components::waveviews;

namespace {

TEST(FrameMappingTest, WholeFramesPerColumnAtMultiplesOfTheZoom) {
  struct Case {
    int64_t start, end;
    int width;
    int64_t fpp, origin;
  };
  const Case cases[] = {
      {0, 100000, 1000, 100, 0},      // exact
      {0, 100001, 1000, 101, 0},      // rounds up so that the range fits
      {12345, 112345, 1000, 100, 12300},
      {999, 2999, 1000, 2, 998},
      {5, 1005, 1000, 1, 5},          // one frame per column
      {70, 60000070, 1920, 31250, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end));
    const FrameMapping m(c.start, c.end, c.width);
    EXPECT_FALSE(m.sampleMode());
    EXPECT_EQ(m.framesPerPixel(), c.fpp);
    EXPECT_EQ(m.origin(), c.origin);
    EXPECT_EQ(m.origin() % m.framesPerPixel(), 0);
    // Every column starts at a multiple of the zoom; frame and column agree.
    for (int x : {0, 1, c.width / 2, c.width - 1}) {
      const int64_t f = m.frameAt(x);
      EXPECT_EQ(f % c.fpp, 0);
      EXPECT_EQ(m.columnOf(f), x);
      EXPECT_EQ(m.columnOf(f + c.fpp - 1), x);
      EXPECT_DOUBLE_EQ(m.xOf(f), x);
    }
    EXPECT_LE(m.columnOf(c.end - 1), c.width);  // the range fits (the last column may be partial)
    EXPECT_EQ(m.columnOf(c.start), 0);
  }
}

TEST(FrameMappingTest, ScrollingKeepsColumnBoundaries) {
  // Two ranges of the same span a few frames apart put the same frames in
  // the same columns, shifted by whole columns.
  const FrameMapping a(100000, 200000, 500), b(100037, 200037, 500);
  ASSERT_EQ(a.framesPerPixel(), b.framesPerPixel());
  for (int64_t f : {100400, 150001, 199999}) EXPECT_EQ(a.columnOf(f) - b.columnOf(f), (b.origin() - a.origin()) / 200);
}

TEST(FrameMappingTest, FewerFramesThanPixelsDrawSamples) {
  const FrameMapping m(1000, 1100, 800);
  EXPECT_TRUE(m.sampleMode());
  EXPECT_DOUBLE_EQ(m.xOf(1000), 0);
  EXPECT_DOUBLE_EQ(m.xOf(1050), 400);
  EXPECT_EQ(m.frameAt(0), 1000);
  EXPECT_EQ(m.frameAt(7.9), 1000);
  EXPECT_EQ(m.frameAt(8), 1001);
  EXPECT_EQ(m.frameAt(799), 1099);
  // An empty or reversed range still maps.
  EXPECT_EQ(FrameMapping(5, 5, 100).end(), 6);
}

TEST(TimeGridTest, StepsAndSnap) {
  // 8000 Hz, 100 frames per pixel: 12.5 ms per pixel, 60 px apart needs 1 s.
  const FrameMapping m(0, 100000, 1000);
  const TimeGrid grid = timeGrid(m, 8000, 60);
  EXPECT_EQ(grid.stepMs, 1000);
  EXPECT_EQ(grid.frameOfLine(3), 24000);
  EXPECT_EQ(grid.lineAtOrBefore(23999), 2);
  EXPECT_EQ(grid.lineAtOrBefore(24000), 3);
  EXPECT_EQ(grid.snap(m, 24300), 24000);  // 3 px away
  EXPECT_EQ(grid.snap(m, 23700), 24000);
  EXPECT_EQ(grid.snap(m, 25000), 25000);  // 10 px away: left alone
  // 11025 Hz: lines at whole milliseconds rounded down to frames.
  const TimeGrid odd = timeGrid(FrameMapping(0, 11025, 1000), 11025, 60);
  EXPECT_EQ(odd.stepMs, 100);
  EXPECT_EQ(odd.frameOfLine(1), 1102);
  EXPECT_EQ(odd.lineAtOrBefore(1102), 1);
  EXPECT_EQ(odd.lineAtOrBefore(1101), 0);
}

TEST(EnvelopeEditTest, AddRemoveMoveScale) {
  VolumeEnvelope env;
  EXPECT_FALSE(addPoint(env, 1000, 1001, kUnityVolume));  // beyond the wave
  EXPECT_TRUE(addPoint(env, 1000, 500, 8192));             // an empty envelope becomes unity first
  EXPECT_EQ(env, (VolumeEnvelope{{0, kUnityVolume}, {500, 8192}, {1000, kUnityVolume}}));
  EXPECT_FALSE(addPoint(env, 1000, 500, 100));  // one point per frame
  EXPECT_TRUE(addPoint(env, 1000, 250, 0));
  EXPECT_DOUBLE_EQ(components::volumeAt(env, 375), 4096);
  EXPECT_DOUBLE_EQ(components::volumeAt(env, 750), (8192 + kUnityVolume) / 2.0);

  // Moving holds a point strictly between its neighbours; the ends keep their frames.
  EXPECT_EQ(movePoint(env, 2, 100, 9000), 2);
  EXPECT_EQ(env[2].position, 251);
  movePoint(env, 0, 300, 99);
  EXPECT_EQ(env[0], (VolumePoint{0, 99}));

  // Removing the ends sets them back to unity; inner points go.
  removePoints(env, {0, 2, 2});
  EXPECT_EQ(env, (VolumeEnvelope{{0, kUnityVolume}, {250, 0}, {1000, kUnityVolume}}));

  struct Scale {
    double factor;
    int32_t from, to;
  };
  for (const Scale &s : {Scale{1.122462, kUnityVolume, 18390}, Scale{0.8908987, kUnityVolume, 14596},
                         Scale{1e9, kUnityVolume, kMaxVolume}, Scale{-2, kUnityVolume, 0}}) {
    VolumeEnvelope e{{0, s.from}, {10, s.from}};
    scaleEnvelope(e, s.factor);
    EXPECT_EQ(e[0].volume, s.to) << s.factor;
  }
  EXPECT_EQ(waveviews::unityEnvelope(0), VolumeEnvelope{});
}

TEST(WaveViewStateTest, SelectionRangeAndSignals) {
  WaveViewState state;
  QSignalSpy selection(&state, &WaveViewState::selectionChanged);
  QSignalSpy range(&state, &WaveViewState::rangeChanged);
  struct Sel {
    int64_t start, end;
    bool selected;
  };
  for (const Sel &s : {Sel{-1, -1, false}, Sel{0, 0, false}, Sel{10, 5, false}, Sel{-1, 20, false},
                       Sel{0, 1, true}, Sel{100, 2000, true}}) {
    state.setSelection(s.start, s.end);
    EXPECT_EQ(state.hasSelection(), s.selected) << s.start << ".." << s.end;
  }
  state.setSelection(100, 2000);  // unchanged: no signal
  EXPECT_EQ(selection.count(), 5);

  state.setWave(10000, 8000);
  state.setRange(2000, 1000);  // reversed ends are put in order
  EXPECT_EQ(state.rangeStart(), 1000);
  EXPECT_EQ(state.rangeEnd(), 2000);
  state.scrollTo(9500);  // keeps the span within the wave
  EXPECT_EQ(state.rangeStart(), 9000);
  EXPECT_EQ(state.rangeEnd(), 10000);
  state.scrollTo(-50);
  EXPECT_EQ(state.rangeStart(), 0);
  EXPECT_EQ(range.count(), 3);

  state.setLocator(5);
  Marker m;
  m.offset = 40;
  state.setMarkers({m});
  state.reset();
  EXPECT_EQ(state.length(), 0);
  EXPECT_EQ(state.rangeEnd(), 44100);
  EXPECT_EQ(state.locator(), -1);
  EXPECT_FALSE(state.hasSelection());
  EXPECT_TRUE(state.markers().empty());
}

}  // namespace
