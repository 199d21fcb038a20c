// TFrmMain: the main window. It holds the widgets of the frame (menus, the
// player toolbar, the display strip, the PC tool row, the splitter with the
// PC side above and the recorder side below, and the status bar with the
// capacity and the two indicators) and forwards to the logic classes; the recorder link runs in
// recorder::DeviceLink, which reaches the window through DeviceLinkView.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTimer>
#include <filesystem>
#include <memory>

#include <QVBoxLayout>

#include "app/AppFolders.h"
#include "components/display/DisplayStrip.h"
#include "components/texts/MessageTexts.h"
#include "recorder/DeviceLink.h"

namespace app {

class DeviceEvents;
class Led;
class PlayerToolbar;
class QtJobUi;

class TFrmMain : public QMainWindow, public recorder::DeviceLinkView {
  Q_OBJECT
 public:
  struct Setup {
    const components::MessageTexts *texts = nullptr;
    QtJobUi *ui = nullptr;
    recorder::FlashIo *io = nullptr;
    recorder::DeviceLink::HandleCloser closeHandle;
    AppFolders folders;
  };
  explicit TFrmMain(Setup setup);
  ~TFrmMain() override;

  static constexpr const char *kCaption = "Quillorn Q417 Ver 1.00";

  // Start-up: the recorder link's initial state. Registers for arrival and
  // removal events and initialises the I/O library once.
  void StartLink();
  // Called by the notice window's creation: starts the auto-connect timer.
  void OpenFlash();
  recorder::DeviceLink &deviceLink() { return *deviceLink_; }
  recorder::Link &link() { return deviceLink_->link(); }
  // The recorder's file system joins the connection sequence through these.
  void setConnectionHooks(recorder::ConnectionHooks *hooks);

  // The splitter Splitter8: the PC panel above (index 0), the recorder panel
  // below (index 1). The panels replace the empty placeholders; the window
  // takes ownership.
  QSplitter *centralSplitter() const { return m_SplMain; }
  // The PC tool row (Panel_layer2) between the display strip and the panels.
  void setPcToolRow(QWidget *row);
  void setPcPanel(QWidget *panel);
  void setRecorderPanel(QWidget *panel);
  QWidget *pcPanel() const;
  QWidget *recorderPanel() const;

  // Status bar: panel 0 holds the indicators, panel 1 the capacity,
  // panels 2 and 3 the recorder's totals; the memory gauge sits at the end.
  QLabel *statusPanel(int index) const;

  // The launchers of the other windows (File menu and tool buttons). Each is
  // off until the window it opens is installed with its action here.
  enum class Launcher { Editor, Convert, Email, Speed };
  void setLauncher(Launcher which, std::function<void()> open);
  QAction *launcherAction(Launcher which) const;
  QProgressBar *memoryGauge() const { return m_GagFlashMemory; }
  Led *usbConnectLed() const { return m_LedUSBConnect; }
  Led *flashIndexLed() const { return m_LedFlashIndex; }
  QTimer *autoConnectTimer() const { return m_TimUSBAutoConnect; }

  const components::MessageTexts &texts() const { return *texts_; }
  QtJobUi &jobUi() const { return *ui_; }
  const AppFolders &folders() const { return folders_; }
  // The help file: beside the program, else in the installed data folder.
  std::filesystem::path helpFile() const;

  // The player toolbar and the display strip, which playback drives.
  PlayerToolbar *m_MainToolBar;
  components::display::DisplayStrip *panel_layer1;

  // Menu items.
  QMenu *m_MuFile, *m_MuRecorder, *m_MuHelp;
  QAction *m_MuFileEdit, *m_MuFileConvert, *m_MuFileEmail, *m_MuFileSpeed, *m_MuFileExit;
  QAction *m_MnRecorderFormat;
  QAction *m_MuHelpHelp, *m_MuHelpInfo;

  // DeviceLinkView
  void setAutoConnectTimer(bool running) override;
  bool autoConnectTimerRunning() const override;
  void showIndicators(bool usbConnect, bool flashIndex) override;
  void enableRecorderPanel(bool enabled) override;
  void enableMainWindow(bool enabled) override;
  void showCapacity(const std::string &text) override;
  void focusRecorderFolder(int folder) override;
  void collapseRecorderFolders() override;
  void closeActiveModal(int result) override;

 public slots:
  void OnTimUSBAutoConnectTimer();
  void OnMuFileExitClick();
  void OnMuHelpHelpClick();
  void OnMuHelpInfoClick();
  // A second copy was started: show "Checking" and come to the front.
  void OnAnotherCopyStarted();

 signals:
  // For the recorder panel: make the folder current and focus it in the tree.
  void recorderFolderFocusRequested(int folder);
  void recorderFoldersCollapseRequested();

 protected:
  void closeEvent(QCloseEvent *event) override;

 private:
  void buildMenus();
  void buildBands();
  void buildStatusBar();
  void applyTexts();

  const components::MessageTexts *texts_;
  QtJobUi *ui_;
  AppFolders folders_;
  std::unique_ptr<recorder::DeviceLink> deviceLink_;
  DeviceEvents *deviceEvents_;

  QSplitter *m_SplMain;
  QVBoxLayout *m_ToolRowSlot;
  QLabel *m_StatusPanels[4];
  Led *m_LedUSBConnect;
  Led *m_LedFlashIndex;
  QProgressBar *m_GagFlashMemory;
  QTimer *m_TimUSBAutoConnect;
};

}  // namespace app
