#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ViewFixture.h"
#include "components/waveviews/EnvelopeEdit.h"
#include "components/waveviews/EnvelopeView.h"
#include "components/waveviews/MarkerStrip.h"
#include "components/waveviews/RangeScroller.h"
#include "components/waveviews/TimeRuler.h"
#include "components/waveviews/WaveformView.h"

using namespace components;
using namespace components::waveviews;
using namespace waveviews_test;

namespace {

Marker marker(uint32_t id, uint32_t next, int64_t offset, const char *name, bool fixed = false) {
  Marker m;
  m.id = id;
  m.nextId = next;
  m.offset = offset;
  m.name = name;
  m.fixed = fixed;
  return m;
}

// A wave of 100 000 frames at 8000 Hz on views 1000 pixels wide.
class PaneViewsTest : public testing::Test {
 protected:
  void SetUp() override {
    state.setWave(100000, 8000);
    state.setRange(0, 100000);
  }
  WaveViewState state;
};

TEST_F(PaneViewsTest, RulerSharesTheMappingAndDragsZoomRanges) {
  TimeRuler ruler(&state);
  ruler.resize(1000, 20);
  state.setRange(12345, 112345);
  const FrameMapping m = ruler.mapping();
  EXPECT_EQ(m.origin(), 12300);
  EXPECT_EQ(ruler.frameAt(10), 13300);
  EXPECT_EQ(ruler.label(8000 * 61 + 4), "1:01.000");
  EXPECT_EQ(ruler.label(8000LL * 3600 + 8), "1:00:00.001");
  EXPECT_EQ(ruler.label(8000LL * 86400 * 2), "2:00:00:00.000");

  QSignalSpy zoomEnd(&ruler, &TimeRuler::zoomEnd);
  QSignalSpy locator(&ruler, &TimeRuler::locatorChanged);
  drag(&ruler, 100, 300);
  ASSERT_EQ(zoomEnd.count(), 1);
  EXPECT_EQ(zoomEnd[0][0].toLongLong(), 22300);
  EXPECT_EQ(zoomEnd[0][1].toLongLong(), 42300);
  mouse(&ruler, QEvent::MouseButtonPress, 400);
  mouse(&ruler, QEvent::MouseButtonRelease, 400);
  ASSERT_EQ(locator.count(), 1);
  EXPECT_EQ(state.locator(), 52300);

  TimeRuler whole(&state, WaveViewBase::Span::Whole);
  whole.resize(1000, 20);
  EXPECT_EQ(whole.frameAt(500), 50000);
}

TEST_F(PaneViewsTest, MarkerStripFindsAndDragsMarkers) {
  MarkerStrip strip(&state);
  strip.resize(1000, 20);
  state.setMarkers({marker(1, 2, 20000, "Intro"), marker(2, 1, 60000, "Outro"), marker(3, 0, 80000, "Fixed", true)});
  EXPECT_EQ(strip.markerAt(200), 0);
  EXPECT_EQ(strip.markerAt(198), 0);
  EXPECT_EQ(strip.markerAt(210), 0);  // on its name
  EXPECT_EQ(strip.markerAt(601), 1);
  EXPECT_EQ(strip.markerAt(400), -1);
  EXPECT_EQ(strip.markerAt(150), -1);
  strip.grab();  // draws linked partners and names without trouble

  // Not editable: a drag moves nothing.
  drag(&strip, 200, 300);
  EXPECT_EQ(state.markers()[0].offset, 20000);

  strip.setEditable(true);
  QSignalSpy started(&strip, &MarkerStrip::markerDragStarted);
  QSignalSpy moved(&strip, &MarkerStrip::markerMoved);
  QSignalSpy cursor(&state, &WaveViewState::secondaryCursorChanged);
  drag(&strip, 200, 300);
  ASSERT_EQ(started.count(), 1);
  EXPECT_EQ(started[0][0].toUInt(), 1u);
  EXPECT_GT(cursor.count(), 2);  // the secondary cursor follows the drag...
  EXPECT_EQ(state.secondaryCursor(), -1);  // ...and goes on release
  ASSERT_EQ(moved.count(), 1);
  EXPECT_EQ(moved[0][1].toLongLong(), 30000);
  EXPECT_EQ(state.markers()[0].offset, 30000);
  EXPECT_EQ(state.markers()[0].nextId, 2u);

  drag(&strip, 800, 900);  // fixed markers stay
  EXPECT_EQ(state.markers()[2].offset, 80000);
  mouse(&strip, QEvent::MouseButtonPress, 450);  // away from markers: the locator
  EXPECT_EQ(state.locator(), 45000);
}

TEST_F(PaneViewsTest, RangeScrollerMovesResizesAndPages) {
  RangeScroller scroller(&state);
  scroller.resize(1000, 18);
  state.setRange(10000, 30000);
  EXPECT_EQ(scroller.thumbRect().left(), 100);
  EXPECT_EQ(scroller.thumbRect().right(), 299);
  scroller.setText("0:02.500");
  EXPECT_EQ(scroller.text(), "0:02.500");

  QSignalSpy range(&scroller, &RangeScroller::rangeChanged);
  QSignalSpy finished(&scroller, &RangeScroller::dragFinished);
  struct Case {
    int from, to;
    int64_t start, end;
  };
  const Case cases[] = {
      {200, 400, 30000, 50000},   // the middle moves the range
      {200, 2000, 80000, 100000}, // up to the end
      {101, 151, 15000, 30000},   // the left end resizes
      {298, 498, 10000, 50000},   // the right end resizes
      {700, 700, 30000, 50000},   // beside the thumb: one span on
      {50, 50, 0, 20000},         // and back, not below 0
  };
  for (const Case &c : cases) {
    state.setRange(10000, 30000);
    drag(&scroller, c.from, c.to);
    EXPECT_EQ(state.rangeStart(), c.start) << c.from << "->" << c.to;
    EXPECT_EQ(state.rangeEnd(), c.end) << c.from << "->" << c.to;
  }
  EXPECT_FALSE(range.isEmpty());
  EXPECT_EQ(finished.count(), 4);
  EXPECT_FALSE(scroller.isDragging());
}

TEST_F(PaneViewsTest, EnvelopeViewAddsDeletesScalesAndResets) {
  EnvelopeView view(&state);
  view.resize(1000, 71);  // 64 usable pixels: twice unity at the top
  state.setEnvelope(waveviews::unityEnvelope(100000));
  const int unityY = view.yOfVolume(kUnityVolume);
  EXPECT_EQ(view.volumeAtY(unityY), kUnityVolume);
  EXPECT_EQ(view.volumeAtY(3), 2 * kUnityVolume);
  EXPECT_EQ(view.volumeAtY(67), 0);

  // New at a free spot; not on an existing point.
  EXPECT_FALSE(view.canAddAt({0, unityY}));
  ASSERT_TRUE(view.canAddAt({500, 3}));
  EXPECT_TRUE(view.addPointAt({500, 3}));
  ASSERT_EQ(state.envelope().size(), 3u);
  EXPECT_EQ(state.envelope()[1], (VolumePoint{50000, 2 * kUnityVolume}));
  EXPECT_EQ(view.pointAt({501, 5}), 1);
  EXPECT_FALSE(view.addPointAt({500, 3}));

  // A double click adds with edit signals around it; a drag moves the point.
  QSignalSpy started(&view, &EnvelopeView::editStarted);
  QSignalSpy finished(&view, &EnvelopeView::editFinished);
  mouse(&view, QEvent::MouseButtonDblClick, 250, Qt::LeftButton, Qt::NoModifier, unityY);
  ASSERT_EQ(state.envelope().size(), 4u);
  EXPECT_EQ(started.count(), 1);
  EXPECT_EQ(finished.count(), 1);
  mouse(&view, QEvent::MouseButtonPress, 500, Qt::LeftButton, Qt::NoModifier, 3);
  mouse(&view, QEvent::MouseMove, 700, Qt::LeftButton, Qt::NoModifier, unityY);
  mouse(&view, QEvent::MouseButtonRelease, 700, Qt::LeftButton, Qt::NoModifier, unityY);
  EXPECT_EQ(state.envelope()[2], (VolumePoint{70000, kUnityVolume}));
  EXPECT_EQ(started.count(), 2);
  EXPECT_EQ(view.selectedPoints(), (std::set<int>{2}));

  // Delete: the selection first, else the point under the pointer.
  EXPECT_TRUE(view.canDeleteAt({900, 10}));
  EXPECT_TRUE(view.deleteAt({900, 10}));
  EXPECT_EQ(state.envelope().size(), 3u);
  EXPECT_TRUE(view.selectedPoints().empty());
  EXPECT_FALSE(view.canDeleteAt({900, 10}));
  EXPECT_TRUE(view.deleteAt({250, unityY}));
  EXPECT_EQ(state.envelope(), waveviews::unityEnvelope(100000));

  view.multiply(1.122462);
  EXPECT_EQ(state.envelope()[0].volume, 18390);
  EXPECT_EQ(state.envelope()[1].volume, 18390);
  view.multiply(0.8908987);
  EXPECT_EQ(state.envelope()[0].volume, 16384);
  view.reset();
  EXPECT_EQ(state.envelope(), waveviews::unityEnvelope(100000));
  view.grab();
}

TEST_F(PaneViewsTest, EveryViewHasNames) {
  WaveformView wave(&state);
  OverviewView overview(&state);
  TimeRuler ruler(&state);
  MarkerStrip strip(&state);
  RangeScroller scroller(&state);
  EnvelopeView envelope(&state);
  for (QWidget *w : std::initializer_list<QWidget *>{&wave, &overview, &ruler, &strip, &scroller, &envelope}) {
    EXPECT_FALSE(w->objectName().isEmpty());
    EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
  }
}

}  // namespace
