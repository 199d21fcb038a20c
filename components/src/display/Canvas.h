// Cached pictures of the display widgets: made at the widget's size and
// pixel ratio, and made again when either changes.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace components::display {

inline QPixmap canvas(QSize size, qreal ratio, QColor fill) {
  QPixmap pixmap(size.expandedTo({1, 1}) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(fill);
  return pixmap;
}

inline bool isStale(const QPixmap &cache, const QWidget &widget) {
  return cache.isNull() || cache.devicePixelRatio() != widget.devicePixelRatioF() ||
         cache.deviceIndependentSize().toSize() != widget.size().expandedTo({1, 1});
}

}  // namespace components::display
