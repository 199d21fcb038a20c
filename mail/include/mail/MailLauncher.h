// The mail command of the main window (the PC tool button, the File menu's
// item and the PC pop-up's item): the selected PC files, voice files
// decoded first when the user wants it so, handed to the mail client.
// Installed at start-up with the other windows:
//   options.windows.push_back(mail::install);
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace app {
class Quillorn;
class TFrmMain;
}  // namespace app

namespace mail {

class XdgEmail;

class MailLauncher : public QObject {
  Q_OBJECT
 public:
  static MailLauncher *install(app::TFrmMain &main);
  static MailLauncher *of(app::TFrmMain &main);

  // OnBtnEmailClick.
  void OnBtnEmailClick();

  XdgEmail &client() { return *client_; }
  // The attachments of the last command.
  const QStringList &lastAttachments() const { return last_; }

  // Where the user is told that no mail client can be reached (a message
  // box unless a test sets another), and how the folder is opened.
  std::function<void(const QString &caption, const QString &text)> showError;
  std::function<void(const QString &folder)> openFolder;

 private:
  explicit MailLauncher(app::TFrmMain &main);
  void noMailClient(const QString &folder, const QStringList &files);

  app::TFrmMain &main_;
  XdgEmail *client_;
  QStringList last_;
};

// For app::StartupOptions::windows.
void install(app::Quillorn &quillorn);

}  // namespace mail
