#include "mail/MailLauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/QtJobUi.h"
#include "app/Startup.h"
#include "app/Texts.h"
#include "app/pc/PcPanel.h"
#include "mail/MailClient.h"
#include "mail/MailJob.h"

namespace mail {

namespace {
constexpr const char *kObjectName = "MailLauncher";
// xdg-email's exit code when it finds no way to the user's mail client.
constexpr int kNoToolsFound = 3;
}  // namespace

MailLauncher::MailLauncher(app::TFrmMain &main) : QObject(&main), main_(main), client_(new XdgEmail(this)) {
  setObjectName(kObjectName);
  showError = [this](const QString &caption, const QString &text) {
    QMessageBox::critical(main_.jobUi().dialogParent(), caption, text);
  };
  openFolder = [](const QString &folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
}

MailLauncher *MailLauncher::install(app::TFrmMain &main) {
  if (MailLauncher *existing = of(main)) return existing;
  auto *launcher = new MailLauncher(main);
  main.setLauncher(app::TFrmMain::Launcher::Email, [launcher] { launcher->OnBtnEmailClick(); });
  return launcher;
}

MailLauncher *MailLauncher::of(app::TFrmMain &main) {
  return main.findChild<MailLauncher *>(kObjectName, Qt::FindDirectChildrenOnly);
}

void install(app::Quillorn &quillorn) {
  if (quillorn.main()) MailLauncher::install(*quillorn.main());
}

void MailLauncher::OnBtnEmailClick() {
  app::PcSide *pc = app::PcSide::of(main_);
  if (!pc) return;
  const QString folder = pc->panel()->currentDirectory();
  std::vector<std::string> names;
  for (const QString &path : pc->panel()->selectedFiles()) names.push_back(QFileInfo(path).fileName().toStdString());

  app::QtJobUi &ui = main_.jobUi();
  MailJob job(ui);
  job.namedMessage = [&ui](std::string_view caption, const std::string &prefix, std::string_view text,
                           components::MsgKind kind, int buttons) {
    return ui.namedMessageBox(caption, prefix, text, kind, buttons);
  };
  last_.clear();
  for (const std::string &file : job.attachments(folder.toStdString(), names)) last_ << QString::fromStdString(file);
  pc->panel()->refresh();  // WAV files made for the mail show in the list
  if (app::PlayerSide *players = app::PlayerSide::of(main_)) players->stopAll();

  // The compose window is the mail client's own: the main window stays
  // usable while it is open.
  const QStringList files = last_;
  client_->finished = [this, folder, files](int exitCode) {
    if (exitCode == kNoToolsFound) noMailClient(folder, files);
  };
  if (!client_->send(files)) noMailClient(folder, files);
}

void MailLauncher::noMailClient(const QString &folder, const QStringList &files) {
  if (!files.isEmpty()) {
    NoMailClient::putOnClipboard(files);
    if (openFolder && !folder.isEmpty()) openFolder(folder);
  }
  if (showError) showError(app::uiText(main_.texts(), keys::kKindProgram), NoMailClient::message());
}

}  // namespace mail
