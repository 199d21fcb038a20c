// The windows that a job window disables while it is shown: the main window,
// and the editor and speed player windows when they exist.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace app {

class BusyWindows {
 public:
  void add(QWidget *window) { windows_.emplace_back(window); }
  // Showing a job window disables them all; closing it enables them all,
  // whatever their state was before.
  void setBusy(bool busy) {
    for (auto &w : windows_)
      if (w) w->setEnabled(!busy);
  }

 private:
  std::vector<QPointer<QWidget>> windows_;
};

}  // namespace app
