#include "SpeedWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "SonavelPump.h"
#include "app/MessageBox.h"
#include "app/Texts.h"
#include "speed/PlayableWave.h"
#include "speed/SpeedFormat.h"

namespace speed {

namespace wv = components::waveviews;

namespace {

constexpr uint32_t kMarkerA = 1, kMarkerB = 2;

// The dialogs' filters, "label|patterns|label|patterns", as Qt name filters.
// Patterns match either case, as file names on the recorder's PCs did.
QStringList nameFilters(const QString &filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString &p : parts[i + 1].split(';')) {
      patterns << p;
      if (p.toUpper() != p) patterns << p.toUpper();
    }
    out << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return out;
}

const QString kOpenFilter =
    "Wave,Dvg,Mp3-Files (*.wav;*.dvg;*.mp3)|*.wav;*.dvg;*.mp3|Wave-Files(*.wav)|*.wav|Dvg-Files(*.dvg)|*.dvg|"
    "Mp3-Files(*.mp3)|*.mp3";
const QString kSaveFilter = "Wave-Files(*.wav)|*.wav|Region-Files(*.cut)|*.cut";

QToolButton *toolButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon) {
  auto *button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(20, 20));
  button->setAutoRaise(true);
  return button;
}

QLabel *statusPanel(const char *name, int width) {
  auto *label = new QLabel;
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  if (width > 0) label->setMinimumWidth(width);
  return label;
}

}  // namespace

Tform_speed::Tform_speed(Setup setup) : texts_(*setup.texts), ui_(*setup.ui) {
  setObjectName("Tform_speed");
  setWindowTitle(kCaption);
  engine_ = setup.engine ? std::move(setup.engine) : makeSonavelEngine();
  preparation_ = std::make_unique<EngineFilePreparation>(ui_, *engine_);
  player_ = std::make_unique<SpeedPlayer>(*this, *engine_, *preparation_, ui_, setup.tempFolder);
  pump_ = new SonavelPump(this);

  m_TimMySpeed = new QTimer(this);
  m_TimMySpeed->setObjectName("m_TimMySpeed");
  m_TimMySpeed->setInterval(100);

  buildMenus();
  buildToolBar();
  buildWaveArea();
  buildStatusBar();
  applyTexts();
  wire();
  closeWave();
  enablePlaybackControls(false);
  setButtonState(0);
  fitWindow();
}

Tform_speed::~Tform_speed() {
  m_TimMySpeed->stop();
  engine_->stop();
}

void Tform_speed::buildMenus() {
  m_MenuFile = menuBar()->addMenu("&File");
  m_MenuFile->setObjectName("m_MenuFile");
  n_open = m_MenuFile->addAction("Open &Wave File...");
  n_open->setObjectName("n_open");
  n_close = m_MenuFile->addAction("&Close Wave File");
  n_close->setObjectName("n_close");
  m_MenuFile->addSeparator();
  n_exit = m_MenuFile->addAction("&Exit");
  n_exit->setObjectName("n_exit");
  m_MenuWindow = menuBar()->addMenu("&Window");
  m_MenuWindow->setObjectName("m_MenuWindow");
  n_SelectAllswitch = m_MenuWindow->addAction("Select All");
  n_SelectAllswitch->setObjectName("n_SelectAllswitch");
  n_SelectAllswitch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  n_SelectAllswitch->setShortcutContext(Qt::WindowShortcut);
  n_Normalrange = m_MenuWindow->addAction("&Normal range");
  n_Normalrange->setObjectName("n_Normalrange");

  SelectionPopup = new QMenu(this);
  SelectionPopup->setObjectName("SelectionPopup");
  SelectionPopup_zoom = SelectionPopup->addAction("&Zoom Selection");
  SelectionPopup_zoom->setObjectName("SelectionPopup_zoom");
  Selectionpopup_discardselection = SelectionPopup->addAction("Dis&card Selection");
  Selectionpopup_discardselection->setObjectName("Selectionpopup_discardselection");
  SelectionPopup_Play = SelectionPopup->addAction("&Play Selection");
  SelectionPopup_Play->setObjectName("SelectionPopup_Play");
}

