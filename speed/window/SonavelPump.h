// Sonavel's buffer-done notifications on the Qt event loop: its descriptor
// is watched, and whenever it is readable the waiting notifications are
// dispatched, so engine playback advances while the application's loop runs.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace speed {

class SonavelPump : public QObject {
  Q_OBJECT
 public:
  explicit SonavelPump(QObject *parent = nullptr);
  // Dispatches whatever waits now (also called by modal loops that poll).
  void dispatch();

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace speed
