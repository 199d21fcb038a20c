// The mail command against a stand-in xdg-email that records its
// arguments: the files reach it intact, one --attach each, with nothing
// selected the compose window still opens, and without xdg-email the user
// is told so and gets the folder and the files on the clipboard.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "../app/WindowOptions.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/pc/PcPanel.h"
#include "mail/MailClient.h"
#include "mail/MailLauncher.h"
#include "q417io/Flash.h"
#include "testsupport/Files.h"
#include "testsupport/MemoryFlashIo.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

// PATH holds only a folder with a stand-in xdg-email (when given) while the
// test runs, so that the machine's own mail client never starts.
class FakeMailClient {
 public:
  explicit FakeMailClient(const TempDir &dir, bool present) : saved_(qgetenv("PATH")) {
    fs::create_directories(dir / "bin");
    log_ = dir / "xdg-email.log";
    if (present) {
      std::ofstream script(dir / "bin" / "xdg-email");
      script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << log_.string() << "'\n";
      script.close();
      fs::permissions(dir / "bin" / "xdg-email", fs::perms::owner_all);
    }
    qputenv("PATH", QByteArray::fromStdString((dir / "bin").string()));
  }
  ~FakeMailClient() { qputenv("PATH", saved_); }
  // The arguments it was run with, one a line.
  std::vector<std::string> arguments() const {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  QByteArray saved_;
  fs::path log_;
};

class MailWindow : public testing::Test {
 protected:
  MailWindow() : flash(q417io::Flash::inMemory(1024)), memory(*flash) {
    app::StartupOptions o = testsupport::windowTestOptions(dir.path(), memory);
    o.windows.push_back(mail::install);
    quillorn = std::make_unique<app::Quillorn>(o);
    EXPECT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    pc = app::PcSide::of(*main)->panel();
    launcher = mail::MailLauncher::of(*main);
    launcher->showError = [this](const QString &, const QString &text) { errors << text; };
    launcher->openFolder = [this](const QString &folder) { opened << folder; };
    fs::create_directories(dir / "pc");
  }
  void showPcFolder(int files) {
    pc->setDirectory(QString::fromStdString((dir / "pc").string()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return pc->m_LvPCFileList->rowCount() == files; }));
  }
  bool clientDone() {
    QProcess *p = launcher->client().running();
    return !p || p->waitForFinished(5000);
  }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  pc::PcPanel *pc = nullptr;
  mail::MailLauncher *launcher = nullptr;
  QStringList errors, opened;
};

TEST(XdgEmailArguments, EveryFileIntactBehindItsOwnAttach) {
  const QStringList args = mail::XdgEmail::arguments({"/tmp/a b.wav", "/tmp/Grüße.dvg", "/tmp/-x.wav"});
  EXPECT_EQ(args, (QStringList{"--utf8", "--attach", "/tmp/a b.wav", "--attach", "/tmp/Grüße.dvg", "--attach",
                               "/tmp/-x.wav"}));
}

TEST_F(MailWindow, TheSelectedFilesReachTheMailClientIntact) {
  FakeMailClient client(dir, true);
  for (const char *name : {"a b.wav", "Grüße.mp3", "-lead.wav"}) std::ofstream(dir / "pc" / name) << "x";
  showPcFolder(3);
  pc->OnPupPCSelectAllClick();
  main->launcherAction(app::TFrmMain::Launcher::Email)->trigger();
  ASSERT_TRUE(clientDone());
  std::vector<std::string> expected{"--utf8"};
  for (const QString &file : pc->selectedFiles()) expected.insert(expected.end(), {"--attach", file.toStdString()});
  EXPECT_EQ(client.arguments(), expected);
  EXPECT_EQ(client.arguments().size(), 7u);
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MailWindow, NothingSelectedStillOpensTheComposeWindow) {
  FakeMailClient client(dir, true);
  showPcFolder(0);
  launcher->OnBtnEmailClick();
  ASSERT_TRUE(clientDone());
  EXPECT_EQ(client.arguments(), (std::vector<std::string>{"--utf8"}));
}

TEST_F(MailWindow, WithoutXdgEmailTheUserGetsTheFolderAndTheFiles) {
  FakeMailClient client(dir, false);
  std::ofstream(dir / "pc" / "memo.wav") << "x";
  showPcFolder(1);
  pc->OnPupPCSelectAllClick();
  launcher->OnBtnEmailClick();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("MAPI services are not available on this system"));
  EXPECT_TRUE(errors[0].contains("clipboard"));
  EXPECT_EQ(opened, QStringList{QString::fromStdString((dir / "pc").string())});
  const QMimeData *data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString((dir / "pc" / "memo.wav").string()))});
  EXPECT_TRUE(data->hasFormat("text/uri-list"));
}

}  // namespace
