#include "editor/TForm_Edit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "app/MessageBox.h"
#include "app/QtJobUi.h"
#include "app/Texts.h"
#include "components/waveedit/FormatNames.h"
#include "components/waveedit/StatusTexts.h"
#include "components/wavefile/WaveFile.h"
#include "editor/EditorKeys.h"
#include "editor/FileIdentity.h"
#include "editor/TempFiles.h"
#include "voice/G729Conversion.h"

namespace fs = std::filesystem;
using components::waveviews::PeakCache;

namespace editor {

namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &text, const QKeySequence &keys = {}) {
  auto *action = menu->addAction(text);
  action->setObjectName(name);
  if (!keys.isEmpty()) action->setShortcut(keys);
  return action;
}

}  // namespace

TForm_Edit::TForm_Edit(Setup setup)
    : texts_(*setup.texts),
      ui_(setup.ui),
      tempDir_(setup.tempDir),
      session_(*this, setup.tempDir),
      commands_(std::make_unique<EditCommands>(session_, *this, setup.tempDir)) {
  FormCreate();
  wirePlayer(std::move(setup.output));
  session_.start();
  commands_->start();
}

TForm_Edit::~TForm_Edit() {
  qApp->removeEventFilter(this);
  // The player lets go of the panes' views while they still exist.
  delete player_;
  player_ = nullptr;
  // Program end: the clipboard's files go with the window.
  std::error_code ec;
  fs::remove(tempDir_ / kClipRegionFileName, ec);
  fs::remove(tempDir_ / kClipFileName, ec);
}

void TForm_Edit::FormCreate() {
  setObjectName("TForm_Edit");
  setWindowTitle(kCaption);
  setMinimumWidth(260);
  auto *central = new QWidget(this);
  auto *layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  setCentralWidget(central);

  buildMenus();
  buildPlayBar();
  layout->addWidget(SpeedBar);
  buildPanes();
  // The panes share the height left over by the play bar and the status bar.
  layout->addWidget(cutterpanel_up, 1);
  layout->addWidget(CutterPanel, 1);
  buildStatusBar();
  readTexts();

  std::error_code ec;
  fs::create_directories(tempDir_, ec);

  // As wide as the screen at its top left (a compositor may place it itself).
  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    resize(area.width(), std::max(560, area.height() * 3 / 4));
    move(area.topLeft());
  } else {
    resize(894, 560);
  }
  // Grid lines and snap in the edit pane.
  CutterPanel->state()->setGrid(true, true);
  wireEditCommands();
}

