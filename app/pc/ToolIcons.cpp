#include "app/pc/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

namespace pc {

namespace {

const char *themeName(ToolIcon which) {
  switch (which) {
    case ToolIcon::Convert: return "document-export";
    case ToolIcon::WaveEdit: return "audio-x-generic";
    case ToolIcon::Email: return "mail-send";
    case ToolIcon::Speed: return "media-seek-forward";
    case ToolIcon::Up: return "go-up";
    case ToolIcon::NewFolder: return "folder-new";
    case ToolIcon::LargeIcons: return "view-grid";
    case ToolIcon::SmallIcons: return "view-list-icons";
    case ToolIcon::List: return "view-list-compact";
    case ToolIcon::Report: return "view-list-details";
    case ToolIcon::Copy: return "edit-copy";
    case ToolIcon::Cut: return "edit-cut";
    case ToolIcon::Paste: return "edit-paste";
  }
  return "";
}

// Drawn on a 32 x 32 grid.
void draw(QPainter &p, ToolIcon which, const QColor &ink, const QColor &accent) {
  QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  auto page = [&](QRectF r, const QColor &fill) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 6, r.top());
    path.lineTo(r.right(), r.top() + 6);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(fill);
    p.drawPath(path);
    p.setBrush(Qt::NoBrush);
  };
  auto wave = [&](QRectF r) {
    QPainterPath w;
    const int n = 9;
    const double amp[n] = {0.2, 0.6, 0.35, 0.9, 0.5, 0.75, 0.3, 0.55, 0.15};
    for (int i = 0; i < n; ++i) {
      double x = r.left() + r.width() * i / (n - 1);
      w.moveTo(x, r.center().y() - amp[i] * r.height() / 2);
      w.lineTo(x, r.center().y() + amp[i] * r.height() / 2);
    }
    p.drawPath(w);
  };
  switch (which) {
    case ToolIcon::Convert: {
      page(QRectF(4, 3, 16, 21), Qt::white);
      p.setPen(QPen(accent, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawLine(QPointF(14, 22), QPointF(28, 22));
      p.drawLine(QPointF(23, 17), QPointF(28, 22));
      p.drawLine(QPointF(23, 27), QPointF(28, 22));
      break;
    }
    case ToolIcon::WaveEdit:
      p.setPen(QPen(accent, 2.2, Qt::SolidLine, Qt::RoundCap));
      wave(QRectF(4, 6, 24, 20));
      break;
    case ToolIcon::Email:
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4, 8, 24, 17));
      p.drawPolyline(QPolygonF{QPointF(4, 8), QPointF(16, 18), QPointF(28, 8)});
      break;
    case ToolIcon::Speed:
      p.setBrush(accent);
      p.setPen(QPen(accent, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolygon(QPolygonF{QPointF(4, 8), QPointF(16, 16), QPointF(4, 24)});
      p.drawPolygon(QPolygonF{QPointF(16, 8), QPointF(28, 16), QPointF(16, 24)});
      break;
    case ToolIcon::Up:
      p.setPen(QPen(accent, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawLine(QPointF(16, 27), QPointF(16, 6));
      p.drawPolyline(QPolygonF{QPointF(7, 14), QPointF(16, 5), QPointF(25, 14)});
      break;
    case ToolIcon::NewFolder: {
      QPainterPath f;
      f.moveTo(3, 9);
      f.lineTo(11, 9);
      f.lineTo(14, 12);
      f.lineTo(27, 12);
      f.lineTo(27, 26);
      f.lineTo(3, 26);
      f.closeSubpath();
      p.setBrush(QColor(240, 196, 90));
      p.drawPath(f);
      p.setPen(QPen(accent, 2.6, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(24, 2), QPointF(24, 12));
      p.drawLine(QPointF(19, 7), QPointF(29, 7));
      break;
    }
    case ToolIcon::LargeIcons:
      p.setBrush(accent);
      for (int y : {5, 18})
        for (int x : {5, 18}) p.drawRoundedRect(QRectF(x, y, 9, 9), 1.5, 1.5);
      break;
    case ToolIcon::SmallIcons:
      p.setBrush(accent);
      for (int y : {6, 14, 22})
        for (int x : {4, 17}) {
          p.drawRect(QRectF(x, y, 4, 4));
          p.drawLine(QPointF(x + 7, y + 2), QPointF(x + 11, y + 2));
        }
      break;
    case ToolIcon::List:
      for (int y : {7, 13, 19, 25}) {
        p.setBrush(accent);
        p.drawRect(QRectF(5, y - 2, 4, 4));
        p.drawLine(QPointF(13, y), QPointF(27, y));
      }
      break;
    case ToolIcon::Report:
      p.drawRect(QRectF(4, 5, 24, 22));
      p.drawLine(QPointF(4, 11), QPointF(28, 11));
      p.drawLine(QPointF(14, 5), QPointF(14, 27));
      p.drawLine(QPointF(4, 17), QPointF(28, 17));
      p.drawLine(QPointF(4, 22), QPointF(28, 22));
      break;
    case ToolIcon::Copy:
      page(QRectF(4, 3, 15, 19), Qt::white);
      page(QRectF(12, 10, 15, 19), QColor(225, 236, 250));
      break;
    case ToolIcon::Cut:
      p.drawEllipse(QPointF(10, 24), 4.5, 4.5);
      p.drawEllipse(QPointF(22, 24), 4.5, 4.5);
      p.drawLine(QPointF(13, 20.5), QPointF(24, 3));
      p.drawLine(QPointF(19, 20.5), QPointF(8, 3));
      break;
    case ToolIcon::Paste:
      p.setBrush(QColor(214, 170, 110));
      p.drawRoundedRect(QRectF(5, 6, 20, 23), 2, 2);
      p.setBrush(QColor(180, 180, 180));
      p.drawRoundedRect(QRectF(10, 3, 10, 6), 1.5, 1.5);
      page(QRectF(13, 13, 15, 17), Qt::white);
      break;
  }
}

}  // namespace

QIcon toolIcon(ToolIcon which, const QWidget *widget) {
  QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName(which)));
  if (!themed.isNull()) return themed;
  QColor ink = widget ? widget->palette().color(QPalette::WindowText) : QColor(Qt::black);
  QColor accent(40, 110, 200);
  QIcon icon;
  for (int size : {16, 24, 32}) {
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
      QPixmap pixmap(size, size);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(size / 32.0, size / 32.0);
      if (mode == QIcon::Disabled) p.setOpacity(0.35);
      draw(p, which, ink, accent);
      p.end();
      icon.addPixmap(pixmap, mode);
    }
  }
  return icon;
}

}  // namespace pc