void Tform_speed::buildToolBar() {
  auto *bar = new QWidget;
  bar->setObjectName("SpeedBar");
  auto *row = new QHBoxLayout(bar);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(2);
  button_openfile = toolButton(bar, "button_openfile", QStyle::SP_DialogOpenButton);
  button_closefile = toolButton(bar, "button_closefile", QStyle::SP_DialogCloseButton);
  button_play = toolButton(bar, "button_play", QStyle::SP_MediaPlay);
  button_pause = toolButton(bar, "button_pause", QStyle::SP_MediaPause);
  button_stop = toolButton(bar, "button_stop", QStyle::SP_MediaStop);
  button_normalrange = toolButton(bar, "button_normalrange", QStyle::SP_TitleBarMaxButton);
  for (QToolButton *b : {button_openfile, button_closefile}) row->addWidget(b);
  row->addSpacing(8);
  for (QToolButton *b : {button_play, button_pause, button_stop}) row->addWidget(b);
  row->addSpacing(8);
  row->addWidget(button_normalrange);
  row->addSpacing(12);

  // The speed slider with "Slow", "Normal" and "Fast" under its left end,
  // middle and right end.
  auto *speedBox = new QWidget(bar);
  auto *speedColumn = new QVBoxLayout(speedBox);
  speedColumn->setContentsMargins(0, 0, 0, 0);
  speedColumn->setSpacing(0);
  trackbar_speed = new QSlider(Qt::Horizontal, speedBox);
  trackbar_speed->setObjectName("trackbar_speed");
  trackbar_speed->setRange(kSliderMin, kSliderMax);
  trackbar_speed->setValue(0);
  trackbar_speed->setTickPosition(QSlider::TicksBelow);
  trackbar_speed->setTickInterval(5);
  trackbar_speed->setSingleStep(1);
  trackbar_speed->setPageStep(5);
  trackbar_speed->setMinimumWidth(200);
  speedColumn->addWidget(trackbar_speed);
  auto *labels = new QHBoxLayout;
  for (const char *text : {"Slow", "Normal", "Fast"}) {
    auto *label = new QLabel(text, speedBox);
    label->setAlignment(text[0] == 'S' ? Qt::AlignLeft : text[0] == 'N' ? Qt::AlignHCenter : Qt::AlignRight);
    labels->addWidget(label, 1);
  }
  speedColumn->addLayout(labels);
  row->addWidget(speedBox);
  row->addSpacing(12);
  checkbox_repeat = new QCheckBox("Repeat", bar);
  checkbox_repeat->setObjectName("checkbox_repeat");
  row->addWidget(checkbox_repeat);
  row->addSpacing(12);
  row->addWidget(new QLabel("Vol", bar));
  m_VolMixerSlider = new QSlider(Qt::Horizontal, bar);
  m_VolMixerSlider->setObjectName("m_VolMixerSlider");
  m_VolMixerSlider->setRange(0, 100);
  m_VolMixerSlider->setValue(100);
  m_VolMixerSlider->setMaximumWidth(110);
  row->addWidget(m_VolMixerSlider);
  row->addStretch(1);
  // The tool bar sits under the menu bar, above the wave area.
  speedBar_ = bar;
}

void Tform_speed::buildWaveArea() {
  auto *central = new QWidget;
  auto *column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(speedBar_);

  CutterPanel = new QWidget;
  CutterPanel->setObjectName("CutterPanel");
  auto *cutter = new QVBoxLayout(CutterPanel);
  cutter->setContentsMargins(0, 0, 0, 0);
  cutter->setSpacing(0);
  m_MarkerPanel = new wv::MarkerStrip(&state_);
  m_MarkerPanel->setObjectName("m_MarkerPanel");
  CutterViewTimePanel = new wv::TimeRuler(&state_, wv::WaveViewBase::Span::Visible);
  CutterViewTimePanel->setObjectName("CutterViewTimePanel");
  CutterView = new wv::WaveformView(&state_);
  CutterView->setObjectName("CutterView");
  CutterView->setMinimumHeight(80);
  VolumeView = new wv::EnvelopeView(&state_);
  VolumeView->setObjectName("VolumeView");
  VolumeView->hide();
  ScrollPanel = new wv::RangeScroller(&state_);
  ScrollPanel->setObjectName("ScrollPanel");
  FullViewPanel = new QWidget;
  FullViewPanel->setObjectName("FullViewPanel");
  auto *full = new QVBoxLayout(FullViewPanel);
  full->setContentsMargins(0, 0, 0, 0);
  full->setSpacing(0);
  FullViewTimePanel = new wv::TimeRuler(&state_, wv::WaveViewBase::Span::Whole);
  FullViewTimePanel->setObjectName("FullViewTimePanel");
  FullView = new wv::OverviewView(&state_);
  FullView->setObjectName("FullView");
  FullView->setMinimumHeight(50);
  full->addWidget(FullViewTimePanel);
  full->addWidget(FullView, 1);

  auto *zoomed = new QWidget;
  auto *zoomedColumn = new QVBoxLayout(zoomed);
  zoomedColumn->setContentsMargins(0, 0, 0, 0);
  zoomedColumn->setSpacing(0);
  zoomedColumn->addWidget(m_MarkerPanel);
  zoomedColumn->addWidget(CutterViewTimePanel);
  zoomedColumn->addWidget(CutterView, 1);
  zoomedColumn->addWidget(VolumeView);
  zoomedColumn->addWidget(ScrollPanel);
  auto *splitter = new QSplitter(Qt::Vertical);
  splitter->setObjectName("CutterSplitter");
  splitter->addWidget(zoomed);
  splitter->addWidget(FullViewPanel);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  splitter->setChildrenCollapsible(false);
  cutter->addWidget(splitter);
  column->addWidget(CutterPanel, 1);
  const std::pair<QWidget *, const char *> names[] = {
      {m_MarkerPanel, "Markers"}, {CutterViewTimePanel, "Time ruler"}, {CutterView, "Zoomed wave"},
      {ScrollPanel, "Range"},     {FullViewTimePanel, "Overview ruler"}, {FullView, "Whole wave"}};
  for (const auto &[widget, name] : names) widget->setAccessibleName(name);
  setCentralWidget(central);
  state_.setActive(true);
}

