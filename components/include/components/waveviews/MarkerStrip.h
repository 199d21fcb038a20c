// The marker strip: a flag with its name for every visible marker, a line
// joining two linked markers, and the locator. When editable, a marker can
// be dragged: the secondary cursor follows it and the marker moves on release.
#pragma once

#include <cstdint>

#include "components/waveviews/WaveViewBase.h"

namespace components::waveviews {

class MarkerStrip : public WaveViewBase {
  Q_OBJECT
 public:
  explicit MarkerStrip(WaveViewState *state, QWidget *parent = nullptr);

  // The index in the state's marker list of the marker under x, or -1.
  int markerAt(int x) const;
  void setEditable(bool on) { editable_ = on; }
  bool editable() const { return editable_; }
  QSize sizeHint() const override;

 signals:
  // A drag is about to move a marker (the editor keeps its undo entry).
  void markerDragStarted(uint32_t id);
  // The marker now stands at `offset` (the state's list already says so).
  void markerMoved(uint32_t id, int64_t offset);
  // A click away from any marker.
  void locatorChanged(int64_t frame);

 protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  bool editable_ = false;
  int dragIndex_ = -1;
  bool dragMoved_ = false;
  int pressX_ = 0;
};

}  // namespace components::waveviews
