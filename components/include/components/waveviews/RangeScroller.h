// The range scroller: the visible range as a thumb within the whole wave,
// with a text in it (the editor shows the visible length). Dragging the
// thumb moves the range, dragging its ends resizes it; a press beside the
// thumb pages by one span. The arrow keys and Page Up/Down step it too.
#pragma once

#include <QString>
#include <cstdint>

#include "components/waveviews/WaveViewBase.h"

namespace components::waveviews {

class RangeScroller : public WaveViewBase {
  Q_OBJECT
 public:
  explicit RangeScroller(WaveViewState *state, QWidget *parent = nullptr);

  void setText(const QString &text);
  QString text() const { return text_; }
  // The thumb's pixels for the current range.
  QRect thumbRect() const;
  bool isDragging() const { return drag_ != Drag::None; }
  QSize sizeHint() const override;

 signals:
  void dragStarted();
  void dragFinished(int64_t start, int64_t end);
  // The user changed the range (dragging, paging or by key).
  void rangeChanged(int64_t start, int64_t end);

 protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

 private:
  enum class Drag { None, Move, Left, Right };
  void apply(int64_t start, int64_t end);

  QString text_;
  Drag drag_ = Drag::None;
  int pressX_ = 0;
  int64_t pressStart_ = 0;
  int64_t pressEnd_ = 0;
};

}  // namespace components::waveviews
