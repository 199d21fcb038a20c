#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QUrl>

namespace app {

namespace {

constexpr int kProbeTimeoutMs = 1000;
// One command a line. A file travels as an encoded file URL, so that any
// name (blanks, line breaks, any bytes) arrives as it was.
constexpr char kRaiseCommand[] = "raise\n";
constexpr char kOpenCommand[] = "open ";

// Serialises the probe and the listen of copies that start at the same time.
class StartLock {
 public:
  explicit StartLock(const QString &name) {
    fd_ = ::open(QFile::encodeName(name + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~StartLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  StartLock(const StartLock &) = delete;
  StartLock &operator=(const StartLock &) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

QString defaultInstanceName() {
  QString explicitName = qEnvironmentVariable("QUILLORN_INSTANCE");
  if (!explicitName.isEmpty()) return explicitName;
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(runtime).exists()) return QDir(runtime).filePath("Q417");
  return QDir(QDir::tempPath()).filePath(QStringLiteral("Q417-%1").arg(::getuid()));
}

SingleInstance::SingleInstance(QString name, QObject *parent) : QObject(parent), name_(std::move(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() { server_.close(); }

bool SingleInstance::tellRunningCopy(const QStringList &files) {
  QLocalSocket probe;
  probe.connectToServer(name_);
  if (!probe.waitForConnected(kProbeTimeoutMs)) return false;
  QByteArray commands = kRaiseCommand;
  for (const QString &file : files) commands += kOpenCommand + QUrl::fromLocalFile(file).toEncoded() + '\n';
  probe.write(commands);
  probe.waitForBytesWritten(kProbeTimeoutMs);
  probe.disconnectFromServer();
  return true;
}

bool SingleInstance::DoInstanceExist(const QStringList &files) {
  StartLock lock(name_);
  if (tellRunningCopy(files)) return true;
  // Nobody answered: whatever socket file is there is stale.
  QLocalServer::removeServer(name_);
  if (server_.listen(name_)) return false;
  // Listening failed for another reason (folder missing or not writable):
  // run without the single-instance guard rather than not at all.
  qWarning("quillorn: cannot listen on %s: %s", qPrintable(name_), qPrintable(server_.errorString()));
  return false;
}

void SingleInstance::onNewConnection() {
  while (QLocalSocket *socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // The requests run from the event loop, after the socket is read: a
      // request may open a modal box, whose loop may delete the socket.
      while (socket->canReadLine()) {
        const QByteArray line = socket->readLine();
        if (line == kRaiseCommand) {
          QMetaObject::invokeMethod(this, &SingleInstance::raiseRequested, Qt::QueuedConnection);
        } else if (line.startsWith(kOpenCommand) && line.endsWith('\n')) {
          const QUrl url = QUrl::fromEncoded(line.mid(int(sizeof kOpenCommand) - 1).chopped(1), QUrl::StrictMode);
          if (url.isValid() && url.isLocalFile())
            QMetaObject::invokeMethod(this, [this, file = url.toLocalFile()] { emit openRequested(file); },
                                      Qt::QueuedConnection);
        }
      }
    });
    if (socket->canReadLine()) emit socket->readyRead();
  }
}

}  // namespace app
