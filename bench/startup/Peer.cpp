// The peer of the start-up benchmark: a main window with a menu and a status
// bar, and nothing else. Prints "shown" at its first paint and quits.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>

namespace {

class Window : public QMainWindow {
 protected:
  void paintEvent(QPaintEvent *event) override {
    QMainWindow::paintEvent(event);
    if (done_) return;
    done_ = true;
    std::printf("shown\n");
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  Window w;
  w.menuBar()->addMenu("&File")->addAction("E&xit");
  w.setCentralWidget(new QLabel("peer"));
  w.statusBar()->showMessage("ready");
  w.resize(838, 660);
  w.show();
  return app.exec();
}
