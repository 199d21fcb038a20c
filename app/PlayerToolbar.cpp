#include "app/PlayerToolbar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "app/Texts.h"

namespace app {

namespace {

enum class Glyph { Record, Play, Pause, Stop };

// Transport glyphs of our own, drawn once per size.
QIcon glyph(Glyph kind) {
  QIcon icon;
  for (int size : {16, 24, 32}) {
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
      QPixmap pixmap(size, size);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      const bool on = mode == QIcon::Normal;
      const QColor ink = on ? QColor(40, 40, 40) : QColor(160, 160, 160);
      const qreal m = size * 0.2, s = size - 2 * m;
      p.setPen(Qt::NoPen);
      switch (kind) {
        case Glyph::Record:
          p.setBrush(on ? QColor(210, 30, 30) : ink);
          p.drawEllipse(QRectF(m, m, s, s));
          break;
        case Glyph::Play: {
          QPainterPath path;
          path.moveTo(m + s * 0.1, m);
          path.lineTo(m + s, m + s / 2);
          path.lineTo(m + s * 0.1, m + s);
          path.closeSubpath();
          p.setBrush(on ? QColor(20, 140, 40) : ink);
          p.drawPath(path);
          break;
        }
        case Glyph::Pause:
          p.setBrush(ink);
          p.drawRect(QRectF(m + s * 0.1, m, s * 0.3, s));
          p.drawRect(QRectF(m + s * 0.6, m, s * 0.3, s));
          break;
        case Glyph::Stop:
          p.setBrush(ink);
          p.drawRect(QRectF(m + s * 0.05, m + s * 0.05, s * 0.9, s * 0.9));
          break;
      }
      p.end();
      icon.addPixmap(pixmap, mode);
    }
  }
  return icon;
}

QToolButton *transportButton(QWidget *parent, const char *name, Glyph kind) {
  auto *button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(glyph(kind));
  button->setIconSize(QSize(18, 18));
  button->setAutoRaise(true);
  button->setFixedSize(26, 24);
  button->setEnabled(false);
  return button;
}

QSlider *slider(QWidget *parent, const char *name, int width) {
  auto *s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(name);
  s->setMinimumWidth(width);
  s->setEnabled(false);
  return s;
}

}  // namespace

PlayerToolbar::PlayerToolbar(QWidget *parent) : QWidget(parent) {
  setObjectName("m_MainToolBar");
  setFixedHeight(kHeight);
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(4, 1, 4, 1);
  row->setSpacing(2);
  m_BtnSPRecord = transportButton(this, "m_BtnSPRecord", Glyph::Record);
  m_BtnPlay = transportButton(this, "m_BtnPlay", Glyph::Play);
  m_BtnPause = transportButton(this, "m_BtnPause", Glyph::Pause);
  m_BtnStop = transportButton(this, "m_BtnStop", Glyph::Stop);
  for (QToolButton *b : {m_BtnSPRecord, m_BtnPlay, m_BtnPause, m_BtnStop}) row->addWidget(b);
  row->addSpacing(12);
  row->addWidget(new QLabel(QStringLiteral("Vol"), this));
  m_VolMixerSlider = slider(this, "m_VolMixerSlider", 90);
  m_VolMixerSlider->setRange(0, 100);
  m_VolMixerSlider->setValue(100);
  row->addWidget(m_VolMixerSlider);
  row->addSpacing(12);
  row->addWidget(new QLabel(QStringLiteral("Pos"), this));
  m_SldPlayPosition = slider(this, "m_SldPlayPosition", 200);
  row->addWidget(m_SldPlayPosition, 1);
  m_PnlRetryCount = new QLabel(QStringLiteral("00"), this);
  m_PnlRetryCount->setObjectName("m_PnlRetryCount");
  m_PnlRetryCount->setFrameShape(QFrame::StyledPanel);
  m_PnlRetryCount->setAlignment(Qt::AlignCenter);
  m_PnlRetryCount->setFixedWidth(28);
  m_PnlRetryCount->hide();
  row->addWidget(m_PnlRetryCount);
}

void PlayerToolbar::applyTexts(const components::MessageTexts &texts) {
  const struct {
    QWidget *control;
    const char *key;
  } hints[] = {{m_BtnSPRecord, "FM_button_sprecord"},      {m_BtnPlay, "FM_button_play"},
               {m_BtnPause, "FM_button_pause"},            {m_BtnStop, "FM_button_stop"},
               {m_VolMixerSlider, "FM_trackbar_wavvolume"}, {m_SldPlayPosition, "FM_trackbar_position"}};
  for (const auto &h : hints) {
    h.control->setToolTip(uiText(texts, h.key));
    h.control->setAccessibleName(uiText(texts, h.key));
  }
  m_PnlRetryCount->setAccessibleName(QStringLiteral("Retries"));
}

}  // namespace app
