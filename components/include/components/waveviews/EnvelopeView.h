// The volume envelope over the visible range: its points joined by lines,
// the unity line, selected points filled. A click selects a point (Ctrl
// toggles), a drag moves the point, a double click adds one; these signal
// edit-started first. The window's pop-up calls addPointAt / deleteAt and
// its scale buttons multiply / reset, keeping its own undo entry around
// them. Every change lands in the shared state.
#pragma once

#include <QPoint>
#include <cstdint>
#include <set>

#include "components/waveviews/WaveViewBase.h"

namespace components::waveviews {

class EnvelopeView : public WaveViewBase {
  Q_OBJECT
 public:
  explicit EnvelopeView(WaveViewState *state, QWidget *parent = nullptr);

  // The index of the point within a few pixels of `pos`, or -1.
  int pointAt(QPoint pos) const;
  const std::set<int> &selectedPoints() const { return selected_; }
  void selectPoints(const std::set<int> &indexes);

  // The volume a height stands for, and back (0 at the bottom, twice unity at the top).
  int32_t volumeAtY(int y) const;
  int yOfVolume(int32_t volume) const;

  // "New": no point under `pos` and its frame within the view's range.
  bool canAddAt(QPoint pos) const;
  bool addPointAt(QPoint pos);
  // "Delete": points are selected or one lies under `pos`.
  bool canDeleteAt(QPoint pos) const;
  // Deletes the selected points, or else the point under `pos`.
  bool deleteAt(QPoint pos);
  void multiply(double factor);
  void reset();

  QSize sizeHint() const override;

 signals:
  // Before the user's change lands in the state (the editor keeps its undo entry).
  void editStarted();
  void editFinished();

 protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;

 private:
  void commit(const VolumeEnvelope &envelope);

  std::set<int> selected_;
  int dragIndex_ = -1;
  bool dragStarted_ = false;
};

}  // namespace components::waveviews
