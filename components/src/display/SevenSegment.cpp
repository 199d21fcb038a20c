#include "components/display/SevenSegment.h"

#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace components::display {
namespace {

enum : int { kMinus = 10, kBlank = 11, kColon = 12, kDot = 13 };

int glyphIndex(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u == '-') return kMinus;
  if (u == ':') return kColon;
  if (u == '.') return kDot;
  return kBlank;
}

// Segments a..g as bits 0..6: top, upper right, lower right, bottom, lower
// left, upper left, middle.
constexpr std::array<std::uint8_t, 12> kSegments = {
    0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F,  // 0-9
    0x40,                                                        // -
    0x00,                                                        // blank
};

struct Shape {
  qreal w, h, t, gap;
};

Shape shapeFor(int height) {
  const qreal h = height;
  const qreal t = std::max(2.0, std::round(h * 0.13));
  return {std::round(h * 0.5), h, t, std::max(0.6, t * 0.18)};
}

// A segment as a long hexagon between two points on its centre line.
QPolygonF horizontal(qreal x0, qreal x1, qreal y, qreal t) {
  const qreal d = t / 2;
  return QPolygonF({{x0, y}, {x0 + d, y - d}, {x1 - d, y - d}, {x1, y}, {x1 - d, y + d}, {x0 + d, y + d}});
}

QPolygonF vertical(qreal x, qreal y0, qreal y1, qreal t) {
  const qreal d = t / 2;
  return QPolygonF({{x, y0}, {x + d, y0 + d}, {x + d, y1 - d}, {x, y1}, {x - d, y1 - d}, {x - d, y0 + d}});
}

std::array<QPolygonF, 7> segments(const Shape &s) {
  const qreal d = s.t / 2, g = s.gap;
  const qreal left = d, right = s.w - d, top = d, mid = s.h / 2, bottom = s.h - d;
  return {horizontal(left + g, right - g, top, s.t),
          vertical(right, top + g, mid - g, s.t),
          vertical(right, mid + g, bottom - g, s.t),
          horizontal(left + g, right - g, bottom, s.t),
          vertical(left, mid + g, bottom - g, s.t),
          vertical(left, top + g, mid - g, s.t),
          horizontal(left + g, right - g, mid, s.t)};
}

QPixmap canvas(int width, int height, qreal ratio) {
  QPixmap pixmap(QSize(std::max(1, width), std::max(1, height)) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// The painter leans its drawing by `slant` pixels at the top.
void lean(QPainter &p, const SegmentMetrics &m) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setTransform(QTransform(1, 0, -static_cast<qreal>(m.slant) / m.height, 1, m.slant, 0));
}

void drawLit(QPainter &p, const QPainterPath &path, QColor lit, qreal t) {
  // A faint halo first, then the segment itself.
  QColor halo = lit;
  halo.setAlpha(60);
  p.strokePath(path, QPen(halo, std::max(1.0, t * 0.45), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.fillPath(path, lit);
}

}  // namespace

SegmentMetrics SegmentMetrics::forHeight(int digitHeight) {
  SegmentMetrics m;
  m.height = std::max(5, digitHeight);
  const Shape s = shapeFor(m.height);
  m.digitAdvance = static_cast<int>(s.w) + std::max(2, static_cast<int>(std::lround(m.height * 0.18)));
  m.separatorAdvance = std::max(3, static_cast<int>(std::lround(s.t * 2.2)));
  m.slant = static_cast<int>(std::lround(m.height * 0.08));
  return m;
}

int SegmentMetrics::advance(QChar c) const {
  const int i = glyphIndex(c);
  return i == kColon || i == kDot ? separatorAdvance : digitAdvance;
}

int SegmentMetrics::textWidth(QStringView text) const {
  int width = slant;
  for (QChar c : text) width += advance(c);
  return width;
}

void SegmentGlyphs::prepare(int digitHeight, qreal devicePixelRatio, QColor lit, QColor ghost) {
  const SegmentMetrics m = SegmentMetrics::forHeight(digitHeight);
  if (m.height == metrics_.height && devicePixelRatio == ratio_ && lit == lit_ && ghost == ghost_) return;
  metrics_ = m;
  ratio_ = devicePixelRatio;
  lit_ = lit;
  ghost_ = ghost;

  const Shape s = shapeFor(m.height);
  const auto segs = segments(s);
  for (int i = 0; i < 12; ++i) {
    glyphs_[i] = canvas(m.digitAdvance + m.slant, m.height, ratio_);
    QPainter p(&glyphs_[i]);
    lean(p, m);
    for (int k = 0; k < 7; ++k) {
      if (!(kSegments[i] & (1 << k))) {
        p.setBrush(ghost);
        p.drawPolygon(segs[k]);
      }
    }
    for (int k = 0; k < 7; ++k) {
      if (kSegments[i] & (1 << k)) {
        QPainterPath path;
        path.addPolygon(segs[k]);
        path.closeSubpath();
        drawLit(p, path, lit, s.t);
      }
    }
  }
  // ':' and '.' are square dots, centred in their narrow cell.
  const qreal dot = s.t;
  const qreal x = (m.separatorAdvance - dot) / 2.0 - 0.5;
  for (int i : {kColon, kDot}) {
    glyphs_[i] = canvas(m.separatorAdvance + m.slant, m.height, ratio_);
    QPainter p(&glyphs_[i]);
    lean(p, m);
    QPainterPath path;
    if (i == kColon) {
      path.addRect(QRectF(x, s.h * 0.3 - dot / 2, dot, dot));
      path.addRect(QRectF(x, s.h * 0.7 - dot / 2, dot, dot));
    } else {
      path.addRect(QRectF(x, s.h - dot, dot, dot));
    }
    drawLit(p, path, lit, s.t);
  }
}

void SegmentGlyphs::draw(QPainter &painter, QPoint origin, QStringView text) const {
  int x = origin.x();
  for (QChar c : text) {
    painter.drawPixmap(QPoint(x, origin.y()), glyphs_[glyphIndex(c)]);
    x += metrics_.advance(c);
  }
}

}  // namespace components::display
