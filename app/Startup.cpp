#include "app/Startup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/ModelDialog.h"
#include "app/NoticeWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/ProgressWindow.h"
#include "app/SingleInstance.h"
#include "app/convert/ConvertLauncher.h"
#include "app/recorder/RecorderSide.h"
#include "components/texts/IniSearch.h"

#ifndef QUILLORN_DATA_DIR
#define QUILLORN_DATA_DIR "/usr/local/share/quillorn"
#endif

namespace app {

StartupOptions defaultStartupOptions(recorder::FlashIo &io) {
  StartupOptions o;
  o.instanceName = defaultInstanceName();
  o.programDir = QCoreApplication::applicationDirPath().toStdString();
  o.dataHome = userDataFolder();
  // Installed, the data folder is share/quillorn beside bin/ under whatever
  // prefix the program was installed to.
  const std::filesystem::path installed = (o.programDir / "../share/quillorn").lexically_normal();
  std::error_code ec;
  o.iniFolders = components::iniSearchFolders(
      o.programDir, std::filesystem::is_directory(installed, ec) ? installed : std::filesystem::path(QUILLORN_DATA_DIR));
  o.io = &io;
  o.closeHandle = [](Q417Handle handle) {
    if (handle >= 0) ::close(static_cast<int>(handle));
  };
  o.reportError = [](const QString &caption, const QString &text) {
    QMessageBox::critical(nullptr, caption, text);
  };
  o.audio = devicesFromEnvironment;
  return o;
}

Quillorn::Quillorn(StartupOptions options) : options_(std::move(options)) {}

Quillorn::~Quillorn() {
  // The notice window goes first; the main window, which owns the link,
  // last.
  notice_.reset();
  model_.reset();
  progress_.reset();
  main_.reset();
}

Quillorn::Outcome Quillorn::start() {
  // DoInstanceExist
  instance_ = std::make_unique<SingleInstance>(options_.instanceName);
  if (instance_->DoInstanceExist(options_.openFiles)) return Outcome::AnotherCopyRuns;

  // GetMessageFromINIFile
  std::filesystem::path iniFile = components::findInFolders(options_.iniFolders, components::kIniFileName);
  texts_ = iniFile.empty() ? components::MessageTexts() : components::MessageTexts::load(iniFile);
  auto report = [this](const QString &caption, const QString &text) {
    if (options_.reportError) options_.reportError(caption, text);
  };
  if (texts_.charsetInvalid())
    report("Quillorn", QString::fromStdString(texts_.charsetError() + " ([Character] Charset in " +
                                              texts_.file().string() + ")"));

  // The data folders; the temporary folder starts empty.
  folders_ = chooseAppFolders(options_.programDir, options_.dataHome);
  std::string folderError;
  bool foldersReady = createAppFolders(folders_, &folderError);
  if (foldersReady)
    emptyTempFolder(folders_.tempDir);
  else
    report("Quillorn", QString::fromStdString("Input/output error. " + folderError));

  main_ = std::make_unique<TFrmMain>(TFrmMain::Setup{&texts_, &ui_, options_.io, options_.closeHandle, folders_});
  ui_.setMainWindow(main_.get());
  RecorderSide::install(*main_);
  PcSide::install(*main_);
  PlayerSide::install(*main_, options_.audio ? options_.audio() : noDevices());
  busy_.add(main_.get());
  QObject::connect(instance_.get(), &SingleInstance::raiseRequested, main_.get(), &TFrmMain::OnAnotherCopyStarted);
  // The recorder needs no PC folder: the link starts even when a folder
  // could not be created (that has been reported).
  main_->StartLink();

  progress_ = std::make_unique<TFrmProgress>(texts_, &busy_, [this] { ui_.requestCancel(); });
  ui_.setProgressWindow(progress_.get());
  model_ = std::make_unique<TFrmModel>(texts_);
  ui_.setModelDialog(model_.get());
  ConvertLauncher::install(*main_);
  notice_ = std::make_unique<TFrmShow>(&busy_, [this] { main_->OpenFlash(); });
  ui_.setNoticeWindow(notice_.get());
  for (const auto &installWindow : options_.windows) installWindow(*this);

  PcSide *pc = PcSide::of(*main_);
  QObject::connect(instance_.get(), &SingleInstance::openRequested, pc, &PcSide::openFile);
  if (!options_.openFiles.isEmpty())
    QTimer::singleShot(0, pc, [pc, files = options_.openFiles] {
      for (const QString &file : files) pc->openFile(file);
    });
  return Outcome::Running;
}

}  // namespace app
