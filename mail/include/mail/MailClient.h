// The user's mail client, reached through xdg-email: a new message with the
// attachments opens in the client's compose window, where the user
// addresses and sends it. The client runs on its own; nothing waits for it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QProcess;

namespace mail {

class XdgEmail : public QObject {
  Q_OBJECT
 public:
  explicit XdgEmail(QObject *parent = nullptr);

  // The program is looked up in PATH each time.
  QString program() const;
  bool available() const { return !program().isEmpty(); }

  // The arguments for these files: "--utf8", then "--attach" and the full
  // path of each file, one argument each (no shell ever sees them).
  static QStringList arguments(const QStringList &files);

  // Starts the mail client; false when xdg-email cannot be found or
  // started. finished, when set, gets its exit code.
  bool send(const QStringList &files);
  std::function<void(int exitCode)> finished;

  // The client started last, while it runs (for tests).
  QProcess *running() const { return running_; }

 private:
  QProcess *running_ = nullptr;
};

// What the user is told and given when no mail client can be reached: the
// system's "not available" message, the folder opened in the file manager
// and the files on the clipboard as a list of file addresses.
struct NoMailClient {
  static QString message();
  // The clipboard's contents for the files: text/uri-list and plain text.
  static void putOnClipboard(const QStringList &files);
};

}  // namespace mail
