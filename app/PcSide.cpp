#include "app/PcSide.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/MainWindow.h"
#include "app/MessageBox.h"
#include "app/PlayerSide.h"
#include "app/QtJobUi.h"
#include "app/Texts.h"
#include "app/dnd/DragMimeData.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcPanel.h"
#include "app/pc/PcToolRow.h"
#include "app/recorder/RecorderJobs.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"

namespace app {

namespace {
constexpr const char *kObjectName = "PcSide";
constexpr int kOpenRetryMs = 250;

QString qpath(const std::filesystem::path &p) { return QString::fromStdString(p.string()); }
}  // namespace

PcSide::PcSide(TFrmMain &main, pc::PcToolRow *row, pc::PcPanel *panel)
    : QObject(&main), main_(main), row_(row), panel_(panel) {
  setObjectName(kObjectName);
}

PcSide *PcSide::install(TFrmMain &main) {
  if (PcSide *existing = of(main)) return existing;
  const components::MessageTexts &texts = main.texts();
  auto *row = new pc::PcToolRow(texts);
  auto *panel = new pc::PcPanel(texts);
  panel->setToolRow(row);
  auto *side = new PcSide(main, row, panel);
  main.setPcToolRow(row);
  main.setPcPanel(panel);

  panel->messageBox = [&main](std::string_view caption, std::string_view text, components::MsgKind kind, int buttons,
                              const std::string &prefix) {
    return Ext_MessageBox(&main, main.texts(), caption, text, kind, buttons, prefix);
  };
  panel->setJobUi(&main.jobUi());
  panel->setDataFolders({qpath(main.folders().voiceDir), qpath(main.folders().tempDir)});
  panel->makeDragData = [](const QString &dir, const QStringList &names) {
    std::vector<std::string> files;
    for (const QString &name : names) files.push_back(name.toStdString());
    const std::string folder = dir.toStdString();
    return dnd::pcDragMimeData(folder, dnd::dragFilesIn(folder, files)).release();
  };
  // A voice folder that could not be made has been reported at start-up:
  // the browser then starts in the home folder.
  std::error_code ec;
  const bool voiceReady = std::filesystem::is_directory(main.folders().voiceDir, ec);
  panel->setDirectory(voiceReady ? qpath(main.folders().voiceDir) : QDir::homePath());
  side->wireRecorder();
  side->keepTreeWidthsEqual();
  side->wireLaunchers();
  return side;
}

// The launcher buttons do what the File menu's items do, and are enabled
// with them.
void PcSide::wireLaunchers() {
  const std::pair<QToolButton *, TFrmMain::Launcher> buttons[] = {
      {row_->m_BtnWaveEdit, TFrmMain::Launcher::Editor},
      {row_->m_BtnConvert, TFrmMain::Launcher::Convert},
      {row_->m_BtnEmail, TFrmMain::Launcher::Email},
      {row_->m_BtnSpeed, TFrmMain::Launcher::Speed}};
  for (const auto &[button, which] : buttons) {
    QAction *action = main_.launcherAction(which);
    button->setEnabled(action->isEnabled());
    connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
  }
  // The pop-up items join when their window does; their own rule still applies.
  pc::PcMenu *menu = panel_->m_PupMuPC;
  const std::pair<QAction *, TFrmMain::Launcher> items[] = {
      {menu->m_PupPCWaveEdit, TFrmMain::Launcher::Editor},
      {menu->m_PupPCConvert, TFrmMain::Launcher::Convert},
      {menu->m_PupPCEmail, TFrmMain::Launcher::Email},
      {menu->m_PupPCSpeed, TFrmMain::Launcher::Speed}};
  auto join = [this, menu] {
    pc::PcMenu::Joined joined = menu->joined();
    joined.waveEdit = main_.launcherAction(TFrmMain::Launcher::Editor)->isEnabled();
    joined.convert = main_.launcherAction(TFrmMain::Launcher::Convert)->isEnabled();
    joined.email = main_.launcherAction(TFrmMain::Launcher::Email)->isEnabled();
    joined.speed = main_.launcherAction(TFrmMain::Launcher::Speed)->isEnabled();
    menu->setJoined(joined);
  };
  for (const auto &[item, which] : items) {
    QAction *action = main_.launcherAction(which);
    connect(action, &QAction::changed, menu, join);
    connect(item, &QAction::triggered, action, &QAction::trigger);
  }
  join();
}

void PcSide::openFile(const QString &path) {
  // A job runs: the file opens when it is over.
  if (!main_.isEnabled()) {
    QTimer::singleShot(kOpenRetryMs, this, [this, path] { openFile(path); });
    return;
  }
  if (!panel_->showFile(path)) {
    Ext_MessageBox(&main_, main_.texts(), "FM_kind_errormsg0", "FM_text_system_errmsg6", components::MsgKind::Error,
                   components::kButtonsOk, path.toStdString() + " : ");
    return;
  }
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != "dvg" && suffix != "wav" && suffix != "mp3") return;
  if (PlayerSide *player = PlayerSide::of(main_)) {
    if (player->player().state().recording) return;
    // Play would resume what is paused; the file asked for plays instead.
    if (player->player().state().paused) player->stopAll();
  }
  emit panel_->playRequested(QFileInfo(path).canonicalFilePath());
}

