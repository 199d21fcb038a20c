#include "app/ProgressWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/BusyWindows.h"
#include "app/Texts.h"

namespace app {

namespace {

QProgressBar *gauge(QWidget *parent) {
  auto *bar = new QProgressBar(parent);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  bar->setFixedHeight(16);
  return bar;
}

}  // namespace

TFrmProgress::TFrmProgress(const components::MessageTexts &texts, BusyWindows *busy, std::function<void()> onCancel)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), busy_(busy) {
  setObjectName("TFrmProgress");
  setFixedSize(373, 184);
  setAttribute(Qt::WA_DeleteOnClose, false);

  auto *frame = new QVBoxLayout(this);
  frame->setContentsMargins(1, 1, 1, 1);
  frame->setSpacing(0);
  m_LblTitle = new QLabel(this);
  m_LblTitle->setObjectName("m_LblTitle");
  m_LblTitle->setFixedHeight(22);
  m_LblTitle->setContentsMargins(8, 0, 8, 0);
  m_LblTitle->setAutoFillBackground(true);
  QFont titleFont = m_LblTitle->font();
  titleFont.setBold(true);
  m_LblTitle->setFont(titleFont);
  setTitleAlert(false);
  frame->addWidget(m_LblTitle);

  auto *body = new QVBoxLayout;
  body->setContentsMargins(12, 8, 12, 10);
  body->setSpacing(3);
  m_LblDirectory = new QLabel(this);
  m_LblFileName = new QLabel(this);
  for (QLabel *l : {m_LblDirectory, m_LblFileName}) {
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(1);
    body->addWidget(l);
  }
  m_GagCurrent = gauge(this);
  body->addWidget(m_GagCurrent);
  m_LblWriteByte = new QLabel(this);
  m_LblWriteByte->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  body->addWidget(m_LblWriteByte);
  m_GagTotal = gauge(this);
  body->addWidget(m_GagTotal);
  auto *counters = new QHBoxLayout;
  m_LblFileCount = new QLabel(this);
  m_LblTotalWriteByte = new QLabel(this);
  m_LblTotalWriteByte->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  counters->addWidget(m_LblFileCount);
  counters->addWidget(m_LblTotalWriteByte, 1);
  body->addLayout(counters);
  body->addStretch(1);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  button_cancel = new QPushButton(uiText(texts, "FP_button_cancel", "&Cancel"), this);
  button_cancel->setObjectName("button_cancel");
  buttons->addWidget(button_cancel);
  body->addLayout(buttons);
  frame->addLayout(body);

  // Cancel only asks: the job reads the flag after its current step.
  connect(button_cancel, &QPushButton::clicked, this, [onCancel] {
    if (onCancel) onCancel();
  });
  auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, button_cancel, [this] {
    if (button_cancel->isVisible()) button_cancel->click();
  });

  // Borderless: a thin line of its own marks its edge.
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet("#TFrmProgress { border: 1px solid #404040; }");
}

void TFrmProgress::setTitleAlert(bool alert) {
  alert_ = alert;
  QPalette pal = m_LblTitle->palette();
  pal.setColor(QPalette::Window, alert ? QColor(200, 0, 0) : QColor(0, 0, 160));
  pal.setColor(QPalette::WindowText, Qt::white);
  m_LblTitle->setPalette(pal);
}

void TFrmProgress::centre() {
  QScreen *screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

void TFrmProgress::showEvent(QShowEvent *event) {
  if (busy_) busy_->setBusy(true);
  QWidget::showEvent(event);
}

void TFrmProgress::hideEvent(QHideEvent *event) {
  if (busy_) busy_->setBusy(false);
  QWidget::hideEvent(event);
}

// The window has no frame: it moves by its title bar.
void TFrmProgress::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && m_LblTitle->geometry().contains(event->position().toPoint()))
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  else
    dragOffset_ = {};
  QWidget::mousePressEvent(event);
}

void TFrmProgress::mouseMoveEvent(QMouseEvent *event) {
  if ((event->buttons() & Qt::LeftButton) && !dragOffset_.isNull())
    move(event->globalPosition().toPoint() - dragOffset_);
  QWidget::mouseMoveEvent(event);
}

}  // namespace app
