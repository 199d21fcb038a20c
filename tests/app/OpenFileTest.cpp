// Opening a file from the file manager or the command line: a second start
// hands its files to the running copy, which shows each file's folder with
// the file selected and plays it.
#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include "QtTestEnvironment.h"
#include "SoundFiles.h"
#include "WindowOptions.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/pc/PcFileList.h"
#include "app/pc/PcPanel.h"
#include "q417io/Flash.h"
#include "testsupport/DrivenOutputs.h"
#include "testsupport/MemoryFlashIo.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::waitUntil;
namespace wave = components::wave;

namespace {

QString qpath(const fs::path &p) { return QString::fromStdString(p.string()); }

// Names as a file manager may hand them over: blanks, a line break, a
// percent sign, a hash, non-ASCII letters.
TEST(SingleInstanceOpen, FilesReachTheRunningCopyAsTheyWereNamed) {
  TempDir dir;
  const QString socket = qpath(dir / "Q417");
  app::SingleInstance first(socket);
  ASSERT_FALSE(first.DoInstanceExist());
  QSignalSpy raised(&first, &app::SingleInstance::raiseRequested);
  QSignalSpy opened(&first, &app::SingleInstance::openRequested);
  const QStringList files = {"/tmp/plain.dvg", "/tmp/with blank/and%20percent #1.wav",
                             QString::fromUtf8("/tmp/Überweisung – Notiz.MP3"), "/tmp/two\nlines.dvg"};
  app::SingleInstance second(socket);
  EXPECT_TRUE(second.DoInstanceExist(files));
  ASSERT_TRUE(waitUntil([&] { return opened.count() == files.size(); }));
  EXPECT_EQ(raised.count(), 1);
  for (int i = 0; i < files.size(); ++i) EXPECT_EQ(opened.at(i).at(0).toString(), files[i]);
}

TEST(SingleInstanceOpen, MalformedOpenLinesOpenNothing) {
  TempDir dir;
  const QString socket = qpath(dir / "Q417");
  app::SingleInstance first(socket);
  ASSERT_FALSE(first.DoInstanceExist());
  QSignalSpy raised(&first, &app::SingleInstance::raiseRequested);
  QSignalSpy opened(&first, &app::SingleInstance::openRequested);
  QLocalSocket client;
  client.connectToServer(socket);
  ASSERT_TRUE(client.waitForConnected(1000));
  client.write("open http://example.org/a.dvg\nopen relative.dvg\nopen %zz\nopen file:///ok.dvg\nraise\n");
  client.waitForBytesWritten(1000);
  client.disconnectFromServer();
  ASSERT_TRUE(waitUntil([&] { return raised.count() == 1; }));
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened.at(0).at(0).toString(), "/ok.dvg");
}

class OpenFileWindow : public testing::Test {
 protected:
  void SetUp() override {
    flash = q417io::Flash::inMemory(1024);
    memory = std::make_unique<recorder::MemoryFlashIo>(*flash);
    fs::create_directories(dir / "elsewhere");
    voice = soundfiles::makeVoice(dir / "elsewhere", "Meeting notes.dvg", 5);
    other = soundfiles::makeVoice(dir / "elsewhere", "Other.DVG", 5);
  }
  void start(const QStringList &openFiles = {}) {
    app::StartupOptions o = testsupport::windowTestOptions(dir.path(), *memory);
    o.openFiles = openFiles;
    o.audio = [this] {
      app::PlayerDevices d;
      d.outputDevice = true;
      d.makeOutput = outputs.factory();
      return d;
    };
    quillorn = std::make_unique<app::Quillorn>(o);
    ASSERT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    pc = app::PcSide::of(*main)->panel();
    player = app::PlayerSide::of(*main);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
  }
  void TearDown() override { quillorn.reset(); }

  // A second start of the program with these files.
  bool secondStart(const QStringList &files) {
    app::SingleInstance second(qpath(dir / "Q417"));
    return second.DoInstanceExist(files);
  }
  bool showsAndPlays(const fs::path &file) {
    const QString path = qpath(fs::canonical(file));
    return waitUntil([&] {
      return pc->currentDirectory() == qpath(fs::canonical(file.parent_path())) && pc->selectedFiles() == QStringList{path} &&
             player->playing() && !outputs.devices.empty() && outputs.devices.back()->isOpen() &&
             main->m_MainToolBar != nullptr;
    });
  }

  TempDir dir;
  fs::path voice, other;
  std::unique_ptr<q417io::Flash> flash;
  std::unique_ptr<recorder::MemoryFlashIo> memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  pc::PcPanel *pc = nullptr;
  app::PlayerSide *player = nullptr;
  testsupport::DrivenOutputs outputs;
};

TEST_F(OpenFileWindow, ASecondStartHandsItsFileToTheRunningWindowWhichShowsAndPlaysIt) {
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_NE(pc->currentDirectory(), qpath(fs::canonical(dir / "elsewhere")));
  EXPECT_TRUE(secondStart({qpath(voice)}));
  EXPECT_TRUE(showsAndPlays(voice));
  EXPECT_EQ(main->windowTitle(), "Checking");

  // Another file while the first plays, then one while a file is paused:
  // the file asked for plays each time.
  EXPECT_TRUE(secondStart({qpath(other)}));
  EXPECT_TRUE(showsAndPlays(other));
  player->player().OnBtnPauseClick();
  ASSERT_TRUE(waitUntil([&] { return player->player().state().paused; }));
  EXPECT_TRUE(secondStart({qpath(voice)}));
  EXPECT_TRUE(showsAndPlays(voice));
  EXPECT_FALSE(player->player().state().paused);
}

TEST_F(OpenFileWindow, TheFirstCopyOpensTheFileOfItsOwnCommandLine) {
  ASSERT_NO_FATAL_FAILURE(start({qpath(voice)}));
  EXPECT_TRUE(showsAndPlays(voice));
}

TEST_F(OpenFileWindow, AFileThatIsNotThereIsReportedAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(start());
  const QString before = pc->currentDirectory();
  QString shown;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->close();
    }
  });
  watch.start(50);
  EXPECT_TRUE(secondStart({qpath(dir / "elsewhere" / "gone.dvg")}));
  ASSERT_TRUE(waitUntil([&] { return !shown.isEmpty(); }));
  EXPECT_TRUE(shown.contains("gone.dvg")) << shown.toStdString();
  EXPECT_EQ(pc->currentDirectory(), before);
  EXPECT_FALSE(player->playing());
}

// A file the players do not take is shown and selected, not played.
TEST_F(OpenFileWindow, OtherFilesAreSelectedButNotPlayed) {
  ASSERT_NO_FATAL_FAILURE(start());
  const fs::path text = dir / "elsewhere" / "readme.txt";
  std::ofstream(text) << "text";
  EXPECT_TRUE(secondStart({qpath(text)}));
  EXPECT_TRUE(waitUntil([&] { return pc->selectedFiles() == QStringList{qpath(fs::canonical(text))}; }));
  QTest::qWait(100);
  EXPECT_FALSE(player->playing());
}

}  // namespace
