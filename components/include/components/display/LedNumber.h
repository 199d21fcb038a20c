// Seven-segment digits scaled to the widget's height, with an optional
// dot-matrix caption after them ("Kbps", "sec"). The cells are fixed by a
// pattern such as "8888.8"; text is right-aligned into them and only the
// cells whose character changed are repainted.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "components/display/SevenSegment.h"

namespace components::display {

class LedNumber : public QWidget {
  Q_OBJECT
 public:
  explicit LedNumber(const QString &pattern, const QString &caption = {}, QWidget *parent = nullptr);

  // Right-aligned into the pattern's cells; longer text keeps its end.
  void setText(const QString &text);
  const QString &text() const { return text_; }
  const QString &caption() const { return caption_; }

  int preferredWidth(int height) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  int captionPitch() const;
  QRect cellsRect(qsizetype first, qsizetype last) const;

  QString pattern_;
  QString caption_;
  QString text_;
  SegmentGlyphs glyphs_;
};

// Hours, minutes and seconds as "HH:MM:SS" (the elapsed and total times).
class LedClock : public LedNumber {
  Q_OBJECT
 public:
  explicit LedClock(QWidget *parent = nullptr);
  // Milliseconds, truncated to whole seconds and clamped to 00:00:00 ..
  // 99:59:59.
  void setMilliseconds(std::int64_t milliseconds);
};

}  // namespace components::display
