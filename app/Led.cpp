#include "app/Led.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace app {

Led::Led(QColor onColor, QWidget *parent) : QWidget(parent), onColor_(onColor) {
  setFixedSize(sizeHint());
}

void Led::setOn(bool on) {
  if (on == on_) return;
  on_ = on;
  update();
}

void Led::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  QColor base = on_ ? onColor_ : QColor(70, 70, 70);
  QRadialGradient glow(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.4);
  glow.setColorAt(0, base.lighter(on_ ? 170 : 130));
  glow.setColorAt(1, base);
  p.setBrush(glow);
  p.setPen(QPen(QColor(30, 30, 30), 1));
  p.drawEllipse(r);
}

namespace {

QPixmap canvas(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace

QPixmap usbPicture(int size) {
  QPixmap pixmap = canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  p.setPen(QPen(QColor(40, 40, 40), 1.2));
  p.setBrush(QColor(120, 120, 130));
  p.drawRect(QRectF(5, 1, 6, 5));  // metal shell
  p.setBrush(QColor(30, 30, 30));
  p.drawRoundedRect(QRectF(3.5, 6, 9, 6), 1.5, 1.5);  // body
  p.drawLine(QPointF(8, 12), QPointF(8, 15.5));        // cable
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.5, 2.5, 1, 1));
  p.drawRect(QRectF(8.5, 2.5, 1, 1));
  return pixmap;
}

QPixmap flashPicture(int size) {
  QPixmap pixmap = canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  p.setPen(QPen(QColor(90, 90, 90), 1));
  for (int i = 0; i < 4; ++i) {
    p.drawLine(QPointF(1, 4 + i * 2.7), QPointF(3, 4 + i * 2.7));
    p.drawLine(QPointF(13, 4 + i * 2.7), QPointF(15, 4 + i * 2.7));
  }
  p.setPen(QPen(QColor(20, 20, 20), 1));
  p.setBrush(QColor(45, 45, 55));
  p.drawRoundedRect(QRectF(3, 2, 10, 12), 1, 1);
  p.setBrush(QColor(160, 160, 170));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(4.5, 3.5, 2, 2));
  return pixmap;
}

QPixmap programPicture(int size) {
  QPixmap pixmap = canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  // A recorder: rounded body, a grille and a red record lamp.
  p.setPen(QPen(QColor(25, 35, 60), 2));
  p.setBrush(QColor(52, 86, 150));
  p.drawRoundedRect(QRectF(16, 4, 32, 56), 8, 8);
  p.setBrush(QColor(210, 220, 235));
  p.drawRoundedRect(QRectF(21, 10, 22, 16), 3, 3);
  p.setPen(QPen(QColor(25, 35, 60), 1.6));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(24, 13.5 + i * 3), QPointF(40, 13.5 + i * 3));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 40, 40));
  p.drawEllipse(QRectF(27, 34, 10, 10));
  p.setBrush(QColor(200, 210, 225));
  p.drawRoundedRect(QRectF(22, 49, 8, 5), 2, 2);
  p.drawRoundedRect(QRectF(34, 49, 8, 5), 2, 2);
  return pixmap;
}

}  // namespace app
