#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QSignalSpy>

#include "ViewFixture.h"
#include "components/waveviews/WaveformView.h"

using namespace components::waveviews;
using namespace waveviews_test;

namespace {

// 100 000 frames on 1000 pixels: 100 frames per column.
class WaveformViewTest : public testing::Test {
 protected:
  void SetUp() override {
    view.setPeakCache(pane.cache);
    view.resize(1000, 100);
  }
  Pane pane;
  WaveformView view{&pane.state};
};

TEST_F(WaveformViewTest, ClickMovesTheLocatorAndDragSelects) {
  QSignalSpy locator(&view, &WaveformView::locatorChanged);
  QSignalSpy selecting(&view, &WaveformView::selecting);
  QSignalSpy selectEnd(&view, &WaveformView::selectEnd);
  mouse(&view, QEvent::MouseButtonPress, 250);
  mouse(&view, QEvent::MouseButtonRelease, 251);  // a click may wobble a pixel
  ASSERT_EQ(locator.count(), 1);
  EXPECT_EQ(locator[0][0].toLongLong(), 25100);
  EXPECT_EQ(pane.state.locator(), 25100);
  EXPECT_TRUE(selecting.isEmpty());

  drag(&view, 300, 100);  // leftwards: the selection is put in order
  EXPECT_GT(selecting.count(), 5);
  ASSERT_EQ(selectEnd.count(), 1);
  EXPECT_EQ(selectEnd[0][0].toLongLong(), 10000);
  EXPECT_EQ(selectEnd[0][1].toLongLong(), 30000);
  EXPECT_EQ(pane.state.selectionStart(), 10000);
  EXPECT_EQ(pane.state.selectionEnd(), 30000);
  EXPECT_EQ(pane.state.locator(), 25100);  // selecting leaves the locator
}

TEST_F(WaveformViewTest, EdgesDragAndShiftExtends) {
  pane.state.setSelection(10000, 30000);
  EXPECT_EQ(view.edgeAt(98), WaveformView::Edge::SelectionStart);
  EXPECT_EQ(view.edgeAt(302), WaveformView::Edge::SelectionEnd);
  EXPECT_EQ(view.edgeAt(200), WaveformView::Edge::None);

  struct Case {
    int from, to;
    Qt::KeyboardModifiers modifiers;
    int64_t start, end;
  };
  const Case cases[] = {
      {300, 450, Qt::NoModifier, 10000, 45000},     // end edge moves
      {100, 50, Qt::NoModifier, 5000, 30000},       // start edge moves
      {100, 400, Qt::NoModifier, 30000, 40000},     // an edge dragged past the other swaps them
      {600, 600, Qt::ShiftModifier, 10000, 60000},  // Shift: extends from the far edge
      {20, 20, Qt::ShiftModifier, 2000, 30000},
  };
  for (const Case &c : cases) {
    pane.state.setSelection(10000, 30000);
    drag(&view, c.from, c.to, Qt::LeftButton, c.modifiers);
    EXPECT_EQ(pane.state.selectionStart(), c.start) << c.from << "->" << c.to;
    EXPECT_EQ(pane.state.selectionEnd(), c.end) << c.from << "->" << c.to;
  }
}

TEST_F(WaveformViewTest, SnapToGridPullsEdgesToLines) {
  // 100 frames per pixel at 8000 Hz: grid lines every second (8000 frames, 80 px).
  pane.state.setGrid(true, true);
  drag(&view, 83, 318);
  EXPECT_EQ(pane.state.selectionStart(), 8000);
  EXPECT_EQ(pane.state.selectionEnd(), 32000);
  drag(&view, 90, 300);  // 10 and 20 px from a line: left alone
  EXPECT_EQ(pane.state.selectionStart(), 9000);
  EXPECT_EQ(pane.state.selectionEnd(), 30000);
}

TEST_F(WaveformViewTest, TrackModeReportsInsteadOfSelecting) {
  pane.state.setSelection(10000, 30000);
  view.setTrackMode(true);
  QSignalSpy begin(&view, &WaveformView::trackBegin);
  QSignalSpy tracking(&view, &WaveformView::tracking);
  QSignalSpy end(&view, &WaveformView::trackEnd);
  QSignalSpy pressed(&view, &WaveformView::pressed);
  drag(&view, 500, 560);
  ASSERT_EQ(begin.count(), 1);
  EXPECT_EQ(begin[0][0].toLongLong(), 50000);
  EXPECT_FALSE(tracking.isEmpty());
  EXPECT_EQ(tracking.last()[0].toLongLong(), 56000);
  ASSERT_EQ(end.count(), 1);
  EXPECT_EQ(end[0][0].toLongLong(), 56000);
  EXPECT_EQ(pane.state.selectionStart(), 10000);  // untouched
  EXPECT_EQ(pane.state.locator(), -1);           // the window moves it

  // Edges still drag while playing; a right press is reported with its frame.
  drag(&view, 300, 350);
  EXPECT_EQ(pane.state.selectionEnd(), 35000);
  mouse(&view, QEvent::MouseButtonPress, 700, Qt::RightButton);
  mouse(&view, QEvent::MouseButtonRelease, 700, Qt::RightButton);
  EXPECT_EQ(pressed.last()[0].toLongLong(), 70000);
  EXPECT_EQ(pressed.last()[1].value<Qt::MouseButton>(), Qt::RightButton);
}

TEST_F(WaveformViewTest, MiddleDragZoomsAndWheelScrolls) {
  QSignalSpy zooming(&view, &WaveformView::zooming);
  QSignalSpy zoomEnd(&view, &WaveformView::zoomEnd);
  drag(&view, 600, 200, Qt::MiddleButton);
  EXPECT_FALSE(zooming.isEmpty());
  ASSERT_EQ(zoomEnd.count(), 1);
  EXPECT_EQ(zoomEnd[0][0].toLongLong(), 60000);  // a leftward drag keeps its direction
  EXPECT_EQ(zoomEnd[0][1].toLongLong(), 20000);
  EXPECT_EQ(pane.state.rangeEnd(), 100000);  // the window applies zooms

  pane.state.setRange(20000, 40000);
  QSignalSpy range(&view, &WaveformView::rangeChanged);
  QWheelEvent down(QPointF(500, 50), view.mapToGlobal(QPointF(500, 50)), {}, QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&view, &down);
  EXPECT_EQ(pane.state.rangeStart(), 22000);
  EXPECT_EQ(pane.state.rangeEnd(), 42000);
  EXPECT_EQ(range.count(), 1);
}

TEST_F(WaveformViewTest, ScrollingShiftsTheImageAndMatchesAFreshRender) {
  pane.state.setRange(10000, 30000);  // 20 frames per pixel: samples come from the file
  QImage before = view.grab().toImage();
  const int full = view.fullRenders();
  for (int64_t start : {10400, 10437, 12000, 11000}) {
    pane.state.setRange(start, start + 20000);
    const QImage scrolled = view.grab().toImage();
    WaveformView fresh(&pane.state);
    fresh.setPeakCache(pane.cache);
    fresh.resize(view.size());
    EXPECT_EQ(scrolled, fresh.grab().toImage()) << start;
  }
  EXPECT_EQ(view.fullRenders(), full);
  EXPECT_EQ(view.stripRenders(), 4);

  // A new zoom renders everything again; so does a new width.
  pane.state.setRange(0, 100000);
  view.grab();
  EXPECT_EQ(view.fullRenders(), full + 1);
  EXPECT_NE(view.grab().toImage(), before);
}

TEST_F(WaveformViewTest, ZoomedPastAFramePerPixelDrawsTheSampleLine) {
  pane.state.setRange(20000, 20250);  // 4 pixels a frame
  ASSERT_TRUE(view.mapping().sampleMode());
  const QImage image = view.grab().toImage();
  int traced = 0;
  for (int x = 0; x < image.width(); x += 4)
    for (int y = 0; y < image.height(); ++y)
      if (image.pixelColor(x, y).blue() > image.pixelColor(x, y).red() + 40) ++traced;  // the trace is blue
  EXPECT_GT(traced, 200);  // the line crosses every sampled column
  pane.state.setRange(20001, 20251);  // sample mode renders anew rather than shifting
  const int full = view.fullRenders();
  view.grab();
  EXPECT_EQ(view.fullRenders(), full + 1);
  // Without a cache there is no trace.
  view.setPeakCache(nullptr);
  const QImage blank = view.grab().toImage();
  for (int x = 0; x < blank.width(); x += 4)
    for (int y = 0; y < blank.height(); ++y) ASSERT_LE(blank.pixelColor(x, y).blue(), blank.pixelColor(x, y).red() + 40);
}

TEST_F(WaveformViewTest, ContextMenuRequestCarriesTheFrame) {
  QSignalSpy menu(&view, &WaveformView::contextMenuRequested);
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(420, 10), view.mapToGlobal(QPoint(420, 10)));
  QApplication::sendEvent(&view, &event);
  ASSERT_EQ(menu.count(), 1);
  EXPECT_EQ(menu[0][1].toLongLong(), 42000);
}

