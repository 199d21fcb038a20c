// A few cells of dot-matrix text, such as the play kind ("none" when idle):
// longer text is cut to the cells, and the unlit dots of every cell show.
// The dot pitch follows the widget's height.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace components::display {

class LedText : public QWidget {
  Q_OBJECT
 public:
  explicit LedText(int cells, QWidget *parent = nullptr);

  void setText(const QString &text);
  // The text as shown: cut to the cells, control characters blanked.
  const QString &text() const { return text_; }
  int cells() const { return cells_; }

  int preferredWidth(int height) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void render();

  int cells_;
  QString text_;
  QPixmap cache_;
};

}  // namespace components::display
