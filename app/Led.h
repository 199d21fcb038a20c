// An indicator lamp of the status bar, and the small pictures beside them.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace app {

class Led : public QWidget {
  Q_OBJECT
 public:
  explicit Led(QColor onColor, QWidget *parent = nullptr);
  bool isOn() const { return on_; }
  void setOn(bool on);
  QSize sizeHint() const override { return {14, 14}; }

 protected:
  void paintEvent(QPaintEvent *) override;

 private:
  QColor onColor_;
  bool on_ = false;
};

// A USB plug and a flash chip, drawn for the two indicators.
QPixmap usbPicture(int size);
QPixmap flashPicture(int size);
// The program's icon.
QPixmap programPicture(int size);

}  // namespace app