PcSide *PcSide::of(TFrmMain &main) { return main.findChild<PcSide *>(kObjectName, Qt::FindDirectChildrenOnly); }

void PcSide::wireRecorder() {
  RecorderSide *recorder = RecorderSide::of(main_);
  if (!recorder) return;
  RecorderJobs *jobs = recorder->findChild<RecorderJobs *>();
  RecorderPanelWidget *widget = recorder->widget();
  pc::PcPanel *panel = panel_;

  panel->isRecorderDrag = [](const QMimeData *mime) { return mime && mime->hasFormat(RecorderJobs::kDragMime); };
  panel->fillDragSelection = [recorder](const std::vector<std::pair<int, std::string>> &items) {
    recorder::DragSelection &drag = recorder->logic().dragSelection();
    drag.clear();
    drag.sourceFolder = 0;
    drag.folderAtStart = recorder->logic().selectedFolder();
    drag.items = items;
    // A press in the PC list marks the drag as one from the PC.
    recorder->logic().setCurrentFolder(0);
  };
  widget->applyHints(uiText(main_.texts(), "FM_button_toflash"), uiText(main_.texts(), "FM_button_tofile"));
  if (!jobs) return;
  jobs->pcFolder = [panel]() -> std::filesystem::path { return panel->currentDirectory().toStdString(); };
  jobs->pcFolderChanged = [panel] { panel->refresh(); };
  connect(panel, &pc::PcPanel::recordingsDropped, jobs, [jobs, recorder] {
    jobs->OnBtnFileToPCClick();
    recorder->logic().setCurrentFolder(0);
  });
  connect(widget->m_BtnFileToPC, &QPushButton::clicked, jobs, &RecorderJobs::OnBtnFileToPCClick);
  connect(widget->m_BtnFileToFlash, &QPushButton::clicked, jobs, [jobs, panel] {
    std::vector<std::filesystem::path> files;
    for (const QString &path : panel->selectedFiles()) files.emplace_back(path.toStdString());
    jobs->OnBtnFileToFlashClick(files);
  });
}

void PcSide::keepTreeWidthsEqual() {
  RecorderSide *recorder = RecorderSide::of(main_);
  if (!recorder) return;
  RecorderPanelWidget *widget = recorder->widget();
  QSplitter *pcSplitter = panel_->Splitter1;
  // Both trees start 210 wide; from then on the one moved sets the other.
  auto pcTreeWidth = [pcSplitter] { return pcSplitter->sizes().value(0); };
  connect(pcSplitter, &QSplitter::splitterMoved, widget, [widget, pcTreeWidth] { widget->setTreeWidth(pcTreeWidth()); });
  connect(widget, &RecorderPanelWidget::treeWidthChanged, pcSplitter, [pcSplitter](int width) {
    const QList<int> sizes = pcSplitter->sizes();
    if (sizes.size() != 2 || sizes[0] == width) return;
    QSignalBlocker block(pcSplitter);
    pcSplitter->setSizes({width, std::max(0, sizes[0] + sizes[1] - width)});
  });
}

}  // namespace app
