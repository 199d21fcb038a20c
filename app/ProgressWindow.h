// TFrmProgress: the transfer progress window. A title bar, two text lines,
// two gauges with byte counters, a file counter and "Cancel".
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "components/texts/MessageTexts.h"

namespace app {

class BusyWindows;

class TFrmProgress : public QWidget {
  Q_OBJECT
 public:
  TFrmProgress(const components::MessageTexts &texts, BusyWindows *busy, std::function<void()> onCancel);

  QLabel *m_LblTitle;
  QLabel *m_LblDirectory;
  QLabel *m_LblFileName;
  QProgressBar *m_GagCurrent;
  QLabel *m_LblWriteByte;
  QProgressBar *m_GagTotal;
  QLabel *m_LblFileCount;
  QLabel *m_LblTotalWriteByte;
  QPushButton *button_cancel;

  // The title bar turns red while a job that must not be interrupted runs.
  void setTitleAlert(bool alert);
  bool titleAlert() const { return alert_; }
  // Sets the position to centred on the desktop.
  void centre();

 protected:
  void showEvent(QShowEvent *) override;
  void hideEvent(QHideEvent *) override;
  void mousePressEvent(QMouseEvent *) override;
  void mouseMoveEvent(QMouseEvent *) override;

 private:
  BusyWindows *busy_;
  bool alert_ = false;
  QPoint dragOffset_;
};

}  // namespace app
