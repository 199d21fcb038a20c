#include "components/display/ChannelLed.h"

#include <QPainter>

#include "Canvas.h"
#include "components/display/DisplayPalette.h"
#include "components/display/DotMatrix.h"

namespace components::display {
namespace {

const QString &monoText() {
  static const QString text = QStringLiteral("MONO");
  return text;
}
const QString &stereoText() {
  static const QString text = QStringLiteral("STEREO");
  return text;
}

}  // namespace

ChannelLed::ChannelLed(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAccessibleDescription(QString());
}

void ChannelLed::setMode(Mode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  setAccessibleDescription(mode == Mode::Mono ? monoText() : mode == Mode::Stereo ? stereoText() : QString());
  cache_ = QPixmap();  // drawn again at the next paint
  update();
}

// Two rows of letters with a gap of two dots between them.
int ChannelLed::pitchFor(int height) { return std::max(1, height / (2 * dotmatrix::kRows + 4)); }

int ChannelLed::preferredWidth(int height) const {
  return static_cast<int>(stereoText().size()) * dotmatrix::kAdvance * pitchFor(height);
}

QSize ChannelLed::sizeHint() const { return {preferredWidth(32), 32}; }

void ChannelLed::resizeEvent(QResizeEvent *) { cache_ = QPixmap(); }

void ChannelLed::render() {
  cache_ = canvas(size(), devicePixelRatioF(), palette::background());
  QPainter p(&cache_);
  const int pitch = pitchFor(height());
  const int rows = dotmatrix::kRows * pitch;
  const int gap = 2 * pitch;
  const int top = (height() - 2 * rows - gap) / 2;
  const QColor dark = palette::dimmed(palette::lit(), 22);
  dotmatrix::drawText(p, QPoint(0, top), monoText(), pitch, mode_ == Mode::Mono ? palette::lit() : dark);
  dotmatrix::drawText(p, QPoint(0, top + rows + gap), stereoText(), pitch,
                      mode_ == Mode::Stereo ? palette::lit() : dark);
}

void ChannelLed::paintEvent(QPaintEvent *) {
  if (isStale(cache_, *this)) render();
  QPainter p(this);
  p.drawPixmap(0, 0, cache_);
}

}  // namespace components::display
