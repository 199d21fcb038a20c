#include "components/display/ScrollingText.h"

#include <QPainter>

#include "Canvas.h"
#include "components/display/DisplayPalette.h"
#include "components/display/DotMatrix.h"

namespace components::display {

ScrollingText::ScrollingText(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  timer_.setInterval(70);
  connect(&timer_, &QTimer::timeout, this, [this] { advance(); });
  relayout();
}

void ScrollingText::setText(const QString &text, int passes) {
  const QString shown = dotmatrix::printable(text);
  passes_ = std::max(0, passes);
  if (shown != text_) {
    text_ = shown;
    setAccessibleDescription(text_);
    if (!ensureLayout()) renderText();
  }
  restart();
}

bool ScrollingText::ensureLayout() {
  if (laidOut_ == size() && ratio_ == devicePixelRatioF()) return false;
  relayout();
  return true;
}

bool ScrollingText::isScrolling() const {
  return textWidth_ > width() && (passes_ == 0 || passesDone_ < passes_);
}

bool ScrollingText::advance() {
  ensureLayout();
  if (!isScrolling()) {
    updateTimer();
    return false;
  }
  if (rest_ > 0) {
    --rest_;
    return false;
  }
  offset_ += pitch_;
  if (offset_ >= period_) {
    // Round again: the text's start is back at the left edge.
    offset_ = 0;
    ++passesDone_;
    rest_ = kRestTicks;
    updateTimer();
  }
  update();
  return true;
}

int ScrollingText::preferredHeight(int pitch) const { return (dotmatrix::kRows + 1) * std::max(1, pitch); }

QSize ScrollingText::sizeHint() const { return {200, preferredHeight(2)}; }

QSize ScrollingText::minimumSizeHint() const { return {dotmatrix::kAdvance * 4, preferredHeight(1)}; }

void ScrollingText::restart() {
  offset_ = 0;
  passesDone_ = 0;
  rest_ = kRestTicks;
  updateTimer();
  update();
}

void ScrollingText::updateTimer() {
  if (isScrolling() && isVisible()) {
    if (!timer_.isActive()) timer_.start();
  } else {
    timer_.stop();
  }
}

void ScrollingText::relayout() {
  laidOut_ = size();
  ratio_ = devicePixelRatioF();
  pitch_ = dotmatrix::pitchForHeight(height());
  renderGrid();
  renderText();
}

void ScrollingText::renderText() {
  textWidth_ = dotmatrix::textWidth(text_, pitch_);
  // A whole number of steps, so that every pass ends exactly at the start.
  const int gap = kGapCells * dotmatrix::kAdvance * pitch_;
  period_ = (textWidth_ + gap + pitch_ - 1) / pitch_ * pitch_;
  textCache_ = canvas(QSize(textWidth_, height()), devicePixelRatioF(), Qt::transparent);
  QPainter p(&textCache_);
  dotmatrix::drawText(p, QPoint(0, (height() - dotmatrix::kRows * pitch_) / 2), text_, pitch_, palette::lit());
  if (offset_ >= period_) offset_ = 0;
}

void ScrollingText::renderGrid() {
  if (width() <= 0 || height() <= 0) return;
  gridCache_ = canvas(size(), devicePixelRatioF(), palette::background());
  QPainter p(&gridCache_);
  dotmatrix::drawGrid(p, rect(), QPoint(0, (height() - dotmatrix::kRows * pitch_) / 2), pitch_, palette::ghost(),
                      dotmatrix::Grid::Continuous);
}

void ScrollingText::resizeEvent(QResizeEvent *) {
  ensureLayout();
  // Text that fits now stands at its start.
  if (textWidth_ <= width()) restart();
  updateTimer();
}

void ScrollingText::showEvent(QShowEvent *) { updateTimer(); }

void ScrollingText::hideEvent(QHideEvent *) { timer_.stop(); }

void ScrollingText::paintEvent(QPaintEvent *) {
  ensureLayout();
  QPainter p(this);
  p.drawPixmap(0, 0, gridCache_);
  if (text_.isEmpty()) return;
  p.drawPixmap(-offset_, 0, textCache_);
  // The text coming round again behind the gap.
  if (isScrolling() && period_ - offset_ < width()) p.drawPixmap(period_ - offset_, 0, textCache_);
}

}  // namespace components::display
