#include "app/PlayerSide.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QToolButton>
#include <QTreeWidget>

#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerToolbar.h"
#include "app/QtJobUi.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcPanel.h"
#include "app/recorder/RecorderJobs.h"
#include "app/recorder/RecorderMenu.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"
#include "components/wave/OutputGain.h"

namespace app {

namespace {
constexpr const char *kObjectName = "PlayerSide";
}

PlayerSide::PlayerSide(TFrmMain &main, PlayerDevices devices)
    : QObject(&main),
      main_(main),
      audioSession_(devices.session),
      makeOutput_(devices.makeOutput),
      mpeg_(queue_, devices.makeOutput),
      wave_(queue_, devices.makeOutput) {
  setObjectName(kObjectName);
  PlayerToolbar &toolbar = *main.m_MainToolBar;
  RecorderSide *recorder = RecorderSide::of(main);
  PcSide *pcSide = PcSide::of(main);

  display_ = std::make_unique<QtPlayDisplay>(*main.panel_layer1, *toolbar.m_SldPlayPosition, *toolbar.m_PnlRetryCount);
  display_->quiet = [this] {
    const player::TransportState &s = player_->state();
    return s.paused || (s.recording && s.buttons == player::ButtonState::RecordingPaused);
  };
  buttons_ = std::make_unique<QtTransportButtons>(toolbar);
  events_ = std::make_unique<QtPlayerEvents>([this] { player_->OnTimPlayDisplayTimer(); },
                                             [this] { player_->OnMpegTimer(); });
  lists_ = std::make_unique<QtPlayerLists>(*pcSide->panel(), recorder ? recorder->widget() : nullptr,
                                           recorder ? &recorder->logic() : nullptr);
  // While the save question waits, nothing is recorded: the meters empty.
  lists_->beforeAsking = [this] { display_->showLevels(player::LevelFrame{}); };
  player_ = std::make_unique<player::Player>(player::PlayerSetup{
      main.jobUi(), *display_, *buttons_, *events_, *lists_, queue_, devices.makeOutput, devices.makeInput,
      devices.outputDevice, mpeg_, wave_, recorder ? &recorder->volume() : nullptr, main.folders().tempDir});
  mpeg_.setLevels(&player_->levels());
  wave_.setLevels(&player_->levels());

  // The devices' buffers and the components' notifications come back here.
  if (queue_.descriptor() >= 0) {
    queueNotifier_ = std::make_unique<QSocketNotifier>(queue_.descriptor(), QSocketNotifier::Read);
    connect(queueNotifier_.get(), &QSocketNotifier::activated, this, [this] { queue_.dispatch(); });
  }
}

PlayerSide::~PlayerSide() {
  // Nothing plays on into a window that is going.
  player_.reset();
  queueNotifier_.reset();
}

PlayerSide *PlayerSide::install(TFrmMain &main, PlayerDevices devices) {
  if (PlayerSide *existing = of(main)) return existing;
  if (!PcSide::of(main)) return nullptr;
  auto *side = new PlayerSide(main, std::move(devices));
  side->wireToolbar();
  side->wirePcSide();
  side->wireRecorderSide();
  main.installEventFilter(side);
  side->player_->SetPlayAndRecButton(player::ButtonState::Idle);
  return side;
}

PlayerSide *PlayerSide::of(TFrmMain &main) { return main.findChild<PlayerSide *>(kObjectName, Qt::FindDirectChildrenOnly); }

void PlayerSide::stopAll() { player_->OnBtnStopClick(); }

void PlayerSide::wireToolbar() {
  PlayerToolbar &toolbar = *main_.m_MainToolBar;
  connect(toolbar.m_BtnSPRecord, &QToolButton::clicked, this, [this] { player_->OnBtnSPRecordClick(); });
  connect(toolbar.m_BtnPlay, &QToolButton::clicked, this, [this] {
    lists_->clearRequests();
    player_->OnBtnPlayClick();
  });
  connect(toolbar.m_BtnPause, &QToolButton::clicked, this, [this] { player_->OnBtnPauseClick(); });
  connect(toolbar.m_BtnStop, &QToolButton::clicked, this, [this] { player_->OnBtnStopClick(); });
  toolbar.m_BtnStop->setEnabled(true);

  // The position: a drag holds the display off the slider until it ends;
  // a click beside the handle or a key moves it at once.
  QSlider *position = toolbar.m_SldPlayPosition;
  position->setRange(0, 100);
  position->setEnabled(true);
  connect(position, &QSlider::sliderPressed, this, [this] { player_->OnSldPlayPositionTrack(); });
  connect(position, &QSlider::sliderReleased, this,
          [this, position] { player_->OnSldPlayPositionTrackEnd(position->value()); });
  connect(position, &QSlider::valueChanged, this, [this, position](int value) {
    if (position->isSliderDown()) return;
    player_->OnSldPlayPositionTrack();
    player_->OnSldPlayPositionTrackEnd(value);
  });
  positionSlider_ = position;
  position->installEventFilter(this);

  // The volume: the process's one output gain, unity at the right end.
  QSlider *volume = toolbar.m_VolMixerSlider;
  volume->setEnabled(true);
  volume->setValue(volume->maximum());
  components::wave::setOutputGain(components::wave::kUnityGain);
  connect(volume, &QSlider::valueChanged, this, [volume](int value) {
    components::wave::setOutputGain(float(value) / float(std::max(1, volume->maximum())) * components::wave::kUnityGain);
  });
}

void PlayerSide::wirePcSide() {
  pc::PcPanel *panel = PcSide::of(main_)->panel();
  panel->playersActive = [this] { return playing(); };
  panel->recording = [this] { return player_->state().recording; };
  panel->protectedPaths = [this] {
    QStringList paths;
    if (playing() && player_->state().activeList == 0 && !lists_->lastPcFile().isEmpty())
      paths << lists_->lastPcFile();
    if (player_->state().recording) paths << QString::fromStdString(player_->tempRecording().string());
    return paths;
  };
  pc::PcMenu::Joined joined = panel->m_PupMuPC->joined();
  joined.player = true;
  panel->m_PupMuPC->setJoined(joined);
  connect(panel, &pc::PcPanel::playRequested, this, &PlayerSide::playPcFile);
  connect(panel->m_PupMuPC->m_PupPCPause, &QAction::triggered, this, [this] { player_->OnBtnPauseClick(); });
  connect(panel->m_PupMuPC->m_PupPCStop, &QAction::triggered, this, [this] { player_->OnBtnStopClick(); });

  // A press or the focus in the PC list makes it the active list.
  pc::PcFileList *list = panel->m_LvPCFileList;
  QObject *targets[] = {list->report, list->icons, list->report->viewport(), list->icons->viewport()};
  for (int i = 0; i < 4; ++i) {
    pcListTargets_[i] = targets[i];
    targets[i]->installEventFilter(this);
  }
}

void PlayerSide::wireRecorderSide() {
  RecorderSide *side = RecorderSide::of(main_);
  if (!side) return;
  RecorderPanelWidget *widget = side->widget();
  side->logic().isPlaying = [this] { return playing(); };
  side->logic().isRecording = [this] { return player_->state().recording; };
  if (auto *jobs = side->findChild<RecorderJobs *>()) {
    jobs->commands().isBusy = [this] { return busy(); };
    jobs->setPlayerJoined(true);
    RecorderMenu *menu = jobs->menu();
    connect(menu->m_PupFlashPlay, &QAction::triggered, this, [this] {
      lists_->clearRequests();
      lists_->setRecorderActive();
      player_->OnBtnPlayClick();
    });
    connect(menu->m_PupFlashPause, &QAction::triggered, this, [this] { player_->OnBtnPauseClick(); });
    connect(menu->m_PupFlashStop, &QAction::triggered, this, [this] { player_->OnBtnStopClick(); });
  }
  // m_PnlRetryCount counts the damaged reads of the checked read.
  QLabel *retries = main_.m_MainToolBar->m_PnlRetryCount;
  side->volume().onRetryCount = [retries](int n) { retries->setText(QString::asprintf("%02d", std::clamp(n, 0, 99))); };

  QTreeWidget *list = widget->m_LvFlashFileList;
  connect(list, &QTreeWidget::itemDoubleClicked, this,
          [this, list](QTreeWidgetItem *item) { playRecording(list->indexOfTopLevelItem(item)); });
  QObject *targets[] = {list, list->viewport(), widget->m_TvFlashFolderList->viewport()};
  for (int i = 0; i < 3; ++i) {
    recorderTargets_[i] = targets[i];
    targets[i]->installEventFilter(this);
  }
}

void PlayerSide::playPcFile(const QString &path) {
  lists_->setPcActive();
  lists_->requestPcFile(path);
  player_->OnBtnPlayClick();
}

void PlayerSide::playRecording(int row) {
  if (row < 0) return;
  lists_->setRecorderActive();
  lists_->requestRecording(row);
  player_->OnBtnPlayClick();
}

bool PlayerSide::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (watched == &main_) {
    // Closing the window stops what plays or records first.
    if (type == QEvent::Close) stopAll();
    return false;
  }
  if (watched == positionSlider_) {
    if (type == QEvent::KeyPress) player_->OnSldPlayPositionKeyDown(static_cast<QKeyEvent *>(event)->key());
    return false;
  }
  const bool pressOrFocus = type == QEvent::MouseButtonPress || type == QEvent::FocusIn;
  for (QObject *target : pcListTargets_)
    if (watched == target && pressOrFocus) lists_->setPcActive();
  if (watched == recorderTargets_[0] && type == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      auto *list = static_cast<QTreeWidget *>(watched);
      QTreeWidgetItem *item = list->currentItem();
      if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem *> selected = list->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.front();
      }
      if (item) playRecording(list->indexOfTopLevelItem(item));
      return true;
    }
  }
  for (QObject *target : recorderTargets_)
    if (watched == target && pressOrFocus) lists_->setRecorderActive();
  return false;
}

player::OutputFactory PlayerSide::outputFactory() const {
  if (!makeOutput_) return {};
  // The copy holds the audio session, so the library outlives this side.
  return [make = makeOutput_, session = audioSession_](components::wave::DoneQueue &queue,
                                                       components::wave::BufferListener &listener) {
    return make(queue, listener);
  };
}

}  // namespace app
