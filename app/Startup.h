// Program start: one copy per user, the message texts, the data folders and
// the windows, created in their fixed order; the recorder link starts only
// when the last of them (the notice window) exists.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/AppFolders.h"
#include "app/BusyWindows.h"
#include "app/PlayerDevices.h"
#include "app/QtJobUi.h"
#include "components/texts/MessageTexts.h"
#include "recorder/DeviceLink.h"

namespace app {

class SingleInstance;
class TFrmMain;
class TFrmProgress;
class TFrmModel;
class TFrmShow;

struct StartupOptions {
  QString instanceName;                       // the single-instance socket
  std::filesystem::path programDir;           // folder of the program file
  std::filesystem::path dataHome;             // data folders when programDir is read-only
  std::vector<std::filesystem::path> iniFolders;  // where "Q417.ini" is looked for
  recorder::FlashIo *io = nullptr;            // not owned
  recorder::DeviceLink::HandleCloser closeHandle;
  // Start-up errors: a Charset that is no whole number, a data folder that
  // cannot be created.
  std::function<void(const QString &caption, const QString &text)> reportError;
  // The players' wave devices, asked for once the windows are made; none
  // without it (Play then reports that there is no output device).
  std::function<PlayerDevices()> audio;
  // The other windows (editor, conversion, mail, speed player): each installs
  // its launcher on the main window once that exists.
  std::vector<std::function<void(class Quillorn &)>> windows;
  // Files to open (absolute paths): shown in the PC browser and played, here
  // or, when another copy runs, in that copy.
  QStringList openFiles;
};

// The options of the installed program: the linked I/O library's handles
// are file descriptors; the sound card unless QUILLORN_AUDIO says otherwise.
StartupOptions defaultStartupOptions(recorder::FlashIo &io);

class Quillorn {
 public:
  explicit Quillorn(StartupOptions options);
  ~Quillorn();
  Quillorn(const Quillorn &) = delete;
  Quillorn &operator=(const Quillorn &) = delete;

  enum class Outcome { Running, AnotherCopyRuns };
  // Creates the windows in order: TFrmMain, TFrmProgress, TFrmModel,
  // TFrmShow. A second copy only tells the first to come to the front (and
  // hands it the files to open) and returns before it reads any text or
  // touches any folder. The first copy opens its files once the event loop
  // runs.
  Outcome start();

  TFrmMain *main() const { return main_.get(); }
  TFrmProgress *progress() const { return progress_.get(); }
  TFrmModel *model() const { return model_.get(); }
  TFrmShow *notice() const { return notice_.get(); }
  QtJobUi &jobUi() { return ui_; }
  BusyWindows &busyWindows() { return busy_; }
  const components::MessageTexts &texts() const { return texts_; }
  const AppFolders &folders() const { return folders_; }
  SingleInstance *instance() const { return instance_.get(); }

 private:
  StartupOptions options_;
  std::unique_ptr<SingleInstance> instance_;
  components::MessageTexts texts_;
  AppFolders folders_;
  QtJobUi ui_{texts_};
  BusyWindows busy_;
  std::unique_ptr<TFrmMain> main_;
  std::unique_ptr<TFrmProgress> progress_;
  std::unique_ptr<TFrmModel> model_;
  std::unique_ptr<TFrmShow> notice_;
};

}  // namespace app