void Tform_speed::buildStatusBar() {
  QStatusBar *bar = statusBar();
  bar->setSizeGripEnabled(true);
  StatusFile = statusPanel("StatusFile", 160);
  StatusTime = statusPanel("StatusTime", 90);
  m_PnlTotalTime = statusPanel("m_PnlTotalTime", 90);
  StatusVolume = statusPanel("StatusVolume", 40);
  StatusRate = statusPanel("StatusRate", 80);
  StatusBits = statusPanel("StatusBits", 50);
  StatusMessage = new QWidget;
  StatusMessage->setObjectName("StatusMessage");
  auto *message = new QHBoxLayout(StatusMessage);
  message->setContentsMargins(0, 0, 0, 0);
  GaugePanel = new QWidget;
  GaugePanel->setObjectName("GaugePanel");
  auto *gauge = new QHBoxLayout(GaugePanel);
  gauge->setContentsMargins(0, 0, 0, 0);
  Gauge = new QProgressBar;
  Gauge->setObjectName("Gauge");
  Gauge->setRange(0, 100);
  Gauge->setMinimumWidth(200);
  button_cancel = new QPushButton("Cancel");
  button_cancel->setObjectName("button_cancel");
  gauge->addWidget(Gauge, 1);
  gauge->addWidget(button_cancel);
  message->addWidget(GaugePanel);
  GaugePanel->hide();
  bar->addWidget(StatusFile, 3);
  bar->addWidget(StatusTime);
  bar->addWidget(m_PnlTotalTime);
  bar->addWidget(StatusVolume);
  bar->addWidget(StatusRate);
  bar->addWidget(StatusBits);
  bar->addWidget(StatusMessage, 2);
}

void Tform_speed::applyTexts() {
  auto t = [this](const char *key) { return app::uiText(texts_, key); };
  m_MenuFile->setTitle(t("FS_PDtitlefile"));
  n_open->setText(t("FS_PDopen"));
  n_close->setText(t("FS_PDclose"));
  n_exit->setText(t("FS_PDexit"));
  m_MenuWindow->setTitle(t("FS_PDtitlewindow"));
  n_SelectAllswitch->setText(t("FS_PDSelectAllswitch"));
  n_Normalrange->setText(t("FS_PDNormalrange"));
  SelectionPopup_zoom->setText(t("FS_PUSelectionPopupzoom"));
  Selectionpopup_discardselection->setText(t("FS_PUSelectionPopupDiscardSelection"));
  SelectionPopup_Play->setText(t("FS_PUSelectionPopupPlay"));
  const std::pair<QWidget *, const char *> hints[] = {
      {button_openfile, "FS_button_openfile"}, {button_closefile, "FS_button_closefile"},
      {button_play, "FS_button_play"},         {button_pause, "FS_button_pause"},
      {button_stop, "FS_button_stop"},         {checkbox_repeat, "FS_checkbox_repeat"},
      {button_normalrange, "FS_button_normalrange"}, {m_VolMixerSlider, "FS_trackbar_wavvolume"},
      {trackbar_speed, "FS_trackbar_speed"}};
  for (const auto &[widget, key] : hints) {
    widget->setToolTip(t(key));
    widget->setAccessibleName(t(key).isEmpty() ? widget->objectName() : t(key));
  }
  checkbox_repeat->setAccessibleName(checkbox_repeat->text());
  button_cancel->setText(app::uiText(texts_, "FS_button_cancel", "Cancel"));
  Gauge->setFormat(t("FS_wav_msg1") + " %p%");
}

