#include "app/NoticeWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QStyle>

#include "app/BusyWindows.h"

namespace app {

TFrmShow::TFrmShow(BusyWindows *busy, const std::function<void()> &onCreated)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), busy_(busy) {
  setObjectName("TFrmShow");
  setFixedSize(424, 59);
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(12, 6, 12, 6);
  auto *icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  row->addWidget(icon);
  m_LblMessage = new QLabel("Change the index...", this);
  m_LblMessage->setObjectName("m_LblMessage");
  m_LblMessage->setAlignment(Qt::AlignCenter);
  m_LblMessage->setTextFormat(Qt::PlainText);
  QFont bold = m_LblMessage->font();
  bold.setBold(true);
  m_LblMessage->setFont(bold);
  row->addWidget(m_LblMessage, 1);
  // Borderless: a thin line of its own marks its edge.
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet("#TFrmShow { border: 1px solid #404040; }");

  // The last window of start-up: only now may the recorder link start.
  if (onCreated) onCreated();
}

void TFrmShow::centre() {
  QScreen *screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFrmShow::showEvent(QShowEvent *event) {
  if (busy_) busy_->setBusy(true);
  QWidget::showEvent(event);
}

void TFrmShow::hideEvent(QHideEvent *event) {
  if (busy_) busy_->setBusy(false);
  QWidget::hideEvent(event);
}

}  // namespace app
