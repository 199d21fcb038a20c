#include "components/display/DisplayStrip.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "components/display/ChannelLed.h"
#include "components/display/DisplayFormat.h"
#include "Canvas.h"
#include "components/display/DisplayPalette.h"
#include "components/display/DotMatrix.h"
#include "components/display/LedNumber.h"
#include "components/display/LedText.h"
#include "components/display/LevelMeter.h"
#include "components/display/ScrollingText.h"
#include "components/display/SpectrumView.h"

namespace components::display {
namespace {

const QString &idleKind() {
  static const QString text = QStringLiteral("none");
  return text;
}

const QString &totalCaption() {
  static const QString text = QStringLiteral("TOTAL");
  return text;
}

}  // namespace

struct DisplayStrip::Layout {
  QRect playKind, fileName, elapsed, total, bitRate, seconds, levels, spectrum, channels;
  QPoint totalCaption;
  int captionPitch = 1;
  std::array<int, 7> separators{};  // x of the lines between the groups
  int missing = 0;                  // width lacking for a few letters of the name
};

DisplayStrip::DisplayStrip(QWidget *parent)
    : QWidget(parent),
      playKind_(new LedText(6, this)),
      fileName_(new ScrollingText(this)),
      elapsed_(new LedClock(this)),
      total_(new LedClock(this)),
      bitRate_(new LedNumber(QStringLiteral("8888.8"), QStringLiteral("Kbps"), this)),
      seconds_(new LedNumber(QStringLiteral("8888"), QStringLiteral("sec"), this)),
      levels_(new StereoLevelMeter(this)),
      spectrum_(new SpectrumView(SpectrumView::kDefaultBands, this)),
      channels_(new ChannelLed(this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(QStringLiteral("Display"));
  playKind_->setAccessibleName(QStringLiteral("Play kind"));
  fileName_->setAccessibleName(QStringLiteral("File name"));
  elapsed_->setAccessibleName(QStringLiteral("Elapsed time"));
  total_->setAccessibleName(QStringLiteral("Total time"));
  bitRate_->setAccessibleName(QStringLiteral("Bit rate"));
  seconds_->setAccessibleName(QStringLiteral("Seconds"));
  levels_->setAccessibleName(QStringLiteral("Levels"));
  levels_->left()->setAccessibleName(QStringLiteral("Level left"));
  levels_->right()->setAccessibleName(QStringLiteral("Level right"));
  spectrum_->setAccessibleName(QStringLiteral("Spectrum"));
  channels_->setAccessibleName(QStringLiteral("Channels"));
  reset();
}

void DisplayStrip::setPlayKind(const QString &kind) { playKind_->setText(kind); }
void DisplayStrip::setFileName(const QString &name, int passes) { fileName_->setText(name, passes); }
void DisplayStrip::setElapsed(std::int64_t milliseconds) { elapsed_->setMilliseconds(milliseconds); }
void DisplayStrip::setTotal(std::int64_t milliseconds) { total_->setMilliseconds(milliseconds); }
void DisplayStrip::setBitRate(std::int64_t bitsPerSecond) { bitRate_->setText(formatBitRate(bitsPerSecond)); }
void DisplayStrip::setSeconds(std::int64_t seconds) { seconds_->setText(formatCount(seconds, 4)); }
void DisplayStrip::setLevels(double left, double right) { levels_->setLevels(left, right); }
void DisplayStrip::setLevelsDb(double leftDb, double rightDb) { levels_->setLevelsDb(leftDb, rightDb); }
void DisplayStrip::setSpectrum(std::span<const float> magnitudes) { spectrum_->setMagnitudes(magnitudes); }
void DisplayStrip::setStereo(bool stereo) { channels_->setStereo(stereo); }

void DisplayStrip::reset() {
  setPlayKind(idleKind());
  setFileName(QString());
  setElapsed(0);
  setTotal(0);
  setBitRate(0);
  setSeconds(0);
  levels_->reset();
  spectrum_->reset();
  channels_->setMode(ChannelLed::Mode::Off);
}

DisplayStrip::Layout DisplayStrip::layoutFor(QSize size) const {
  // Scaled to the height, unless the parts would not fit the width then:
  // smaller, centred in the height.
  double scale = size.height() / static_cast<double>(kDesignHeight);
  Layout l = layoutAt(size, scale);
  for (int i = 0; i < 4 && l.missing > 0 && scale > 0.5; ++i) {
    const int used = size.width() + l.missing;
    scale = std::max(0.5, scale * size.width() / used);
    l = layoutAt(size, scale);
  }
  return l;
}

DisplayStrip::Layout DisplayStrip::layoutAt(QSize size, double s) const {
  // Everything is measured at the design height and scaled.
  const auto scaled = [s](double v) { return std::max(1, static_cast<int>(std::lround(v * s))); };
  const int marginX = scaled(6), gap = scaled(12);
  const int inner = std::max(8, std::min(size.height() - 2, scaled(kDesignHeight - 6)));
  const int top = (size.height() - inner) / 2;
  const int textHeight = (dotmatrix::kRows + 1) * scaled(2);
  const int bigDigits = inner * 27 / 35;
  const int smallDigits = std::max(5, inner * 13 / 35);
  const int lowerRow = top + inner - smallDigits;

  Layout l;
  l.captionPitch = std::max(1, smallDigits / 13);
  const int captionRows = dotmatrix::kRows * l.captionPitch;
  const int captionGap = 2 * l.captionPitch;
  const int totalTop = top + std::max(0, (inner - captionRows - captionGap - smallDigits) / 2) + captionRows + captionGap;

  // Fixed widths first; the file name takes what is left.
  const int playKindW = playKind_->preferredWidth(textHeight);
  const int elapsedW = elapsed_->preferredWidth(bigDigits);
  const int totalW = std::max(total_->preferredWidth(smallDigits), dotmatrix::textWidth(totalCaption(), l.captionPitch));
  const int rateW = std::max(bitRate_->preferredWidth(smallDigits), seconds_->preferredWidth(smallDigits));
  const int levelsW = levels_->preferredWidth(inner);
  const int spectrumW = spectrum_->preferredWidth(inner);
  const int channelsW = channels_->preferredWidth(inner);
  const int fixed = playKindW + elapsedW + totalW + rateW + levelsW + spectrumW + channelsW;
  const int nameW = std::max(0, size.width() - 2 * marginX - fixed - 7 * gap);
  l.missing = std::max(0, 2 * marginX + fixed + 7 * gap + kMinNameCells * dotmatrix::kAdvance * scaled(2) - size.width());

  int x = marginX;
  int separator = 0;
  const auto next = [&](int width) {
    const int left = x;
    x += width + gap;
    if (separator < 7) l.separators[separator++] = x - (gap + 1) / 2;
    return left;
  };
  const int textTop = top + (inner - textHeight) / 2;
  l.playKind = QRect(next(playKindW), textTop, playKindW, textHeight);
  l.fileName = QRect(next(nameW), textTop, nameW, textHeight);
  l.elapsed = QRect(next(elapsedW), top + (inner - bigDigits) / 2, elapsedW, bigDigits);
  const int totalX = next(totalW);
  l.total = QRect(totalX, totalTop, total_->preferredWidth(smallDigits), smallDigits);
  l.totalCaption = QPoint(totalX, totalTop - captionGap - captionRows);
  const int rateX = next(rateW);
  l.bitRate = QRect(rateX, top, bitRate_->preferredWidth(smallDigits), smallDigits);
  l.seconds = QRect(rateX, lowerRow, seconds_->preferredWidth(smallDigits), smallDigits);
  l.levels = QRect(next(levelsW), top, levelsW, inner);
  l.spectrum = QRect(next(spectrumW), top, spectrumW, inner);
  l.channels = QRect(next(channelsW), top, channelsW, inner);
  return l;
}

QSize DisplayStrip::sizeHint() const { return {kDesignWidth, kDesignHeight}; }

QSize DisplayStrip::minimumSizeHint() const {
  // Room for every part and a few letters of the file name.
  const Layout l = layoutAt({kDesignWidth, kDesignHeight}, 1.0);
  return {kDesignWidth - l.fileName.width() + kMinNameCells * dotmatrix::kAdvance * 2, kDesignHeight};
}

void DisplayStrip::resizeEvent(QResizeEvent *) {
  const Layout l = layoutFor(size());
  playKind_->setGeometry(l.playKind);
  fileName_->setGeometry(l.fileName);
  elapsed_->setGeometry(l.elapsed);
  total_->setGeometry(l.total);
  bitRate_->setGeometry(l.bitRate);
  seconds_->setGeometry(l.seconds);
  levels_->setGeometry(l.levels);
  spectrum_->setGeometry(l.spectrum);
  channels_->setGeometry(l.channels);
  renderBackground(l);
}

void DisplayStrip::renderBackground(const Layout &l) {
  background_ = canvas(size(), devicePixelRatioF(), palette::background());
  QPainter p(&background_);
  // A faint edge at top and bottom, as of a panel behind glass.
  p.fillRect(0, 0, width(), 1, palette::dimmed(palette::separator(), 70));
  p.fillRect(0, height() - 1, width(), 1, palette::dimmed(palette::separator(), 50));
  const int inset = std::max(3, height() / 8);
  for (int x : l.separators) p.fillRect(x, inset, 1, height() - 2 * inset, palette::separator());
  dotmatrix::drawText(p, l.totalCaption, totalCaption(), l.captionPitch, palette::caption());
}

void DisplayStrip::paintEvent(QPaintEvent *) {
  if (isStale(background_, *this)) renderBackground(layoutFor(size()));
  QPainter p(this);
  p.drawPixmap(0, 0, background_);
}

}  // namespace components::display
