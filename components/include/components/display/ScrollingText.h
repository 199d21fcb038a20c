// A dot-matrix line that scrolls text too long for it (the file name). The
// text moves left one dot per tick, followed by a gap, and comes round again
// from the right; every pass starts with a short rest at the beginning. After
// the requested number of passes (0: without end) it rests at the start.
// Text that fits stands still, and nothing ticks while the widget is hidden.
#pragma once

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace components::display {

class ScrollingText : public QWidget {
  Q_OBJECT
 public:
  explicit ScrollingText(QWidget *parent = nullptr);

  // Shows text from its start; passes 0 scrolls without end.
  void setText(const QString &text, int passes = 0);
  const QString &text() const { return text_; }

  // The scroll state: offset of the text's start to the left of the view,
  // the distance after which the text repeats, pixels per tick, the ticks
  // of rest at the start of a pass, and the passes done.
  int offset() const { return offset_; }
  int period() const { return period_; }
  int step() const { return pitch_; }
  int restTicks() const { return kRestTicks; }
  int passesDone() const { return passesDone_; }
  int textWidth() const { return textWidth_; }
  // The text is wider than the view and has passes left.
  bool isScrolling() const;
  int tickInterval() const { return timer_.interval(); }
  bool isTicking() const { return timer_.isActive(); }

  // One tick: rests or moves the text one step. True when it moved.
  bool advance();

  int preferredHeight(int pitch) const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;

 private:
  static constexpr int kRestTicks = 12;
  static constexpr int kGapCells = 4;

  // Renders again for a new size; true when it did.
  bool ensureLayout();
  void relayout();
  void renderText();
  void renderGrid();
  void restart();
  void updateTimer();

  QString text_;
  int passes_ = 0;
  int passesDone_ = 0;
  int offset_ = 0;
  int rest_ = kRestTicks;
  QSize laidOut_;
  qreal ratio_ = 0;
  int pitch_ = 1;
  int textWidth_ = 0;
  int period_ = 0;
  QPixmap textCache_;
  QPixmap gridCache_;
  QTimer timer_;
};

}  // namespace components::display
