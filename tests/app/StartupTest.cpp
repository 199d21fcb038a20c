#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenuBar>
#include <QMessageBox>
#include <thread>

#include "QtTestEnvironment.h"
#include "WindowOptions.h"
#include "app/Led.h"
#include "app/MainWindow.h"
#include "app/NoticeWindow.h"
#include "app/ProgressWindow.h"
#include "app/Startup.h"
#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/jobs/DefaultImage.h"
#include "testsupport/MemoryFlashIo.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

fs::path sourceData() { return testsupport::sourceDataFolder(); }

class Startup : public testing::Test {
 protected:
  // The recorder attached: an initialised chip, as the recorder leaves it.
  Startup() : flash(q417io::Flash::inMemory(2048)), memory(*flash) {
    EXPECT_EQ(testsupport::fillRecorder(*flash, memory, {}), "");
  }

  app::StartupOptions options(const fs::path &programDir, std::vector<fs::path> iniFolders = {}) {
    app::StartupOptions o;
    o.instanceName = QString::fromStdString((dir.path() / "Q417").string());
    o.programDir = programDir;
    o.dataHome = dir.path() / "data-home";
    o.iniFolders = iniFolders.empty() ? std::vector<fs::path>{sourceData()} : iniFolders;
    o.io = &memory;
    o.closeHandle = [this](Q417Handle h) { closedHandles.push_back(h); };
    o.reportError = [this](const QString &, const QString &text) { errors.push_back(text.toStdString()); };
    return o;
  }

  std::unique_ptr<app::Quillorn> startIn(const fs::path &programDir, std::vector<fs::path> iniFolders = {}) {
    auto q = std::make_unique<app::Quillorn>(options(programDir, std::move(iniFolders)));
    EXPECT_EQ(q->start(), app::Quillorn::Outcome::Running);
    return q;
  }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  recorder::MemoryFlashIo memory;
  std::vector<Q417Handle> closedHandles;
  std::vector<std::string> errors;
};

QStringList menuCaptions(app::TFrmMain &main) {
  QStringList captions;
  for (QMenu *menu : {main.m_MuFile, main.m_MuRecorder, main.m_MuHelp}) {
    captions << menu->title();
    for (QAction *a : menu->actions())
      if (!a->isSeparator()) captions << a->text();
  }
  return captions;
}

TEST_F(Startup, AttachedRecorderIsConnectedByTheFirstTick) {
  auto q = startIn(dir.path() / "bin");
  app::TFrmMain &main = *q->main();
  ASSERT_TRUE(q->progress() && q->model() && q->notice());
  EXPECT_EQ(main.windowTitle(), "Quillorn Q417 Ver 1.00");
  EXPECT_TRUE(main.autoConnectTimer()->isActive()) << "the notice window's creation starts the link";
  EXPECT_EQ(main.autoConnectTimer()->interval(), 1000);
  EXPECT_TRUE(main.link().deviceOpen) << "the device was opened at start-up";
  EXPECT_FALSE(main.usbConnectLed()->isOn());
  EXPECT_FALSE(main.recorderPanel()->isEnabled());

  main.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(main.usbConnectLed()->isOn());
  EXPECT_TRUE(main.flashIndexLed()->isOn());
  EXPECT_EQ(main.statusPanel(1)->text(), "256 MB");
  EXPECT_TRUE(main.recorderPanel()->isEnabled());
  EXPECT_FALSE(main.autoConnectTimer()->isActive());
  EXPECT_TRUE(errors.empty());
}

TEST_F(Startup, MenusTakeTheirCaptionsFromTheTexts) {
  auto q = startIn(dir.path() / "bin");
  QStringList expected{"&File",          "WAV &Edit...", "File &Conversion...", "Send E-Mai&l...",
                       "Playback with Speede&r...", "E&xit", "&VoiceRecorder", "&Initialize...",
                       "&Help",          "&Help",        "&Information"};
  EXPECT_EQ(menuCaptions(*q->main()), expected);
  EXPECT_EQ(q->progress()->button_cancel->text(), "&Cancel");
}

TEST_F(Startup, EmptyMessagesSectionLeavesEveryCaptionEmpty) {
  TempDir ini;
  ini.write("Q417.ini", "[Character]\nCharset=1\n[Messages]\n");
  auto q = startIn(dir.path() / "bin", {ini.path()});
  for (const QString &caption : menuCaptions(*q->main())) EXPECT_EQ(caption, "");
  EXPECT_EQ(q->progress()->button_cancel->text(), "&Cancel") << "its own default when the key is missing";

  QString title, text;
  QStringList buttons;
  testsupport::whenModalShown([&](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    for (QAbstractButton *b : box->buttons()) buttons << b->text();
    box->buttons().front()->click();
  });
  q->jobUi().messageBox("FM_kind_errormsg2", "FM_text_pen_errmsg7", components::MsgKind::Confirmation,
                        components::kButtonsYesNo);
  EXPECT_EQ(title, "");
  EXPECT_EQ(text, "");
  EXPECT_EQ(buttons, (QStringList{"", ""}));
}

TEST_F(Startup, MissingTextFileGivesEmptyTextsSilently) {
  TempDir empty;
  auto q = startIn(dir.path() / "bin", {empty.path()});
  EXPECT_EQ(q->main()->m_MuFile->title(), "");
  EXPECT_TRUE(errors.empty());
}

