// One running copy per user: the first copy listens on a local socket named
// after the model; a second start connects, asks the first to come to the
// front ("Checking" in its title), hands it the files it was asked to open
// and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

namespace app {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // name: the socket's full path (see defaultInstanceName).
  explicit SingleInstance(QString name, QObject *parent = nullptr);
  ~SingleInstance() override;

  // DoInstanceExist: true when another copy runs; it has been told to raise
  // its window. Otherwise this copy now holds the name. A socket left behind
  // by a copy that was killed is removed, but only after a connection to it
  // has failed, so a live copy's socket is never deleted.
  // files: absolute paths the running copy is to open.
  bool DoInstanceExist(const QStringList &files = {});
  const QString &name() const { return name_; }
  bool listening() const { return server_.isListening(); }

 signals:
  // A second copy asked this one to come to the front.
  void raiseRequested();
  // A second copy was started to open this file (an absolute path).
  void openRequested(const QString &path);

 private:
  bool tellRunningCopy(const QStringList &files);
  void onNewConnection();
  QString name_;
  QLocalServer server_;
};

// $QUILLORN_INSTANCE when set, else $XDG_RUNTIME_DIR/Q417, else a per-user
// name in the temporary folder.
QString defaultInstanceName();

}  // namespace app
