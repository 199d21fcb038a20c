#include "QtTestEnvironment.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QElapsedTimer>
#include <QThread>

namespace testsupport {

namespace {

// One QApplication for the whole test program.
class QtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "app_test";
    static char *argv[] = {name, nullptr};
    // Headless unless a display was chosen on purpose.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication *app_ = nullptr;
};

[[maybe_unused]] testing::Environment *const environment = testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

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
