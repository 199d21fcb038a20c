// The time ruler over a waveform: ticks and times with the same
// frame-to-pixel mapping as the view below it, and the locator. A click
// moves the locator; a drag picks a zoom range (zooming, zoom-end).
#pragma once

#include <QPixmap>
#include <cstdint>

#include "components/waveviews/WaveViewBase.h"

namespace components::waveviews {

class TimeRuler : public WaveViewBase {
  Q_OBJECT
 public:
  explicit TimeRuler(WaveViewState *state, Span span = Span::Visible, QWidget *parent = nullptr);

  // "m:ss.mmm" (with hours from one hour on) of a frame at the state's rate.
  QString label(int64_t frame) const;
  QSize sizeHint() const override;

 signals:
  void zooming(int64_t from, int64_t to);
  void zoomEnd(int64_t from, int64_t to);
  void locatorChanged(int64_t frame);

 protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void invalidate() override;

 private:
  QPixmap ticks_;  // ticks and labels, made again when the mapping changes
  FrameMapping ticksMapping_;
  bool pressed_ = false;
  bool zooming_ = false;
  int pressX_ = 0;
  int lastX_ = 0;
  int64_t from_ = 0;
};

}  // namespace components::waveviews
