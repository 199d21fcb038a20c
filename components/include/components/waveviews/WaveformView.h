// The waveform: one min-to-max line per column from the peak cache (or the
// sample line when zoomed in past one frame per pixel), painted into a
// cached image that a scroll shifts, rendering only the new strip. Cut
// regions, grid lines, the selection, markers, the secondary cursor and the
// locator are drawn over it on every paint.
//
// Mouse, left button: a click moves the locator; a drag selects (Shift
// extends the selection, a press on a selection edge drags that edge);
// edges snap to the grid when snap is on. In track mode (while playing) a
// press away from the edges tracks instead: track-begin, tracking, track-end,
// and the window moves the locator. The middle button drags a zoom range;
// the wheel scrolls, Ctrl+wheel zooms about the pointer.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <utility>

#include "components/waveviews/PeakCache.h"
#include "components/waveviews/WaveViewBase.h"

namespace components::waveviews {

class WaveformView : public WaveViewBase {
  Q_OBJECT
 public:
  enum class Edge { None, SelectionStart, SelectionEnd };

  explicit WaveformView(WaveViewState *state, QWidget *parent = nullptr);
  ~WaveformView() override;

  // The pane's display data (shared with its other views); null shows no
  // trace. While the cache is still building, the view repaints what is
  // ready every 100 ms.
  void setPeakCache(std::shared_ptr<const PeakCache> cache);
  const std::shared_ptr<const PeakCache> &peakCache() const { return cache_; }
  // Renders the trace again (after the cache changed under the view).
  void refreshPeaks();

  // The selection edge within a few pixels of x, if any.
  Edge edgeAt(int x) const;

  // While playing: presses away from the selection edges track the locator.
  void setTrackMode(bool on) { trackMode_ = on; }
  bool trackMode() const { return trackMode_; }
  // Whether a window following the locator in a finely zoomed view (at most
  // 200 ms visible) moves on by half a span instead of four fifths.
  void setHalfSteps(bool on) { halfSteps_ = on; }
  bool halfSteps() const { return halfSteps_; }
  // True between a press and its release.
  bool mouseActive() const { return drag_ != Drag::None; }

  // Renders counted since construction (whole images and strips), for tests
  // and benchmarks.
  int fullRenders() const { return fullRenders_; }
  int stripRenders() const { return stripRenders_; }

 signals:
  void selecting(int64_t start, int64_t end);
  void selectEnd(int64_t start, int64_t end);
  // Where a zoom drag began and where it is now (to may lie left of from).
  void zooming(int64_t from, int64_t to);
  void zoomEnd(int64_t from, int64_t to);
  // The user moved the locator with a click.
  void locatorChanged(int64_t frame);
  void trackBegin(int64_t frame);
  void tracking(int64_t frame);
  void trackEnd(int64_t frame);
  // The user scrolled the range (the wheel).
  void rangeChanged(int64_t start, int64_t end);
  // Any press, before the view acts on it (the editor adds a marker on a
  // right press while playing).
  void pressed(int64_t frame, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

 protected:
  WaveformView(WaveViewState *state, Span span, QWidget *parent);
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void invalidate() override;
  // Overlays drawn over the trace; the overview adds its range box.
  virtual void paintOverlays(QPainter &painter);

 private:
  enum class Drag { None, Select, Edge, Track, Zoom };
  void updateImage();
  void select(int64_t frame);
  void followPointer(int x);
  void renderColumns(QImage &image, const FrameMapping &m, int from, int to);
  void renderSamples(QImage &image, const FrameMapping &m);
  void pollBuild();
  int64_t snapped(int64_t frame) const;

  std::shared_ptr<const PeakCache> cache_;
  QImage image_;
  FrameMapping imageMapping_;
  bool imageValid_ = false;
  int64_t imageFilled_ = 0;
  QTimer buildTimer_;
  bool trackMode_ = false;
  bool halfSteps_ = false;
  Drag drag_ = Drag::None;
  Edge dragEdge_ = Edge::None;
  int pressX_ = 0;
  bool moved_ = false;
  int64_t anchor_ = 0;
  int64_t zoomFrom_ = 0;
  std::pair<int64_t, int64_t> zoomBand_;
  QElapsedTimer followClock_;
  int fullRenders_ = 0;
  int stripRenders_ = 0;
};

// The whole wave with the visible range shown as a box; a press centres the
// range on the pointer and a drag moves it.
class OverviewView : public WaveformView {
  Q_OBJECT
 public:
  explicit OverviewView(WaveViewState *state, QWidget *parent = nullptr);

 signals:
  void rangeMoved(int64_t start, int64_t end);

 protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void paintOverlays(QPainter &painter) override;

 private:
  void moveRangeTo(int x);
  bool dragging_ = false;
  int64_t grabOffset_ = 0;
};

}  // namespace components::waveviews
