// One QApplication for a whole widget test program, on the offscreen
// platform unless a display was chosen on purpose. Linked as an object
// library: nothing refers to it, the environment registers itself.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

class QtApplication : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "quillorn_test";
    static char *argv[] = {name, nullptr};
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

[[maybe_unused]] testing::Environment *const environment = testing::AddGlobalTestEnvironment(new QtApplication);

}  // namespace
