#include "mail/MailClient.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace mail {

XdgEmail::XdgEmail(QObject *parent) : QObject(parent) {}

QString XdgEmail::program() const { return QStandardPaths::findExecutable("xdg-email"); }

QStringList XdgEmail::arguments(const QStringList &files) {
  QStringList args{"--utf8"};
  for (const QString &file : files) {
    // A full path never starts with "-", so no name reads as an option.
    args << "--attach" << QFileInfo(file).absoluteFilePath();
  }
  return args;
}

bool XdgEmail::send(const QStringList &files) {
  const QString path = program();
  if (path.isEmpty()) return false;
  auto *process = new QProcess(this);
  process->setProgram(path);
  process->setArguments(arguments(files));
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  connect(process, &QProcess::finished, this, [this, process](int exitCode) {
    if (running_ == process) running_ = nullptr;
    process->deleteLater();
    if (finished) finished(exitCode);
  });
  connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    if (running_ == process) running_ = nullptr;
    process->deleteLater();
  });
  process->start();
  if (!process->waitForStarted(5000)) return false;
  running_ = process;
  return true;
}

QString NoMailClient::message() {
  return "MAPI services are not available on this system\n\n"
         "No mail program could be started (xdg-email was not found). The folder of the files is opened in the "
         "file manager and the files are on the clipboard: paste them into a new message of your mail program.";
}

void NoMailClient::putOnClipboard(const QStringList &files) {
  auto *data = new QMimeData;
  QList<QUrl> urls;
  for (const QString &file : files) urls << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
  data->setUrls(urls);  // text/uri-list
  QStringList lines;
  for (const QString &file : files) lines << QFileInfo(file).absoluteFilePath();
  data->setText(lines.join('\n'));
  QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace mail
