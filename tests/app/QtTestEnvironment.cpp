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

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillorn-app-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::write(const std::string &name, const std::string &bytes) const {
  std::filesystem::path file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

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