void Tform_speed::wire() {
  connect(n_open, &QAction::triggered, this, [this] { player_->openFile(); });
  connect(button_openfile, &QToolButton::clicked, this, [this] { player_->openFile(); });
  connect(n_close, &QAction::triggered, this, [this] { player_->closeFile(); });
  connect(button_closefile, &QToolButton::clicked, this, [this] { player_->closeFile(); });
  connect(n_exit, &QAction::triggered, this, &QWidget::close);
  connect(button_play, &QToolButton::clicked, this, [this] { player_->play(); });
  // Keys for the transport (the media keys, and F5 to F7 beside them).
  const std::pair<QToolButton *, QList<QKeySequence>> keys[] = {
      {button_play, {QKeySequence(Qt::Key_F5), QKeySequence(Qt::Key_MediaPlay)}},
      {button_pause, {QKeySequence(Qt::Key_F6), QKeySequence(Qt::Key_MediaPause)}},
      {button_stop, {QKeySequence(Qt::Key_F7), QKeySequence(Qt::Key_MediaStop)}}};
  for (const auto &[button, sequences] : keys) {
    auto *action = new QAction(this);
    action->setShortcuts(sequences);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, button, [button] {
      if (button->isEnabled()) button->click();
    });
  }
  connect(button_pause, &QToolButton::clicked, this, [this] { player_->pause(); });
  connect(button_stop, &QToolButton::clicked, this, [this] { player_->stop(); });
  connect(button_normalrange, &QToolButton::clicked, this, [this] { player_->normalRange(); });
  connect(n_Normalrange, &QAction::triggered, this, [this] { player_->normalRange(); });
  connect(n_SelectAllswitch, &QAction::triggered, this, [this] { player_->selectAll(); });
  connect(SelectionPopup_zoom, &QAction::triggered, this, [this] { player_->zoomSelection(); });
  connect(Selectionpopup_discardselection, &QAction::triggered, this, [this] { player_->discardSelection(); });
  connect(SelectionPopup_Play, &QAction::triggered, this, [this] { player_->playSelection(); });
  connect(trackbar_speed, &QSlider::valueChanged, this, [this](int value) { player_->speedChanged(value); });
  connect(m_TimMySpeed, &QTimer::timeout, this, [this] { player_->tick(); });
  connect(button_cancel, &QPushButton::clicked, this, [this] { buildCancel_ = true; });

  auto moved = [this](int64_t frame) {
    if (playing())
      seekIfPlaying(frame);
    else
      player_->positionsMoved();
  };
  auto dragged = [this](int64_t a, int64_t b) { player_->spanDragged({std::min(a, b), std::max(a, b)}); };
  auto zoomed = [this](int64_t a, int64_t b) {
    if (!locked_ && a != b) setZoom({std::min(a, b), std::max(a, b)});
    player_->positionsMoved();
  };
  connect(CutterView, &wv::WaveformView::trackBegin, this, [this](int64_t frame) { seekIfPlaying(frame); });
  connect(CutterView, &wv::WaveformView::locatorChanged, this, moved);
  connect(CutterView, &wv::WaveformView::selecting, this, dragged);
  connect(CutterView, &wv::WaveformView::selectEnd, this, [this] { player_->positionsMoved(); });
  connect(CutterView, &wv::WaveformView::zooming, this, dragged);
  connect(CutterView, &wv::WaveformView::zoomEnd, this, zoomed);
  connect(FullView, &wv::WaveformView::pressed, this, [this](int64_t frame, Qt::MouseButton button) {
    if (button == Qt::LeftButton && playing()) seekIfPlaying(frame);
  });
  connect(FullView, &wv::WaveformView::zoomEnd, this, zoomed);
  for (wv::TimeRuler *ruler : {CutterViewTimePanel, FullViewTimePanel}) {
    connect(ruler, &wv::TimeRuler::locatorChanged, this, moved);
    connect(ruler, &wv::TimeRuler::zooming, this, dragged);
    connect(ruler, &wv::TimeRuler::zoomEnd, this, zoomed);
  }
  connect(m_MarkerPanel, &wv::MarkerStrip::locatorChanged, this, moved);
  connect(m_MarkerPanel, &wv::MarkerStrip::markerMoved, this, [this] { player_->positionsMoved(); });
  for (wv::WaveViewBase *view : std::initializer_list<wv::WaveViewBase *>{CutterView, FullView, CutterViewTimePanel})
    connect(view, &wv::WaveViewBase::contextMenuRequested, this,
            [this](QPoint at, int64_t) { showSelectionPopup(at); });
  connect(&state_, &wv::WaveViewState::rangeChanged, this, [this](int64_t start, int64_t end) {
    if (state_.length() > 0)
      ScrollPanel->setText(QString::fromStdString(frameTime(end - start, uint32_t(state_.sampleRate()))));
  });
}