TEST_F(WaveformViewTest, OverlaysAndColours) {
  auto pixel = [&](int x, int y) { return view.grab().toImage().pixelColor(x, y); };
  pane.state.setActive(false);
  EXPECT_EQ(pixel(5, 0), QColor(192, 192, 192));  // inactive: silver
  pane.state.setActive(true);
  EXPECT_EQ(pixel(5, 0), view.palette().color(QPalette::Button));
  pane.state.setLocator(50000);
  EXPECT_EQ(pixel(500, 0), QColor(220, 0, 0));
  const QColor plain = pixel(700, 0);
  pane.state.setCuts({{65000, 10000, 0}});
  EXPECT_NE(pixel(700, 0), plain);
  EXPECT_EQ(pixel(800, 0), plain);
}

TEST(WaveformViewBuildTest, RepaintsWhatIsReadyWhileTheCacheBuilds) {
  const std::string path = tempPath("building.wav");
  writeWav(path, testSignal(16'000'000));
  WaveViewState state;
  auto cache = std::make_shared<PeakCache>();
  ASSERT_TRUE(cache->start(path));
  state.setWave(cache->frames(), cache->sampleRate());
  state.setRange(0, cache->frames());
  WaveformView view(&state);
  view.resize(600, 60);
  view.setPeakCache(cache);
  view.grab();
  QElapsedTimer clock;
  clock.start();
  while (!cache->finished() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_TRUE(cache->finished());
  // The 100 ms poll sees the end and renders the finished trace.
  while (clock.elapsed() < 20000 && view.grab().toImage() != [&] {
           WaveformView fresh(&state);
           fresh.resize(view.size());
           fresh.setPeakCache(cache);
           return fresh.grab().toImage();
         }())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_LT(clock.elapsed(), 20000);
  EXPECT_GE(view.fullRenders(), 2);
  std::filesystem::remove(path);
}

TEST(OverviewViewTest, ShowsTheWholeWaveAndMovesTheRange) {
  Pane pane;
  OverviewView overview(&pane.state);
  overview.setPeakCache(pane.cache);
  overview.resize(1000, 50);
  pane.state.setRange(0, 10000);
  EXPECT_EQ(overview.viewEnd(), 100000);
  QSignalSpy moved(&overview, &OverviewView::rangeMoved);
  mouse(&overview, QEvent::MouseButtonPress, 500);  // outside the box: centred there
  EXPECT_EQ(pane.state.rangeStart(), 45000);
  EXPECT_EQ(pane.state.rangeEnd(), 55000);
  mouse(&overview, QEvent::MouseMove, 990);  // dragged against the end
  mouse(&overview, QEvent::MouseButtonRelease, 990);
  EXPECT_EQ(pane.state.rangeStart(), 90000);
  EXPECT_EQ(pane.state.rangeEnd(), 100000);
  EXPECT_EQ(moved.count(), 2);
}

}  // namespace
