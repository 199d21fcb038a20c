#include "QtTestEnvironment.h"

#include <stdlib.h>

#include <QElapsedTimer>
#include <QThread>

namespace testsupport {

std::filesystem::path sourceDataFolder() {
  const char *source = std::getenv("QUILLORN_SOURCE_DIR");
  return std::filesystem::path(source && *source ? source : QUILLORN_TEST_SOURCE_DIR) / "data";
}

void whenModalShown(std::function<void(QWidget *)> answer) {
  auto *timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace testsupport
