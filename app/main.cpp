// Quillorn: the desktop application for the Q417 voice recorder.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QUrl>
#include <QTimer>
#include <cstdio>

#include "app/Led.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "editor/Install.h"
#include "mail/MailLauncher.h"
#include "recorder/FlashIo.h"
#include "speed/window/SpeedInstaller.h"

namespace {

// --startup-probe: prints the milliseconds from process start to the first
// paint of the main window, then quits (used by the start-up benchmark).
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      std::printf("shown\n");
      std::fflush(stdout);
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool done_ = false;
};

// SIGTERM and SIGINT close the main window as Exit does, so that the link
// shuts down in order. The handler only writes to a pipe.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}

void closeOnSignals(QWidget *mainWindow) {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, mainWindow);
  QObject::connect(notifier, &QSocketNotifier::activated, mainWindow, [mainWindow] {
    char buffer[16];
    while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    mainWindow->close();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char **argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Quillorn");
  QApplication::setApplicationVersion("1.01");
  QApplication::setDesktopFileName("quillorn");
  QApplication::setWindowIcon(app::programPicture(64));

  QCommandLineParser options;
  options.setApplicationDescription(
      "Quillorn: copy, play, write and manage the recordings of the Q417 voice recorder.\n"
      "The recorder is reached through libq417io; its stand-in takes the chip image from $Q417_IMAGE.");
  options.addHelpOption();
  options.addVersionOption();
  QCommandLineOption probe("startup-probe", "Print \"shown\" when the main window first paints, then quit.");
  options.addOption(probe);
  options.addPositionalArgument("FILE", "Voice, WAV or MP3 files to show and play (in the running copy, if any).",
                                "[FILE...]");
  options.process(application);

  auto io = recorder::makeLibraryFlashIo();
  app::StartupOptions startup = app::defaultStartupOptions(*io);
  startup.windows.push_back(editor::install);
  startup.windows.push_back(speed::installSpeedPlayer);
  startup.windows.push_back(mail::install);
  for (const QString &argument : options.positionalArguments()) {
    const QUrl url(argument);
    const QString file = url.isLocalFile() ? url.toLocalFile() : argument;
    startup.openFiles << QFileInfo(file).absoluteFilePath();
  }
  app::Quillorn quillorn(std::move(startup));
  if (quillorn.start() == app::Quillorn::Outcome::AnotherCopyRuns) {
    std::fprintf(stderr, "quillorn: already running; the running copy was brought to the front\n");
    return 0;
  }
  FirstPaint firstPaint;
  if (options.isSet(probe)) quillorn.main()->installEventFilter(&firstPaint);
  closeOnSignals(quillorn.main());
  quillorn.main()->show();
  return application.exec();
}