void Tform_speed::fitWindow() {
  QScreen *screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const int reserves = 2 * 40;
  const int least = speedBar_->sizeHint().height() + CutterViewTimePanel->sizeHint().height() +
                    FullViewTimePanel->sizeHint().height() + m_MarkerPanel->sizeHint().height() +
                    ScrollPanel->sizeHint().height() + 6 + 2 * FullView->minimumHeight() +
                    statusBar()->sizeHint().height() + menuBar()->sizeHint().height() + reserves;
  setMinimumSize(260, std::min(least, area.height()));
  setGeometry(area.left(), area.top(), area.width(), std::clamp(area.height() * 2 / 3, minimumHeight(), area.height()));
}

void Tform_speed::presetOpenDialog(const QString &folder, const QString &fileName) {
  openFolder_ = folder;
  openName_ = fileName;
}

std::optional<std::string> Tform_speed::askOpenFile() {
  if (dialogHook) return dialogHook(false, {});
  QFileDialog dialog(this);
  dialog.setObjectName("OpenDialog");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(nameFilters(kOpenFilter));
  if (!openFolder_.isEmpty()) dialog.setDirectory(openFolder_);
  if (!openName_.isEmpty()) dialog.selectFile(openName_);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QFileInfo chosen(dialog.selectedFiles().first());
  openFolder_ = chosen.absolutePath();
  openName_.clear();
  return chosen.absoluteFilePath().toStdString();
}