void TForm_Edit::buildMenus() {
  N_menFile = menuBar()->addMenu("&File");
  N_menFile->setObjectName("N_menFile");
  N_Opendownfile = menuItem(N_menFile, "N_Opendownfile", "Open &Edit File");
  N_Saveas = menuItem(N_menFile, "N_Saveas", "&Save As", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  N_Closedownfile = menuItem(N_menFile, "N_Closedownfile", "&Close Edit File");
  N_menFile->addSeparator();
  N_Openupfile = menuItem(N_menFile, "N_Openupfile", "Open &Reference File");
  N_Closeupfile = menuItem(N_menFile, "N_Closeupfile", "C&lose Reference File");
  N_menFile->addSeparator();
  N_exit = menuItem(N_menFile, "N_exit", "&Exit");

  N_menEdit = menuBar()->addMenu("&Edit window");
  N_menEdit->setObjectName("N_menEdit");
  N_Undo = menuItem(N_menEdit, "N_Undo", "&Undo", QKeySequence(Qt::ALT | Qt::Key_Backspace));
  N_ResetUndo = menuItem(N_menEdit, "N_ResetUndo", "Reset Und&o");
  N_menEdit->addSeparator();
  N_downBlockSave = menuItem(N_menEdit, "N_downBlockSave", "Save &Block");
  N_downcut = menuItem(N_menEdit, "N_downcut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X));
  N_downtrim = menuItem(N_menEdit, "N_downtrim", "Tri&m", QKeySequence(Qt::CTRL | Qt::Key_Delete));
  N_downcopy = menuItem(N_menEdit, "N_downcopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
  N_downPaste = menuItem(N_menEdit, "N_downPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V));
  N_downSelectAll = menuItem(N_menEdit, "N_downSelectAll", "Select &All Switch", QKeySequence(Qt::CTRL | Qt::Key_A));
  N_menEdit->addSeparator();
  N_Insertblank = menuItem(N_menEdit, "N_Insertblank", "&Insert Blank");
  N_scaleup = menuItem(N_menEdit, "N_scaleup", "&Scale Up");
  N_scaledown = menuItem(N_menEdit, "N_scaledown", "Scale &Down");
  N_scalereset = menuItem(N_menEdit, "N_scalereset", "Scale &Reset");
  N_menEdit->addSeparator();
  N_downviewnormalrange = menuItem(N_menEdit, "N_downviewnormalrange", "&View Normal Range");

  n_manreference = menuBar()->addMenu("&Reference window");
  n_manreference->setObjectName("n_manreference");
  N_upblocksave = menuItem(n_manreference, "N_upblocksave", "Save &Block");
  N_upBlockcopy = menuItem(n_manreference, "N_upBlockcopy", "&Copy");
  N_upSelectAll = menuItem(n_manreference, "N_upSelectAll", "Select &All Switch");
  n_manreference->addSeparator();
  N_upviewnormalrange = menuItem(n_manreference, "N_upviewnormalrange", "&View Normal Range");

  MarkerPopup = new QMenu(this);
  Markerpopup_AddMarker = menuItem(MarkerPopup, "Markerpopup_AddMarker", "Add &Marker");
  Markerpopup_Delete = menuItem(MarkerPopup, "Markerpopup_Delete", "&Delete Marker");
  Markerpopup_Delete->setVisible(false);
  MarkerPopup->addSeparator();
  Markerpopup_alldelete = menuItem(MarkerPopup, "Markerpopup_alldelete", "&All Delete Marker");
  SelectionPopup = new QMenu(this);
  Selectionpopup_Zoom = menuItem(SelectionPopup, "Selectionpopup_Zoom", "&Zoom Selection");
  Selectionpopup_discardselection =
      menuItem(SelectionPopup, "Selectionpopup_discardselection", "Dis&card selection");
  SelectionPopup->addSeparator();
  Selectionpopup_Play = menuItem(SelectionPopup, "Selectionpopup_Play", "&Play Selection");
  VolumePopup = new QMenu(this);
  Volumepopup_New = menuItem(VolumePopup, "Volumepopup_New", "&New");
  Volumepopup_Delete = menuItem(VolumePopup, "Volumepopup_Delete", "&Delete");
  EditorPopup = new QMenu(this);
  ZoomPopup = new QMenu(this);

  connect(N_Opendownfile, &QAction::triggered, this, [this] { Button_OpenDownFileClick(); });
  connect(N_Openupfile, &QAction::triggered, this, [this] { button_openupfileClick(); });
  connect(N_Saveas, &QAction::triggered, this, [this] { button_saveasClick(); });
  connect(N_Closedownfile, &QAction::triggered, this, [this] { button_downcloseClick(); });
  connect(N_Closeupfile, &QAction::triggered, this, [this] { button_upcloseClick(); });
  connect(N_exit, &QAction::triggered, this, &QWidget::close);
  connect(N_downSelectAll, &QAction::triggered, this, [this] { N_SelectAllClick(Pane::Edit); });
  connect(N_upSelectAll, &QAction::triggered, this, [this] { N_SelectAllClick(Pane::Reference); });
  connect(N_downviewnormalrange, &QAction::triggered, this, [this] { button_normalrangeClick(Pane::Edit); });
  connect(N_upviewnormalrange, &QAction::triggered, this, [this] { button_normalrangeClick(Pane::Reference); });
  connect(Selectionpopup_Zoom, &QAction::triggered, this, [this] { Selectionpopup_ZoomClick(); });
  connect(Selectionpopup_discardselection, &QAction::triggered, this,
          [this] { Selectionpopup_discardselectionClick(); });
}

void TForm_Edit::buildPlayBar() {
  SpeedBar = new QWidget(this);
  SpeedBar->setObjectName("SpeedBar");
  SpeedBar->setFixedHeight(31);
  auto *row = new QHBoxLayout(SpeedBar);
  row->setContentsMargins(4, 2, 4, 2);
  auto button = [this](const char *name, QStyle::StandardPixmap icon, const QString &text) {
    auto *b = new QToolButton(SpeedBar);
    b->setObjectName(name);
    b->setIcon(style()->standardIcon(icon));
    b->setAccessibleName(text);
    b->setAutoRaise(true);
    return b;
  };
  button_play = button("button_play", QStyle::SP_MediaPlay, "Play");
  button_stop = button("button_stop", QStyle::SP_MediaStop, "Stop");
  button_pause = button("button_pause", QStyle::SP_MediaPause, "Pause");
  row->addWidget(button_play);
  row->addWidget(button_stop);
  row->addWidget(button_pause);
  auto meter = [this](const char *name) {
    auto *m = new QProgressBar(SpeedBar);
    m->setObjectName(name);
    m->setTextVisible(false);
    m->setRange(0, 100);
    m->setValue(0);
    m->setFixedWidth(120);
    m->setMaximumHeight(10);
    return m;
  };
  auto *meters = new QVBoxLayout;
  meters->setSpacing(2);
  Level1 = meter("Level1");
  Level2 = meter("Level2");
  meters->addWidget(Level1);
  meters->addWidget(Level2);
  row->addLayout(meters);
  CheckBox_repeat = new QCheckBox("Repeat", SpeedBar);
  CheckBox_repeat->setObjectName("CheckBox_repeat");
  row->addWidget(CheckBox_repeat);
  m_VolMixerSlider = new QSlider(Qt::Horizontal, SpeedBar);
  m_VolMixerSlider->setObjectName("m_VolMixerSlider");
  m_VolMixerSlider->setFixedWidth(120);
  row->addWidget(m_VolMixerSlider);
  row->addStretch(1);
}

void TForm_Edit::buildPanes() {
  cutterpanel_up = new EditorPane("cutterpanel_up", "Reference", this);
  button_openupfile = cutterpanel_up->addButton("button_openupfile", "Open");
  button_upclose = cutterpanel_up->addButton("button_upclose", "Close");
  button_viewcopy = cutterpanel_up->addButton("button_viewcopy", "Copy");
  button_upblocksave = cutterpanel_up->addButton("button_upblocksave", "Save Block");
  Label_view = new QLabel("Reference", cutterpanel_up);
  Label_view->setObjectName("Label_view");
  QFont bold = Label_view->font();
  bold.setBold(true);
  Label_view->setFont(bold);
  cutterpanel_up->addLabel(Label_view);
  button_normalrangeup = cutterpanel_up->addButton("button_normalrangeup", "Normal");
  cutterpanel_up->addLabel(cutterpanel_up->fileNameField());
  cutterpanel_up->fileNameField()->setObjectName("panel_upfilename");

  CutterPanel = new EditorPane("CutterPanel", "Edit", this);
  Button_OpenDownFile = CutterPanel->addButton("Button_OpenDownFile", "Open");
  button_downclose = CutterPanel->addButton("button_downclose", "Close");
  button_saveas = CutterPanel->addButton("button_saveas", "Save As");
  button_downblocksave = CutterPanel->addButton("button_downblocksave", "Save Block");
  button_copy = CutterPanel->addButton("button_copy", "Copy");
  button_cut = CutterPanel->addButton("button_cut", "Cut");
  button_paste = CutterPanel->addButton("button_paste", "Paste");
  button_oneblank = CutterPanel->addButton("button_oneblank", "Blank");
  Label_edit = new QLabel("Edit", CutterPanel);
  Label_edit->setObjectName("Label_edit");
  Label_edit->setFont(bold);
  CutterPanel->addLabel(Label_edit);
  button_trim = CutterPanel->addButton("button_trim", "Trim");
  button_scaleup = CutterPanel->addButton("button_scaleup", "Up");
  button_scaledown = CutterPanel->addButton("button_scaledown", "Down");
  button_normalrange = CutterPanel->addButton("button_normalrange", "Normal");
  button_reset = CutterPanel->addButton("button_reset", "Reset");
  CutterPanel->addLabel(CutterPanel->fileNameField());
  CutterPanel->fileNameField()->setObjectName("Panel_filename");

  connect(Button_OpenDownFile, &QToolButton::clicked, this, [this] { Button_OpenDownFileClick(); });
  connect(button_openupfile, &QToolButton::clicked, this, [this] { button_openupfileClick(); });
  connect(button_downclose, &QToolButton::clicked, this, [this] { button_downcloseClick(); });
  connect(button_upclose, &QToolButton::clicked, this, [this] { button_upcloseClick(); });
  connect(button_saveas, &QToolButton::clicked, this, [this] { button_saveasClick(); });
  connect(button_normalrange, &QToolButton::clicked, this, [this] { button_normalrangeClick(Pane::Edit); });
  connect(button_normalrangeup, &QToolButton::clicked, this, [this] { button_normalrangeClick(Pane::Reference); });
  wirePane(Pane::Reference);
  wirePane(Pane::Edit);
}

void TForm_Edit::wirePane(Pane p) {
  EditorPane *ep = pane(p);
  auto *state = ep->state();
  // A press into a pane that holds a file makes it the active one.
  for (QWidget *w : std::initializer_list<QWidget *>{ep, ep->titleRow()}) w->installEventFilter(this);
  connect(state, &components::waveviews::WaveViewState::selectionChanged, this,
          [this, p](int64_t s, int64_t e) {
            session_.setSelection(p, s, e);
            showSelectionLength(p);
          });
  connect(state, &components::waveviews::WaveViewState::locatorChanged, this,
          [this, p](int64_t f) { session_.setLocator(p, f); });
  auto zoomEnd = [this, p, ep](int64_t from, int64_t to) {
    int64_t span = minimumZoomSpan(true, ep->zoomed()->width(), 1, ep->state()->sampleRate());
    applyRange(p, session_.zoomEnd(p, from, to, span));
  };
  connect(ep->zoomed(), &components::waveviews::WaveformView::zoomEnd, this, zoomEnd);
  connect(ep->zoomRuler(), &components::waveviews::TimeRuler::zoomEnd, this, zoomEnd);
  connect(ep->fullRuler(), &components::waveviews::TimeRuler::zoomEnd, this, zoomEnd);
  connect(state, &components::waveviews::WaveViewState::rangeChanged, this, [this, p](int64_t, int64_t) {
    auto *st = pane(p)->state();
    pane(p)->scroller()->setText(
        QString::fromStdString(components::timeText(st->rangeEnd() - st->rangeStart(), st->sampleRate())));
  });
  auto selectionMenu = [this, p](QPoint pos, int64_t) {
    if (session_.activePane() != static_cast<int>(p)) return;
    if (pane(p)->state()->hasSelection()) {
      popupPane_ = p;
      SelectionPopup->popup(pos);
    }
  };
  connect(ep->zoomed(), &components::waveviews::WaveViewBase::contextMenuRequested, this, selectionMenu);
  connect(ep->overview(), &components::waveviews::WaveViewBase::contextMenuRequested, this, selectionMenu);
  connect(ep->envelope(), &components::waveviews::WaveViewBase::contextMenuRequested, this,
          [this, p](QPoint pos, int64_t) {
            if (p != Pane::Edit || session_.activePane() != 2) return;
            popupPane_ = p;
            volumePopupAt(pos);
          });
  if (p == Pane::Edit) {
    ep->markerStrip()->setEditable(true);
    connect(ep->markerStrip(), &components::waveviews::WaveViewBase::contextMenuRequested, this,
            [this](QPoint pos, int64_t frame) { markerPopupAt(pos, frame); });
    // Changes of markers, envelope and cut list make the edit file modified.
    connect(state, &components::waveviews::WaveViewState::markersChanged, this, [this] { session_.markModified(); });
    connect(state, &components::waveviews::WaveViewState::cutsChanged, this, [this] { session_.markModified(); });
    connect(state, &components::waveviews::WaveViewState::envelopeChanged, this, [this] {
      session_.markModified();
      updateEnvelopeVisibility(Pane::Edit);
    });
  }
}

void TForm_Edit::buildStatusBar() {
  QStatusBar *bar = statusBar();
  bar->setObjectName("StatusBar");
  bar->setFixedHeight(23);
  auto field = [bar](const char *name, int width, int stretch = 0) {
    auto *l = new QLabel(bar);
    l->setObjectName(name);
    l->setAccessibleName(name);
    l->setMinimumWidth(width);
    l->setFrameShape(QFrame::StyledPanel);
    bar->addWidget(l, stretch);
    return l;
  };
  StatusBits = field("StatusBits", 50);
  StatusVolume = field("StatusVolume", 60);
  StatusFile = field("StatusFile", 120, 1);
  StatusRate = field("StatusRate", 80);
  StatusTime = field("StatusTime", 90);
  StatusSelected = field("StatusSelected", 90);
  StatusMessage = new QWidget(bar);
  StatusMessage->setObjectName("StatusMessage");
  StatusMessage->setMinimumWidth(220);
  auto *row = new QHBoxLayout(StatusMessage);
  row->setContentsMargins(0, 0, 0, 0);
  GaugePanel = new QWidget(StatusMessage);
  GaugePanel->setObjectName("GaugePanel");
  auto *gaugeRow = new QHBoxLayout(GaugePanel);
  gaugeRow->setContentsMargins(0, 0, 0, 0);
  Gauge = new QProgressBar(GaugePanel);
  Gauge->setObjectName("Gauge");
  Gauge->setRange(0, 100);
  Gauge->setFormat("Building %p%");
  button_Cancel = new QPushButton("Cancel", GaugePanel);
  button_Cancel->setObjectName("button_Cancel");
  gaugeRow->addWidget(Gauge, 1);
  gaugeRow->addWidget(button_Cancel);
  row->addWidget(GaugePanel);
  GaugePanel->hide();
  bar->addWidget(StatusMessage);
  connect(button_Cancel, &QPushButton::clicked, this, [this] { session_.cancel(); });
}

void TForm_Edit::readTexts() {
  // A missing key leaves an empty caption, as in every window.
  auto setText = [this](QAction *a, const char *key) { a->setText(app::uiText(texts_, key)); };
  auto setMenu = [this](QMenu *m, const char *key) { m->setTitle(app::uiText(texts_, key)); };
  auto hint = [this](QWidget *w, const char *key) {
    QString text = app::uiText(texts_, key);
    w->setToolTip(text);
    if (!text.isEmpty()) w->setAccessibleName(text);
  };
  Label_view->setText(app::uiText(texts_, "FE_label_view"));
  Label_edit->setText(app::uiText(texts_, "FE_label_edit"));
  setMenu(N_menFile, "FE_PDtitlefile");
  setText(N_Opendownfile, "FE_PDopenedit");
  setText(N_Saveas, "FE_PDsaveas");
  setText(N_Closedownfile, "FE_PDClosedownfile");
  setText(N_Openupfile, "FE_PDopenview");
  setText(N_Closeupfile, "FE_PDCloseupfile");
  setText(N_exit, "FE_PDexit");
  setMenu(N_menEdit, "FE_PDtitleedit");
  setText(N_Undo, "FE_PDundo");
  setText(N_ResetUndo, "FE_PDresetundo");
  setText(N_downBlockSave, "FE_PDblocksave");
  setText(N_upblocksave, "FE_PDblocksave");
  setText(N_downcut, "FE_PDcut");
  setText(N_downtrim, "FE_PDtrim");
  setText(N_downcopy, "FE_PDblockcopy");
  setText(N_upBlockcopy, "FE_PDblockcopy");
  setText(N_downPaste, "FE_PDblockpaste");
  setText(N_downSelectAll, "FE_PDselectallswitch");
  setText(N_upSelectAll, "FE_PDselectallswitch");
  setText(N_Insertblank, "FE_PDinsertblank");
  setText(N_scaleup, "FE_PDscaleup");
  setText(N_scaledown, "FE_PDscaledown");
  setText(N_scalereset, "FE_PDscalereset");
  setText(N_downviewnormalrange, "FE_PDsamewidthwindow");
  setText(N_upviewnormalrange, "FE_PDsamewidthwindow");
  setMenu(n_manreference, "FE_PDtitleview");
  setText(Volumepopup_New, "FE_PUvolumepopupnew");
  setText(Volumepopup_Delete, "FE_PUvolumepopupdelete");
  setText(Markerpopup_AddMarker, "FE_PUMarkerpopupAddMarker");
  setText(Markerpopup_Delete, "FE_PUMarkerpopupdelete");
  setText(Markerpopup_alldelete, "FE_PUMarkerpopupalldelete");
  setText(Selectionpopup_Zoom, "FE_PUSelectionPopupzoom");
  setText(Selectionpopup_discardselection, "FE_PUSelectionPopupClearselection");
  setText(Selectionpopup_Play, "FE_PUSelectionPopupPlay");
  hint(button_play, "FE_button_play");
  hint(button_pause, "FE_button_pause");
  hint(button_stop, "FE_button_stop");
  hint(CheckBox_repeat, "FE_CheckBox_repeat");
  hint(m_VolMixerSlider, "FE_trackbar_wavvolume");
  hint(button_openupfile, "FE_button_openupfile");
  hint(button_upclose, "FE_button_upclose");
  hint(button_upblocksave, "FE_button_upblocksave");
  hint(button_viewcopy, "FE_button_viewcopy");
  hint(button_normalrange, "FE_button_normalrange");
  hint(button_normalrangeup, "FE_button_normalrange");
  hint(Button_OpenDownFile, "FE_button_opendownfile");
  hint(button_downclose, "FE_button_downclose");
  hint(button_saveas, "FE_button_saveas");
  hint(button_downblocksave, "FE_button_downblocksave");
  hint(button_copy, "FE_button_copy");
  hint(button_cut, "FE_button_cut");
  hint(button_trim, "FE_button_trim");
  hint(button_paste, "FE_button_paste");
  hint(button_oneblank, "FE_button_oneblank");
  hint(button_scaleup, "FE_button_scaleup");
  hint(button_scaledown, "FE_button_scaledown");
  hint(button_reset, "FE_button_reset");
  button_Cancel->setText(app::uiText(texts_, "FE_button_cancel", "Cancel"));
}

void TForm_Edit::setOpenDialogStart(const QString &directory, const QString &fileName) {
  openDirectory_ = directory;
  openFileName_ = fileName;
}

void TForm_Edit::setDialogs(OpenDialog open, SaveDialog save) {
  openDialog_ = std::move(open);
  saveDialog_ = std::move(save);
}

// ---- EditorHost ----

std::optional<std::string> TForm_Edit::chooseOpenFile(Pane pane) {
  if (openDialog_) return openDialog_(pane);
  QString start = openDirectory_;
  if (!openFileName_.isEmpty()) start = QDir(openDirectory_).filePath(openFileName_);
  QString name = QFileDialog::getOpenFileName(
      this, QString(), start,
      "Wave-Files,Dvg-Files (*.wav *.WAV *.dvg *.DVG);;Wave-Files (*.wav *.WAV);;Dvg-Files (*.dvg *.DVG)");
  if (name.isEmpty()) return std::nullopt;
  openDirectory_ = QFileInfo(name).absolutePath();
  openFileName_.clear();
  return name.toStdString();
}

std::optional<std::string> TForm_Edit::chooseSaveFile(const std::string &proposed) {
  if (saveDialog_) return saveDialog_(proposed);
  QFileDialog dialog(this, QString(), QString::fromStdString(proposed), "Wave-Files (*.wav *.WAV)");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("wav");
  dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the editor asks itself
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

bool TForm_Edit::confirmReplace(const std::string &path) {
  QMessageBox box(QMessageBox::Question, app::uiText(texts_, keys::kKindQuestion),
                  tr("%1 already exists.\nDo you want to replace it?")
                      .arg(QFileInfo(QString::fromStdString(path)).fileName()),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.button(QMessageBox::Yes)->setText(app::uiText(texts_, "FM_msg_dlg1"));
  box.button(QMessageBox::No)->setText(app::uiText(texts_, "FM_msg_dlg2"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

int TForm_Edit::messageBox(const char *captionKey, const char *textKey, components::MsgKind kind, int buttons,
                           const std::string &prefix) {
  return app::Ext_MessageBox(this, texts_, captionKey, textKey, kind, buttons, prefix);
}

ProbeResult TForm_Edit::probe(const std::string &path) {
  ProbeResult r;
  components::WaveObject wave;
  switch (wave.open(path, components::FormatRule::Editor)) {
    case components::WaveOpen::Ok: r.status = ProbeResult::Ok; break;
    case components::WaveOpen::CannotRead: r.status = ProbeResult::Unreadable; return r;
    case components::WaveOpen::NoAudio: r.status = ProbeResult::NoAudio; break;
    case components::WaveOpen::Unsupported:
      r.status = ProbeResult::BadFormat;
      r.formatName = components::get_format(wave.format());
      return r;
  }
  r.facts = {wave.format().sampleRate, wave.format().bitsPerSample, wave.dataSamples()};
  return r;
}

bool TForm_Edit::convertVoiceFile(const std::string &voicePath, const std::string &wavPath) {
  if (!ui_) return false;
  ui_->progressOpen(app::uiText(texts_, keys::kConvertTitle).toStdString());
  ui_->progressCurrent(0, "");
  ui_->progressTotal(0, "1 of 1 file(s)", "No message");
  bool ok = false, failed = false;
  try {
    components::WaveFile waveFile;
    voice::G729Conversion conversion(*ui_, waveFile);
    ok = conversion.DecodeG729ToWave(voicePath, wavPath);
  } catch (const std::exception &) {
    failed = true;  // a read or write error inside the loop
  }
  ui_->progressClose();
  if (failed) messageBox(keys::kKindError, keys::kCannotOpen, components::MsgKind::Error, components::kButtonsOk);
  return ok && !failed;
}

int64_t TForm_Edit::freeBytes(const std::string &folder) {
  QStorageInfo storage(QString::fromStdString(folder));
  storage.refresh();
  if (!storage.isValid() || !storage.isReady()) return -1;
  return storage.bytesAvailable();
}

void TForm_Edit::progressStart(const char *captionKey) {
  Gauge->setValue(0);
  Gauge->setFormat(app::uiText(texts_, captionKey) + " %p%");
  GaugePanel->show();
  button_Cancel->setEnabled(true);
}

int TForm_Edit::screenWidth() {
  QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 1024;
}

bool TForm_Edit::progressStep(int percent) {
  Gauge->setValue(std::clamp(percent, 0, 100));
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return !session_.cancelRequested();
}

void TForm_Edit::progressEnd() { GaugePanel->hide(); }

fs::path TForm_Edit::displayDataOf(const std::string &path) const {
  // Edits and undo show the temporary files again and again; the opened
  // file has one place, checked against its name.
  if (isInsideFolder(path, tempDir_)) return displayDataFile(path);
  return tempDir_ / (std::string("opened") + kDisplayDataEnding);
}

void TForm_Edit::keepDisplayData(const std::string &path) {
  const auto &cache = CutterPanel->cache();
  if (!cache || !cache->save(displayDataOf(path).string())) return;
  if (!isInsideFolder(path, tempDir_)) openedDisplayData_ = path;
}

StepResult TForm_Edit::preparePane(Pane p, const std::string &path, const WaveFacts &) {
  raise();
  activateWindow();
  if (p == Pane::Edit && (isInsideFolder(path, tempDir_) || sameFile(path, openedDisplayData_))) {
    // A state shown before comes back from its display data when the file is unchanged.
    if (auto kept = PeakCache::load(displayDataOf(path).string(), path)) {
      pending_[static_cast<int>(p)] = std::move(kept);
      return StepResult::Done;
    }
  }
  auto cache = std::make_shared<PeakCache>();
  progressStart(keys::kBuilding);
  PeakCache::Result result = cache->build(path, [this](int percent) { return progressStep(percent); });
  progressEnd();
  if (result == PeakCache::Result::Cancelled) return StepResult::Cancelled;
  if (result != PeakCache::Result::Done) return StepResult::Failed;
  pending_[static_cast<int>(p)] = std::move(cache);
  return StepResult::Done;
}

void TForm_Edit::commitPane(Pane p, const PaneState &state) {
  EditorPane *ep = pane(p);
  auto cache = std::move(pending_[static_cast<int>(p)]);
  if (!ep->show(std::move(cache), state.fileName)) {
    ep->empty();
    return;
  }
  ep->fileNameField()->setText(QString::fromStdString(state.fileName));
  ep->fileNameField()->setToolTip(QString::fromStdString(state.fileName));
  applyRange(p, {state.zoomMin, state.zoomMax});
  if (p == Pane::Edit) {
    CutterPanel->state()->setGrid(true, true);
    keepDisplayData(state.fileName);
  }
  updateEnvelopeVisibility(p);
}

void TForm_Edit::clearPane(Pane p) { pane(p)->empty(); }

components::WaveDescription TForm_Edit::paneWave(Pane p) {
  EditorPane *ep = pane(p);
  components::WaveDescription wave;
  wave.fileName = ep->working().fileName().string();
  wave.start = 0;
  wave.end = ep->working().dataSamples();
  wave.markers = ep->state()->markers();
  wave.cuts = ep->state()->cuts();
  wave.volume = ep->state()->envelope();
  return wave;
}

void TForm_Edit::commitEdit(const PaneState &shown, const components::WaveDescription &wave) {
  // A copy: the views report every change back into the session's state.
  const PaneState state = shown;
  EditorPane *ep = CutterPanel;
  auto cache = std::move(pending_[static_cast<int>(Pane::Edit)]);
  if (!cache || !ep->show(std::move(cache), wave.fileName)) {
    ep->empty();
    return;
  }
  ep->fileNameField()->setText(QString::fromStdString(state.fileName));
  ep->fileNameField()->setToolTip(QString::fromStdString(state.fileName));
  auto *st = ep->state();
  st->setMarkers(wave.markers);
  st->setCuts(wave.cuts);
  if (wave.volume.size() >= 2) st->setEnvelope(wave.volume);
  applyRange(Pane::Edit, {state.zoomMin, state.zoomMax});
  st->setGrid(true, true);
  if (state.hasSelection())
    st->setSelection(state.selStart, state.selEnd);
  else
    st->clearSelection();
  st->setLocator(std::max<int64_t>(state.locator, 0));
  updateEnvelopeVisibility(Pane::Edit);
  keepDisplayData(wave.fileName);
}

void TForm_Edit::setEditMarkers(const components::MarkerList &markers) { CutterPanel->state()->setMarkers(markers); }

void TForm_Edit::setEditEnvelope(const components::VolumeEnvelope &envelope) {
  CutterPanel->state()->setEnvelope(envelope);
}

void TForm_Edit::setEditCuts(const components::CutList &cuts) { CutterPanel->state()->setCuts(cuts); }

void TForm_Edit::wireEditCommands() {
  EditCommands &c = *commands_;
  auto onClick = [this](QToolButton *b, std::function<void()> f) { connect(b, &QToolButton::clicked, this, f); };
  auto onMenu = [this](QAction *a, std::function<void()> f) { connect(a, &QAction::triggered, this, f); };
  onClick(button_copy, [&c] { c.copy(Pane::Edit, true); });
  onMenu(N_downcopy, [&c] { c.copy(Pane::Edit, false); });
  onClick(button_viewcopy, [&c] { c.copy(Pane::Reference, true); });
  onMenu(N_upBlockcopy, [&c] { c.copy(Pane::Reference, true); });
  onClick(button_cut, [&c] { c.cut(true); });
  onMenu(N_downcut, [&c] { c.cut(false); });
  onClick(button_trim, [&c] { c.trim(); });
  onMenu(N_downtrim, [&c] { c.trim(); });
  onClick(button_paste, [&c] { c.paste(true); });
  onMenu(N_downPaste, [&c] { c.paste(false); });
  onClick(button_oneblank, [&c] { c.insertBlank(); });
  onMenu(N_Insertblank, [&c] { c.insertBlank(); });
  onClick(button_downblocksave, [&c] { c.saveBlock(Pane::Edit); });
  onMenu(N_downBlockSave, [&c] { c.saveBlock(Pane::Edit); });
  onClick(button_upblocksave, [&c] { c.saveBlock(Pane::Reference); });
  onMenu(N_upblocksave, [&c] { c.saveBlock(Pane::Reference); });
  onMenu(N_Undo, [&c] { c.undo(); });
  onMenu(N_ResetUndo, [&c] { c.resetUndo(); });
  onClick(button_scaleup, [&c] { c.scaleVolume(EditCommands::kScaleUp); });
  onMenu(N_scaleup, [&c] { c.scaleVolume(EditCommands::kScaleUp); });
  onClick(button_scaledown, [&c] { c.scaleVolume(EditCommands::kScaleDown); });
  onMenu(N_scaledown, [&c] { c.scaleVolume(EditCommands::kScaleDown); });
  onClick(button_reset, [&c] { c.resetVolume(); });
  onMenu(N_scalereset, [&c] { c.resetVolume(); });
  connect(N_menEdit, &QMenu::aboutToShow, this, [&c] { c.editMenuOpening(); });

  // The selection as a region that playback and saving leave out.
  auto *hide = new QAction(tr("Hide Selection"), this);
  hide->setObjectName("N_hideselection");
  hide->setShortcut(QKeySequence(Qt::Key_Delete));
  hide->setShortcutContext(Qt::WindowShortcut);
  addAction(hide);
  connect(hide, &QAction::triggered, this, [this, &c] {
    if (session_.activePane() == 2) c.hideSelection();
  });

  onMenu(Markerpopup_AddMarker, [this, &c] { c.addMarker(popupFrame_); });
  onMenu(Markerpopup_Delete, [this, &c] {
    auto *strip = CutterPanel->markerStrip();
    int index = strip->markerAt(strip->mapFromGlobal(popupPos_).x());
    const auto &markers = CutterPanel->state()->markers();
    if (index >= 0 && index < static_cast<int>(markers.size())) c.deleteMarker(markers[index].id);
  });
  onMenu(Markerpopup_alldelete, [&c] { c.deleteAllMarkers(); });
  onMenu(Volumepopup_New, [this, &c] {
    auto *view = CutterPanel->envelope();
    c.envelopeEditStarted();
    view->addPointAt(view->mapFromGlobal(popupPos_));
    c.envelopeEditFinished();
  });
  onMenu(Volumepopup_Delete, [this, &c] {
    auto *view = CutterPanel->envelope();
    c.envelopeEditStarted();
    view->deleteAt(view->mapFromGlobal(popupPos_));
    c.envelopeEditFinished();
  });
  auto *env = CutterPanel->envelope();
  connect(env, &components::waveviews::EnvelopeView::editStarted, this, [&c] { c.envelopeEditStarted(); });
  connect(env, &components::waveviews::EnvelopeView::editFinished, this, [&c] { c.envelopeEditFinished(); });
  auto *strip = CutterPanel->markerStrip();
  connect(strip, &components::waveviews::MarkerStrip::markerDragStarted, this, [&c](uint32_t) { c.markerDragStarted(); });
  connect(strip, &components::waveviews::MarkerStrip::markerMoved, this, [&c](uint32_t, int64_t) { c.markerMoved(); });
  connect(CutterPanel->zoomed(), &components::waveviews::WaveformView::selectEnd, this,
          [&c](int64_t s, int64_t e) { c.selectionEnded(std::min(s, e), std::max(s, e)); });
}

StepResult TForm_Edit::renderEdit(const std::string &target) {
  components::WaveObject &working = CutterPanel->working();
  // The working wave may be the target itself (a save over the opened file):
  // render from a copy, which the render may read while the target is replaced.
  std::optional<fs::path> copy;
  components::WaveObject fromCopy;
  const components::WaveObject *source = &working;
  if (sameFile(target, working.fileName().string())) {
    copy = copyToTempFile(working.fileName(), tempDir_);
    if (!copy || fromCopy.open(*copy) != components::WaveOpen::Ok) {
      if (copy) fs::remove(*copy);
      return StepResult::Failed;
    }
    fromCopy.setRange(working.start(), working.end());
    fromCopy.attachCuts(working.cuts());
    fromCopy.attachMarkers(working.markers());
    fromCopy.attachEnvelope(working.envelope());
    source = &fromCopy;
  }
  progressStart(keys::kSaving);
  components::RenderOptions options;
  options.progress = [this](uint64_t done, uint64_t total) {
    return progressStep(total == 0 ? 100 : static_cast<int>(done * 100 / total));
  };
  components::RenderResult result = source->render(target, options);
  progressEnd();
  fromCopy.close();
  if (copy) {
    std::error_code ec;
    fs::remove(*copy, ec);
  }
  switch (result) {
    case components::RenderResult::Ok: return StepResult::Done;
    case components::RenderResult::Cancelled: return StepResult::Cancelled;
    default: return StepResult::Failed;
  }
}

void TForm_Edit::stopPlayback() {
  // Only what plays stops: the Stop button's locator rule is for the button.
  if (player_ && player_->active()) player_->stop();
}

void TForm_Edit::wirePlayer(components::PlaybackPump::DeviceFactory output) {
  player_ = new EditorPlayer(std::move(output),
                             {button_play, button_pause, button_stop, CheckBox_repeat, Level1, Level2}, this);
  connect(Selectionpopup_Play, &QAction::triggered, player_, [this] { player_->playSelection(); });
  connect(player_, &EditorPlayer::stateChanged, this, [this] { applyControls(session_.controls()); });
  connect(player_, &EditorPlayer::addMarkerRequested, this, [this](int64_t frame) {
    if (session_.activePane() == 2) commands_->addMarker(frame);
  });
  connect(player_, &EditorPlayer::selectionApplied, this, [this] {
    if (session_.activePane() == 2) session_.markModified();
  });
  // The window sees keys before its controls.
  qApp->installEventFilter(this);
}

void TForm_Edit::applyControls(const ControlState &c) {
  controls_ = c;
  // While a pane plays, the edit commands and both edit menus rest.
  const bool kEditOperations = !(player_ && player_->locked());
  N_menFile->setEnabled(c.fileMenu);
  N_Opendownfile->setEnabled(c.openEdit);
  N_Saveas->setEnabled(c.saveAs);
  N_Closedownfile->setEnabled(c.closeEdit);
  N_Openupfile->setEnabled(c.openReference);
  N_Closeupfile->setEnabled(c.closeReference);
  N_exit->setEnabled(c.exit);
  N_menEdit->setEnabled(c.editMenu && kEditOperations);
  n_manreference->setEnabled(c.referenceMenu && kEditOperations);
  N_Undo->setEnabled(c.undo && kEditOperations);
  N_ResetUndo->setEnabled(c.resetUndo && kEditOperations);
  N_downBlockSave->setEnabled(c.downBlockSave && kEditOperations);
  N_downcut->setEnabled(c.cut && kEditOperations);
  N_downtrim->setEnabled(c.trim && kEditOperations);
  N_downcopy->setEnabled(c.copy && kEditOperations);
  N_downPaste->setEnabled(c.pasteMenu && kEditOperations);
  N_downSelectAll->setEnabled(c.downSelectAll);
  N_Insertblank->setEnabled(c.oneBlank && kEditOperations);
  N_scaleup->setEnabled(c.scaleUp && c.editPane && session_.pane(Pane::Edit).open && kEditOperations);
  N_scaledown->setEnabled(c.scaleDown && c.editPane && session_.pane(Pane::Edit).open && kEditOperations);
  N_scalereset->setEnabled(c.reset && c.editPane && session_.pane(Pane::Edit).open && kEditOperations);
  N_downviewnormalrange->setEnabled(c.normalRange);
  N_upblocksave->setEnabled(c.upBlockSave && kEditOperations);
  N_upBlockcopy->setEnabled(c.viewCopy && kEditOperations);
  N_upSelectAll->setEnabled(c.upSelectAll);
  N_upviewnormalrange->setEnabled(c.upNormalRange);

  cutterpanel_up->setActive(c.referencePane);
  CutterPanel->setActive(c.editPane);
  // The title rows: the open buttons whenever the File menu works.
  button_openupfile->setEnabled(c.openReference);
  button_upclose->setEnabled(c.upClose);
  button_viewcopy->setEnabled(c.viewCopy && kEditOperations);
  button_upblocksave->setEnabled(c.upBlockSave && kEditOperations);
  button_normalrangeup->setEnabled(c.upNormalRange);
  Button_OpenDownFile->setEnabled(c.openDown);
  button_downclose->setEnabled(c.downClose);
  button_saveas->setEnabled(c.saveAsButton);
  button_downblocksave->setEnabled(c.downBlockSave && kEditOperations);
  button_copy->setEnabled(c.copy && kEditOperations);
  button_cut->setEnabled(c.cut && kEditOperations);
  button_paste->setEnabled(c.paste && kEditOperations);
  button_oneblank->setEnabled(c.oneBlank && kEditOperations);
  button_trim->setEnabled(c.trim && kEditOperations);
  button_scaleup->setEnabled(N_scaleup->isEnabled());
  button_scaledown->setEnabled(N_scaledown->isEnabled());
  button_normalrange->setEnabled(c.normalRange);
  button_reset->setEnabled(N_scalereset->isEnabled());

  SpeedBar->setEnabled(c.playBar);
  m_VolMixerSlider->setEnabled(c.playBar);
  if (player_) {
    // The player owns its buttons; it follows the active pane.
    const int active = session_.activePane();
    player_->setPane(active == 0 ? nullptr : pane(active == 1 ? Pane::Reference : Pane::Edit), active == 2);
    player_->setEnabled(c.playBar && !c.cancel);
  }
  Selectionpopup_Play->setEnabled(c.playBar && !c.cancel);
  button_Cancel->setEnabled(c.cancel);
}

void TForm_Edit::setStatusFile(const QString &fileName) {
  statusFileName_ = fileName;
  if (fileName.isEmpty()) {
    StatusFile->clear();
    return;
  }
  int width = std::max(20, StatusFile->width() - 8);
  QString shown = StatusFile->fontMetrics().elidedText(fileName, Qt::ElideMiddle, width);
  StatusFile->setText(" " + shown + " ");
  StatusFile->setToolTip(fileName);
}

void TForm_Edit::showStatus(const PaneState *active) {
  if (!active || !active->open) {
    for (QLabel *l : {StatusBits, StatusVolume, StatusRate, StatusTime, StatusSelected}) l->clear();
    setStatusFile({});
    return;
  }
  const uint32_t rate = active->wave.sampleRate;
  setStatusFile(QString::fromStdString(active->fileName));
  StatusVolume->setText(QString::fromStdString(components::gainText(0.0)));
  StatusRate->setText(QString::fromStdString(components::rateText(rate)));
  StatusBits->setText(QString::fromStdString(components::bitsText(active->wave.bitsPerSample)));
  int64_t time = active->hasSelection() ? active->selEnd : std::max<int64_t>(active->locator, 0);
  StatusTime->setText(QString::fromStdString(components::timeText(time, rate)));
  StatusSelected->setText(QString::fromStdString(components::timeText(active->selectionLength(), rate)));
}

void TForm_Edit::showSelectionLength(Pane p) {
  if (session_.activePane() != static_cast<int>(p)) return;
  showStatus(&session_.pane(p));
}

void TForm_Edit::applyRange(Pane p, SampleRange range) {
  EditorPane *ep = pane(p);
  int64_t end = std::max(range.max, range.min + 1);
  ep->state()->setRange(range.min, end);
  ep->scroller()->setText(
      QString::fromStdString(components::timeText(end - range.min, ep->state()->sampleRate())));
  showSelectionLength(p);
}

void TForm_Edit::button_normalrangeClick(Pane p) {
  if (session_.busy()) return;
  applyRange(p, session_.normalRange(p));
}

void TForm_Edit::N_SelectAllClick(Pane p) {
  if (session_.busy()) return;
  session_.selectAllSwitch(p);
  const PaneState &st = session_.pane(p);
  pane(p)->state()->setSelection(st.selStart, st.selEnd);
}

void TForm_Edit::Selectionpopup_ZoomClick() { applyRange(popupPane_, session_.zoomSelection(popupPane_)); }

void TForm_Edit::Selectionpopup_discardselectionClick() { pane(popupPane_)->state()->clearSelection(); }

void TForm_Edit::markerPopupAt(QPoint globalPos, int64_t frame) {
  if (session_.activePane() != 2 || !session_.pane(Pane::Edit).open || session_.busy()) return;
  popupFrame_ = frame;
  popupPos_ = globalPos;
  auto *strip = CutterPanel->markerStrip();
  bool over = strip->markerAt(strip->mapFromGlobal(globalPos).x()) >= 0;
  Markerpopup_AddMarker->setVisible(!over);
  Markerpopup_Delete->setVisible(over);
  Markerpopup_alldelete->setVisible(over || !CutterPanel->state()->markers().empty());
  MarkerPopup->popup(globalPos);
}

void TForm_Edit::volumePopupAt(QPoint globalPos) {
  if (session_.busy()) return;
  popupPos_ = globalPos;
  auto *view = pane(popupPane_)->envelope();
  QPoint local = view->mapFromGlobal(globalPos);
  Volumepopup_New->setEnabled(view->canAddAt(local));
  Volumepopup_Delete->setEnabled(view->canDeleteAt(local));
  VolumePopup->popup(globalPos);
}

void TForm_Edit::updateEnvelopeVisibility(Pane p) {
  // The envelope view shows itself once the envelope is more than unity.
  const auto &env = pane(p)->state()->envelope();
  bool flat = std::all_of(env.begin(), env.end(),
                          [](const components::VolumePoint &v) { return v.volume == components::kUnityVolume; });
  pane(p)->setEnvelopeVisible(!flat);
}

// ---- window events ----

bool TForm_Edit::eventFilter(QObject *watched, QEvent *event) {
  // Hints rest while a pane plays.
  if (event->type() == QEvent::ToolTip && player_ && player_->playing() && watched->isWidgetType() &&
      static_cast<QWidget *>(watched)->window() == this)
    return true;
  if (event->type() == QEvent::KeyPress && player_ && watched->isWidgetType()) {
    // Keys reach the player first, once: at the widget that has the focus
    // in this window (or the window itself), and not while a step runs.
    auto *w = static_cast<QWidget *>(watched);
    QWidget *focus = QApplication::focusWidget();
    if (w->window() == this && (w == focus || (!focus && w == this)) && !session_.busy() &&
        player_->handleKey(static_cast<QKeyEvent *>(event)))
      return true;
  }
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == cutterpanel_up || watched == cutterpanel_up->titleRow()) session_.activate(Pane::Reference);
    if (watched == CutterPanel || watched == CutterPanel->titleRow()) session_.activate(Pane::Edit);
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm_Edit::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  if (!statusFileName_.isEmpty()) setStatusFile(statusFileName_);
}

void TForm_Edit::closeEvent(QCloseEvent *event) {
  // While a long step runs, closing means Cancel (a conversion reads the
  // application's cancel flag, the editor's own steps the session's).
  if (session_.busy() && ui_) ui_->requestCancel();
  if (!session_.queryClose()) {
    event->ignore();
    return;
  }
  // FormClose: both panes emptied, the clipboard's region file removed (its
  // audio stays for the next time).
  session_.closeWindow();
  commands_->windowClosed();
  event->accept();
  if (onClosed_) onClosed_();
}

}  // namespace editor
