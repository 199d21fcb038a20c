// TFrmShow: the notice window, one line of text shown while a short job
// without measurable progress runs. Created last at start-up; its creation
// opens the recorder link.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

namespace app {

class BusyWindows;

class TFrmShow : public QWidget {
  Q_OBJECT
 public:
  // onCreated: the main window's OpenFlash.
  TFrmShow(BusyWindows *busy, const std::function<void()> &onCreated);

  QLabel *m_LblMessage;
  void centre();

 protected:
  void showEvent(QShowEvent *) override;
  void hideEvent(QHideEvent *) override;

 private:
  BusyWindows *busy_;
};

}  // namespace app