std::optional<std::string> Tform_speed::askSaveFile(const std::string &preset) {
  if (dialogHook) return dialogHook(true, preset);
  QFileDialog dialog(this);
  dialog.setObjectName("SaveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(nameFilters(kSaveFilter));
  dialog.setDefaultSuffix("wav");
  const QFileInfo info(QString::fromStdString(preset));
  dialog.setDirectory(info.absolutePath());
  dialog.selectFile(info.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath().toStdString();
}

void Tform_speed::errorBox(std::string_view captionKey, std::string_view textKey) {
  app::Ext_MessageBox(this, texts_, captionKey, textKey, components::MsgKind::Error, components::kButtonsOk);
}

SpeedView::Load Tform_speed::loadWave(const std::string &path, const std::string &, WaveFacts &facts) {
  raise();
  activateWindow();
  const bool fileMenu = m_MenuFile->isEnabled();
  CutterPanel->setEnabled(false);
  m_MenuFile->setEnabled(false);
  m_MenuWindow->setEnabled(false);
  speedBar_->setEnabled(false);
  closeWave();

  auto cache = std::make_shared<wv::PeakCache>();
  Gauge->setValue(0);
  GaugePanel->show();
  buildCancel_ = false;
  building_ = true;
  std::string error;
  const wv::PeakCache::Result result = cache->build(
      path,
      [this](int percent) {
        Gauge->setValue(percent);
        QApplication::processEvents();
        return !buildCancel_;
      },
      &error);
  building_ = false;
  GaugePanel->hide();
  m_MenuFile->setEnabled(fileMenu);
  speedBar_->setEnabled(true);
  if (result != wv::PeakCache::Result::Done) {
    closeWave();
    return result == wv::PeakCache::Result::Cancelled ? Load::Cancelled : Load::Failed;
  }
  auto layout = inspectWave(path);
  facts.frames = cache->frames();
  facts.rate = uint32_t(cache->sampleRate());
  facts.channels = cache->channels();
  facts.bits = layout ? layout->bitsPerSample : 16;
  cache_ = cache;
  state_.setWave(facts.frames, int(facts.rate));
  state_.setRange(0, std::max<int64_t>(1, facts.frames));
  CutterView->setPeakCache(cache_);
  FullView->setPeakCache(cache_);
  CutterPanel->setEnabled(true);
  return Load::Loaded;
}

void Tform_speed::closeWave() {
  CutterView->setPeakCache(nullptr);
  FullView->setPeakCache(nullptr);
  cache_.reset();
  state_.reset();
  state_.setActive(true);
  ScrollPanel->setText({});
  CutterPanel->setEnabled(false);
}

FrameSpan Tform_speed::markers() const {
  FrameSpan out;
  for (const components::Marker &m : state_.markers()) {
    if (m.id == kMarkerA) out.start = m.offset;
    if (m.id == kMarkerB) out.end = m.offset;
  }
  return out;
}

void Tform_speed::setMarkers(FrameSpan span) {
  components::MarkerList list;
  if (span.start >= 0 && span.end >= 0) {
    components::Marker a, b;
    a.id = kMarkerA;
    a.nextId = kMarkerB;
    a.offset = span.start;
    a.name = "A";
    b.id = kMarkerB;
    b.nextId = kMarkerA;
    b.offset = span.end;
    b.name = "B";
    list = {a, b};
  }
  state_.setMarkers(list);
}

void Tform_speed::setZoom(FrameSpan z) {
  if (z.end > z.start) state_.setRange(z.start, z.end);
}

void Tform_speed::lockWaveArea(bool locked) {
  locked_ = locked;
  const bool loaded = !player_->loadedName().empty();
  m_MenuWindow->setEnabled(!locked && loaded);
  n_SelectAllswitch->setEnabled(!locked && loaded);
  ScrollPanel->setEnabled(!locked);
  CutterView->setTrackMode(locked);
  m_MarkerPanel->setEditable(!locked);
  const Qt::CursorShape cursor = locked ? Qt::ArrowCursor : Qt::IBeamCursor;
  CutterView->setCursor(cursor);
}

void Tform_speed::setButtonState(int state) {
  buttonState_ = state;
  const bool loaded = !player_->loadedName().empty();
  button_play->setEnabled(loaded && state != 1);
  button_pause->setEnabled(loaded && state != 2);
  button_stop->setEnabled(loaded);
}

void Tform_speed::enablePlaybackControls(bool enabled) {
  m_MenuWindow->setEnabled(enabled && !locked_);
  n_SelectAllswitch->setEnabled(enabled && !locked_);
  for (QWidget *w : std::initializer_list<QWidget *>{button_play, button_stop, checkbox_repeat, button_normalrange,
                                                     m_VolMixerSlider, trackbar_speed})
    w->setEnabled(enabled);
  button_pause->setEnabled(enabled);
  if (enabled) setButtonState(buttonState_);
  button_closefile->setEnabled(enabled);
  n_close->setEnabled(enabled);
}

void Tform_speed::setTimerRunning(bool running) {
  if (running)
    m_TimMySpeed->start();
  else
    m_TimMySpeed->stop();
}

void Tform_speed::showTime(const std::string &time) { StatusTime->setText(QString::fromStdString(time)); }

void Tform_speed::showLength(const std::string &time) { m_PnlTotalTime->setText(QString::fromStdString(time)); }

void Tform_speed::showFile(const std::string &name, const std::string &rate, const std::string &bits) {
  fileText_ = QString::fromStdString(name);
  StatusFile->setToolTip(fileText_);
  StatusFile->setText(fileText_.isEmpty()
                          ? QString()
                          : " " + StatusFile->fontMetrics().elidedText(fileText_, Qt::ElideMiddle,
                                                                        std::max(20, StatusFile->width() - 12)));
  StatusRate->setText(QString::fromStdString(rate));
  StatusBits->setText(QString::fromStdString(bits));
}

void Tform_speed::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  if (!fileText_.isEmpty())
    showFile(fileText_.toStdString(), StatusRate->text().toStdString(), StatusBits->text().toStdString());
}

bool Tform_speed::playing() const { return player_->timerRunning(); }

void Tform_speed::seekIfPlaying(int64_t frame) { player_->clickWhilePlaying(frame); }

void Tform_speed::showSelectionPopup(QPoint globalPos) {
  if (locked_ || player_->loadedName().empty() || !selection().valid()) return;
  SelectionPopup_zoom->setEnabled(player_->canZoomSelection());
  SelectionPopup->popup(globalPos);
}

void Tform_speed::closeEvent(QCloseEvent *event) {
  if (building_) {
    // Leaves once the build has stopped.
    buildCancel_ = true;
    event->ignore();
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  player_->closeWindow();
  event->accept();
  if (onClosed) onClosed();
}

}  // namespace speed