TEST_F(Startup, CharsetThatIsNotAWholeNumberIsReported) {
  TempDir ini;
  ini.write("Q417.ini", "[Character]\nCharset=Western\n[Messages]\nFM_PDexit=Quit\n");
  auto q = startIn(dir.path() / "bin", {ini.path()});
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("'Western' is not a valid integer value"), std::string::npos) << errors[0];
  EXPECT_EQ(q->main()->m_MuFileExit->text(), "Quit") << "start-up goes on";
  EXPECT_TRUE(q->main()->autoConnectTimer()->isActive());
}

TEST_F(Startup, PreparesTheDataFoldersAndEmptiesTheTempFolder) {
  fs::path bin = dir.path() / "bin";
  dir.write("bin/TempData/TempRecording.dvg", "left over");
  dir.write("bin/TempData/clip.tmp", "left over");
  dir.write("bin/TempData/keep/inside.tmp", "folders stay");
  auto q = startIn(bin);
  EXPECT_TRUE(fs::is_directory(bin / "VoiceData"));
  EXPECT_FALSE(fs::exists(bin / "TempData/TempRecording.dvg"));
  EXPECT_FALSE(fs::exists(bin / "TempData/clip.tmp"));
  EXPECT_TRUE(fs::exists(bin / "TempData/keep/inside.tmp"));
  EXPECT_EQ(q->folders().tempRecording, bin / "TempData/TempRecording.dvg");
}

TEST_F(Startup, FolderThatCannotBeCreatedIsReportedAndTheLinkStillStarts) {
  dir.write("bin/VoiceData", "a file in the way");
  auto q = startIn(dir.path() / "bin");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("VoiceData"), std::string::npos);
  q->main()->OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(q->main()->usbConnectLed()->isOn());
}

TEST_F(Startup, SecondCopyEndsBeforeTouchingAnythingAndTheFirstShowsChecking) {
  auto first = startIn(dir.path() / "bin");
  first->main()->show();

  app::Quillorn second(options(dir.path() / "second"));
  EXPECT_EQ(second.start(), app::Quillorn::Outcome::AnotherCopyRuns);
  EXPECT_EQ(second.main(), nullptr);
  EXPECT_FALSE(fs::exists(dir.path() / "second")) << "no folder was touched";
  EXPECT_TRUE(second.texts().file().empty()) << "no text was read";

  EXPECT_TRUE(testsupport::waitUntil([&] { return first->main()->windowTitle() == "Checking"; }));
}

TEST_F(Startup, DeviceEventsRunOnTheMainThread) {
  auto q = startIn(dir.path() / "bin");
  app::TFrmMain &main = *q->main();
  main.OnTimUSBAutoConnectTimer();
  ASSERT_TRUE(main.usbConnectLed()->isOn());

  // The library reports on its own thread; nothing changes until the main
  // thread's event loop runs the handling.
  std::thread([&] { memory.detach(); }).join();
  EXPECT_TRUE(main.usbConnectLed()->isOn());
  EXPECT_TRUE(testsupport::waitUntil([&] { return !main.usbConnectLed()->isOn(); }));
  EXPECT_EQ(main.statusPanel(1)->text(), "");
  EXPECT_TRUE(main.autoConnectTimer()->isActive());
  EXPECT_FALSE(main.recorderPanel()->isEnabled());
  EXPECT_EQ(closedHandles.size(), 1u);

  std::thread([&] { memory.attach(); }).join();
  EXPECT_TRUE(testsupport::waitUntil([&] { return main.link().deviceOpen; }));
  main.OnTimUSBAutoConnectTimer();
  EXPECT_TRUE(main.usbConnectLed()->isOn());
  EXPECT_EQ(main.statusPanel(1)->text(), "256 MB");
}

TEST_F(Startup, ArrivalClosesTheActiveModalWindowWithResult10) {
  auto q = startIn(dir.path() / "bin");
  memory.detach();
  testsupport::waitUntil([&] { return q->main()->autoConnectTimer()->isActive() && !q->main()->link().deviceOpen; });
  testsupport::whenModalShown([&](QWidget *) { memory.attach(); });
  int result = q->jobUi().messageBox("FM_kind_errormsg2", "FM_text_pen_errmsg7", components::MsgKind::Confirmation,
                                     components::kButtonsYesNo);
  EXPECT_EQ(result, 10);
  EXPECT_TRUE(q->main()->link().deviceOpen);
}

TEST_F(Startup, EventsAfterTheWindowsAreGoneAreDropped) {
  auto q = startIn(dir.path() / "bin");
  q.reset();
  memory.detach();  // the registered window outlives its receiver
  memory.attach();
  // Handled, the removal would close the open handle and the arrival open
  // the device again.
  EXPECT_FALSE(testsupport::waitUntil([&] { return !closedHandles.empty() || memory.deviceHandle() != -1; }, 200));
  EXPECT_TRUE(closedHandles.empty()) << "no removal was handled";
  EXPECT_EQ(memory.deviceHandle(), -1) << "no arrival was handled";
  EXPECT_TRUE(errors.empty());
}

TEST_F(Startup, ClosingTheMainWindowStopsTheTimerAndDisconnects) {
  auto q = startIn(dir.path() / "bin");
  app::TFrmMain &main = *q->main();
  main.OnTimUSBAutoConnectTimer();
  main.show();
  main.close();
  EXPECT_FALSE(main.autoConnectTimer()->isActive());
  EXPECT_FALSE(main.usbConnectLed()->isOn());
  EXPECT_FALSE(main.link().deviceOpen);
}

TEST_F(Startup, HelpFileIsFoundBesideTheProgram) {
  dir.write("bin/Q417.html", "<html></html>");
  auto q = startIn(dir.path() / "bin");
  EXPECT_EQ(q->main()->helpFile(), dir.path() / "bin/Q417.html");
}

}  // namespace
