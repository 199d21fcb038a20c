#include "app/MainWindow.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/DeviceEvents.h"
#include "app/Led.h"
#include "app/PlayerToolbar.h"
#include "app/QtJobUi.h"
#include "app/Texts.h"

#ifndef QUILLORN_DATA_DIR
#define QUILLORN_DATA_DIR "/usr/local/share/quillorn"
#endif

namespace app {

namespace {

constexpr int kAutoConnectPeriodMs = 1000;
constexpr const char *kHelpFileName = "Q417.html";

constexpr int kPcPanelHeight = 270;
constexpr int kMinPanelHeight = 50;

QFrame *placeholder(const char *name) {
  auto *frame = new QFrame;
  frame->setObjectName(name);
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setMinimumSize(50, kMinPanelHeight);
  return frame;
}

}  // namespace

TFrmMain::TFrmMain(Setup setup) : texts_(setup.texts), ui_(setup.ui), folders_(std::move(setup.folders)) {
  setObjectName("TFrmMain");
  setWindowTitle(kCaption);
  setWindowIcon(programPicture(64));
  setMinimumSize(300, 300);

  deviceLink_ = std::make_unique<recorder::DeviceLink>(*setup.io, *this, *ui_, std::move(setup.closeHandle));
  deviceEvents_ = new DeviceEvents([this](uint32_t event) { deviceLink_->OnDeviceChange(event); }, this);

  m_TimUSBAutoConnect = new QTimer(this);
  m_TimUSBAutoConnect->setObjectName("m_TimUSBAutoConnect");
  m_TimUSBAutoConnect->setInterval(kAutoConnectPeriodMs);
  connect(m_TimUSBAutoConnect, &QTimer::timeout, this, &TFrmMain::OnTimUSBAutoConnectTimer);

  buildMenus();
  buildBands();
  buildStatusBar();
  applyTexts();
  enableRecorderPanel(false);

  resize(838, 615 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TFrmMain::~TFrmMain() = default;

void TFrmMain::buildMenus() {
  m_MuFile = menuBar()->addMenu(QString());
  m_MuFile->setObjectName("m_MuFile");
  m_MuFileEdit = m_MuFile->addAction(QString());
  m_MuFileConvert = m_MuFile->addAction(QString());
  m_MuFileEmail = m_MuFile->addAction(QString());
  m_MuFileSpeed = m_MuFile->addAction(QString());
  m_MuFile->addSeparator();
  m_MuFileExit = m_MuFile->addAction(QString());
  m_MuFileExit->setShortcut(QKeySequence::Quit);

  m_MuRecorder = menuBar()->addMenu(QString());
  m_MuRecorder->setObjectName("m_MuRecorder");
  m_MnRecorderFormat = m_MuRecorder->addAction(QString());

  m_MuHelp = menuBar()->addMenu(QString());
  m_MuHelp->setObjectName("m_MuHelp");
  m_MuHelpHelp = m_MuHelp->addAction(QString());
  m_MuHelpHelp->setShortcut(QKeySequence::HelpContents);
  m_MuHelp->addSeparator();
  m_MuHelpInfo = m_MuHelp->addAction(QString());

  m_MuFileEdit->setObjectName("m_MuFileEdit");
  m_MuFileConvert->setObjectName("m_MuFileConvert");
  m_MuFileEmail->setObjectName("m_MuFileEmail");
  m_MuFileSpeed->setObjectName("m_MuFileSpeed");
  m_MuFileExit->setObjectName("m_MuFileExit");
  m_MnRecorderFormat->setObjectName("m_MnRecorderFormat");
  m_MuHelpHelp->setObjectName("m_MuHelpHelp");
  m_MuHelpInfo->setObjectName("m_MuHelpInfo");

  // The editor, conversion, mail, speed player and initialisation are
  // enabled by the windows and jobs that serve them when they join.
  for (QAction *pending : {m_MuFileEdit, m_MuFileConvert, m_MuFileEmail, m_MuFileSpeed, m_MnRecorderFormat})
    pending->setEnabled(false);

  connect(m_MuFileExit, &QAction::triggered, this, &TFrmMain::OnMuFileExitClick);
  connect(m_MuHelpHelp, &QAction::triggered, this, &TFrmMain::OnMuHelpHelpClick);
  connect(m_MuHelpInfo, &QAction::triggered, this, &TFrmMain::OnMuHelpInfoClick);
}

// Top to bottom: the player toolbar, the display strip, the PC tool row and
// the splitter between the PC panel and the recorder panel.
void TFrmMain::buildBands() {
  auto *central = new QWidget(this);
  central->setObjectName("m_PnlMain");
  auto *column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  m_MainToolBar = new PlayerToolbar(central);
  column->addWidget(m_MainToolBar);
  panel_layer1 = new components::display::DisplayStrip(central);
  panel_layer1->setObjectName("panel_layer1");
  panel_layer1->setFixedHeight(components::display::DisplayStrip::kDesignHeight);
  column->addWidget(panel_layer1);
  m_ToolRowSlot = new QVBoxLayout;
  m_ToolRowSlot->setContentsMargins(0, 0, 0, 0);
  column->addLayout(m_ToolRowSlot);
  m_SplMain = new QSplitter(Qt::Vertical, central);
  m_SplMain->setObjectName("Splitter8");
  m_SplMain->setChildrenCollapsible(false);
  m_SplMain->setHandleWidth(6);
  m_SplMain->addWidget(placeholder("m_PnlPC"));
  m_SplMain->addWidget(placeholder("m_PnlFlash"));
  m_SplMain->setStretchFactor(1, 1);
  m_SplMain->setSizes({kPcPanelHeight, kPcPanelHeight});
  column->addWidget(m_SplMain, 1);
  setCentralWidget(central);
}

void TFrmMain::setPcToolRow(QWidget *row) {
  while (QLayoutItem *item = m_ToolRowSlot->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  m_ToolRowSlot->addWidget(row);
}

void TFrmMain::buildStatusBar() {
  QStatusBar *bar = statusBar();
  bar->setObjectName("m_StatusBar");
  bar->setFixedHeight(24);

  auto *indicators = new QLabel(bar);
  auto *row = new QHBoxLayout(indicators);
  row->setContentsMargins(4, 0, 4, 0);
  row->setSpacing(3);
  auto addPicture = [&](const QPixmap &pixmap) {
    auto *picture = new QLabel(indicators);
    picture->setPixmap(pixmap);
    row->addWidget(picture);
  };
  addPicture(usbPicture(16));
  m_LedUSBConnect = new Led(QColor(40, 220, 60), indicators);
  m_LedUSBConnect->setObjectName("m_LedUSBConnect");
  m_LedUSBConnect->setAccessibleName("USB link");
  row->addWidget(m_LedUSBConnect);
  row->addSpacing(10);
  addPicture(flashPicture(16));
  m_LedFlashIndex = new Led(QColor(250, 170, 20), indicators);
  m_LedFlashIndex->setObjectName("m_LedFlashIndex");
  m_LedFlashIndex->setAccessibleName("Recorder index");
  row->addWidget(m_LedFlashIndex);
  row->addStretch(1);
  m_StatusPanels[0] = indicators;

  const int widths[] = {120, 50, 140, 50};
  for (int i = 1; i < 4; ++i) {
    m_StatusPanels[i] = new QLabel(bar);
    m_StatusPanels[i]->setContentsMargins(4, 0, 4, 0);
    m_StatusPanels[i]->setTextFormat(Qt::PlainText);
  }
  m_StatusPanels[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_StatusPanels[1]->setText("0 MB");
  for (int i = 0; i < 4; ++i) {
    m_StatusPanels[i]->setObjectName(QString("m_StatusPanel%1").arg(i));
    m_StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
    m_StatusPanels[i]->setMinimumWidth(widths[i]);
    // The capacity keeps its place whether it shows "256 MB" or nothing.
    if (i == 1)
      m_StatusPanels[i]->setFixedWidth(
          std::max(widths[i], m_StatusPanels[i]->fontMetrics().horizontalAdvance("0000 MB") + 12));
    bar->addWidget(m_StatusPanels[i], i == 3 ? 1 : 0);
  }
  m_GagFlashMemory = new QProgressBar(bar);
  m_GagFlashMemory->setObjectName("m_GagFlashMemory");
  m_GagFlashMemory->setRange(0, 100);
  m_GagFlashMemory->setValue(0);
  m_GagFlashMemory->setTextVisible(false);
  m_GagFlashMemory->setFixedWidth(100);
  m_GagFlashMemory->setMaximumHeight(16);
  bar->addPermanentWidget(m_GagFlashMemory);
}

// GetMessageFromINIFile for the main window: every caption comes from its
// key, and a missing key leaves an empty caption.
void TFrmMain::applyTexts() {
  const struct {
    QMenu *menu;
    const char *key;
  } menus[] = {{m_MuFile, "FM_PDtitlefile"}, {m_MuRecorder, "FM_PDtitlememory"}, {m_MuHelp, "FM_PDtitlehelp"}};
  for (auto &m : menus) m.menu->setTitle(uiText(*texts_, m.key));
  const struct {
    QAction *action;
    const char *key;
  } items[] = {{m_MuFileEdit, "FM_PDedit"},          {m_MuFileConvert, "FM_PDconvert"}, {m_MuFileEmail, "FM_PDmail"},
               {m_MuFileSpeed, "FM_PDspeed"},        {m_MuFileExit, "FM_PDexit"},       {m_MnRecorderFormat, "FM_PDflashformat"},
               {m_MuHelpHelp, "FM_PDhelp"},          {m_MuHelpInfo, "FM_PDabout"}};
  for (auto &item : items) item.action->setText(uiText(*texts_, item.key));
  m_MainToolBar->applyTexts(*texts_);
}

void TFrmMain::StartLink() { deviceLink_->StartLink(deviceEvents_->window()); }

void TFrmMain::OpenFlash() { deviceLink_->OpenFlash(); }

void TFrmMain::setConnectionHooks(recorder::ConnectionHooks *hooks) { deviceLink_->setHooks(hooks); }

void TFrmMain::setPcPanel(QWidget *panel) {
  bool enabled = pcPanel()->isEnabled();
  const QList<int> sizes = m_SplMain->sizes();
  delete m_SplMain->replaceWidget(0, panel);
  panel->setEnabled(enabled);
  panel->setMinimumHeight(kMinPanelHeight);
  m_SplMain->setSizes(sizes);
}

void TFrmMain::setRecorderPanel(QWidget *panel) {
  bool enabled = recorderPanel()->isEnabled();
  const QList<int> sizes = m_SplMain->sizes();
  delete m_SplMain->replaceWidget(1, panel);
  panel->setEnabled(enabled);
  panel->setMinimumHeight(kMinPanelHeight);
  m_SplMain->setSizes(sizes);
}

QWidget *TFrmMain::pcPanel() const { return m_SplMain->widget(0); }
QWidget *TFrmMain::recorderPanel() const { return m_SplMain->widget(1); }

QLabel *TFrmMain::statusPanel(int index) const { return index >= 0 && index < 4 ? m_StatusPanels[index] : nullptr; }

QAction *TFrmMain::launcherAction(Launcher which) const {
  switch (which) {
    case Launcher::Editor: return m_MuFileEdit;
    case Launcher::Convert: return m_MuFileConvert;
    case Launcher::Email: return m_MuFileEmail;
    case Launcher::Speed: return m_MuFileSpeed;
  }
  return nullptr;
}

void TFrmMain::setLauncher(Launcher which, std::function<void()> open) {
  QAction *action = launcherAction(which);
  QObject::disconnect(action, &QAction::triggered, this, nullptr);
  action->setEnabled(static_cast<bool>(open));
  if (open) connect(action, &QAction::triggered, this, [open = std::move(open)] { open(); });
}

void TFrmMain::OnTimUSBAutoConnectTimer() { deviceLink_->OnTimUSBAutoConnectTimer(); }

void TFrmMain::setAutoConnectTimer(bool running) {
  if (running)
    m_TimUSBAutoConnect->start();
  else
    m_TimUSBAutoConnect->stop();
}

bool TFrmMain::autoConnectTimerRunning() const { return m_TimUSBAutoConnect->isActive(); }

void TFrmMain::showIndicators(bool usbConnect, bool flashIndex) {
  m_LedUSBConnect->setOn(usbConnect);
  m_LedFlashIndex->setOn(flashIndex);
}

void TFrmMain::enableRecorderPanel(bool enabled) { recorderPanel()->setEnabled(enabled); }

void TFrmMain::enableMainWindow(bool enabled) { setEnabled(enabled); }

void TFrmMain::showCapacity(const std::string &text) { m_StatusPanels[1]->setText(QString::fromStdString(text)); }

void TFrmMain::focusRecorderFolder(int folder) { emit recorderFolderFocusRequested(folder); }

void TFrmMain::collapseRecorderFolders() { emit recorderFoldersCollapseRequested(); }

void TFrmMain::closeActiveModal(int result) {
  QWidget *modal = QApplication::activeModalWidget();
  if (auto *dialog = qobject_cast<QDialog *>(modal))
    dialog->done(result);
  else if (modal)
    modal->close();
}

void TFrmMain::OnMuFileExitClick() { close(); }

std::filesystem::path TFrmMain::helpFile() const {
  for (const std::filesystem::path &dir : {folders_.programDir, folders_.programDir / "../share/quillorn",
                                           std::filesystem::path(QUILLORN_DATA_DIR)}) {
    std::error_code ec;
    if (!dir.empty() && std::filesystem::is_regular_file(dir / kHelpFileName, ec)) return dir / kHelpFileName;
  }
  return {};
}

void TFrmMain::OnMuHelpHelpClick() {
  std::filesystem::path file = helpFile();
  if (!file.empty() && QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string()))))
    return;
  QMessageBox::warning(this, uiText(*texts_, "FM_kind_errormsg0"),
                       file.empty() ? QString("The help file %1 was not found.").arg(kHelpFileName)
                                    : QString("No program is set up to open %1.").arg(QString::fromStdString(file)));
}

void TFrmMain::OnMuHelpInfoClick() {
  QDialog m_AboutDlg(this);
  m_AboutDlg.setObjectName("m_AboutDlg");
  m_AboutDlg.setWindowTitle("Quillorn Q417");
  auto *layout = new QVBoxLayout(&m_AboutDlg);
  auto *top = new QHBoxLayout;
  auto *icon = new QLabel(&m_AboutDlg);
  icon->setPixmap(programPicture(64));
  top->addWidget(icon);
  auto *name = new QLabel("<b>Quillorn Q417 Ver 1.00</b><br>Version 1.01<br><br>"
                          "License: GNU General Public License, version 3 or later",
                          &m_AboutDlg);
  top->addWidget(name, 1);
  layout->addLayout(top);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &m_AboutDlg);
  connect(buttons, &QDialogButtonBox::accepted, &m_AboutDlg, &QDialog::accept);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  m_AboutDlg.exec();
}

void TFrmMain::OnAnotherCopyStarted() {
  setWindowTitle("Checking");
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

// OnFormClose: the timer stops and a connected recorder is disconnected.
void TFrmMain::closeEvent(QCloseEvent *event) {
  deviceLink_->Shutdown();
  event->accept();
}

}  // namespace app
