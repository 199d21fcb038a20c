#include "app/PlayerViews.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <array>

#include "app/PlayerToolbar.h"
#include "app/pc/PcPanel.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "components/display/LevelMeter.h"
#include "components/display/SpectrumView.h"
#include "recorder/RecorderPanel.h"

namespace app {

namespace fs = std::filesystem;

namespace {

int64_t clockMs(int64_t hours, int64_t minutes, int64_t seconds) { return ((hours * 60 + minutes) * 60 + seconds) * 1000; }

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

// --- Display ---------------------------------------------------------------------------

QtPlayDisplay::QtPlayDisplay(components::display::DisplayStrip &strip, QSlider &position, QLabel &retryPanel)
    : strip_(strip), position_(position), retryPanel_(retryPanel) {}

void QtPlayDisplay::showPlayKind(std::string_view text) { strip_.setPlayKind(fromView(text)); }

void QtPlayDisplay::showBitRate(int64_t whole, int64_t tenths) {
  // The second figure is the rate's hundreds of bits per second over ten:
  // 88 and 20 are 88 200 bit/s.
  strip_.setBitRate(whole * 1000 + tenths * 10);
}

void QtPlayDisplay::showStereo(bool stereo) { strip_.setStereo(stereo); }

void QtPlayDisplay::showTotalTime(int64_t hours, int64_t minutes, int64_t seconds) {
  const int64_t ms = clockMs(hours, minutes, seconds);
  strip_.setTotal(ms);
  strip_.setSeconds(ms / 1000);
}

void QtPlayDisplay::showElapsedTime(int64_t hours, int64_t minutes, int64_t seconds) {
  strip_.setElapsed(clockMs(hours, minutes, seconds));
}

void QtPlayDisplay::showPosition(int percent) {
  if (position_.isSliderDown()) return;
  QSignalBlocker block(position_);
  position_.setValue(std::clamp(percent, 0, 100));
}

void QtPlayDisplay::showFileName(std::string_view name) { strip_.setFileName(fromView(name), 1); }

void QtPlayDisplay::showLevels(const player::LevelFrame &frame) {
  const bool silent = frame.left == 0 && frame.right == 0 && frame.leftPeak == 0 && frame.rightPeak == 0 &&
                      std::all_of(frame.spectrum.begin(), frame.spectrum.end(), [](float v) { return v == 0; });
  if (silent) {
    // Stopped: the meters empty at once, their peak marks too.
    strip_.levels()->reset();
    strip_.spectrum()->reset();
    return;
  }
  if (quiet && quiet()) {
    // Paused: the sound fed last is no longer heard.
    strip_.setLevels(0, 0);
    strip_.setSpectrum(std::array<float, player::kSpectrumBands>{});
    return;
  }
  strip_.setLevels(frame.left, frame.right);
  strip_.setSpectrum(frame.spectrum);
}

void QtPlayDisplay::showRetryPanel(bool visible) { retryPanel_.setVisible(visible); }

// --- Buttons ---------------------------------------------------------------------------

void QtTransportButtons::setButtons(const player::ButtonChange &change) {
  if (change.record) toolbar_.m_BtnSPRecord->setEnabled(*change.record);
  if (change.play) toolbar_.m_BtnPlay->setEnabled(*change.play);
  if (change.pause) toolbar_.m_BtnPause->setEnabled(*change.pause);
}

// --- Timers and posted events ----------------------------------------------------------

QtPlayerEvents::QtPlayerEvents(std::function<void()> onDisplayTimer, std::function<void()> onMpegTimer) {
  display_.setObjectName("m_TimPlayDisplay");
  display_.setTimerType(Qt::PreciseTimer);
  display_.setInterval(kDisplayPeriodMs);
  QObject::connect(&display_, &QTimer::timeout, &context_, std::move(onDisplayTimer));
  mpeg_.setObjectName("m_MpegTimer");
  mpeg_.setTimerType(Qt::PreciseTimer);
  mpeg_.setInterval(kMpegPeriodMs);
  QObject::connect(&mpeg_, &QTimer::timeout, &context_, std::move(onMpegTimer));
}

QtPlayerEvents::~QtPlayerEvents() {
  display_.stop();
  mpeg_.stop();
}

void QtPlayerEvents::runDisplayTimer(bool running) {
  if (running && !display_.isActive())
    display_.start();
  else if (!running)
    display_.stop();
}

void QtPlayerEvents::runMpegTimer(bool running) {
  if (running && !mpeg_.isActive())
    mpeg_.start();
  else if (!running)
    mpeg_.stop();
}

void QtPlayerEvents::post(std::function<void()> event) { QTimer::singleShot(0, &context_, std::move(event)); }

// --- Lists -----------------------------------------------------------------------------

QtPlayerLists::QtPlayerLists(pc::PcPanel &pc, RecorderPanelWidget *recorderWidget,
                             recorder::RecorderPanel *recorderLogic)
    : pc_(pc), recorderWidget_(recorderWidget), recorderLogic_(recorderLogic) {}

void QtPlayerLists::requestPcFile(const QString &path) {
  requestedPc_ = path;
  requestedRow_.reset();
}

void QtPlayerLists::requestRecording(int row) {
  requestedRow_ = row;
  requestedPc_.reset();
}

int QtPlayerLists::activeList() const {
  if (!recorderActive_ || !recorderWidget_ || !recorderLogic_) return 0;
  return recorderLogic_->selectedFolder();
}

fs::path QtPlayerLists::pcFolder() const { return pc_.currentDirectory().toStdString(); }

std::optional<std::string> QtPlayerLists::pcSelectedName() const {
  QString path;
  if (requestedPc_) {
    path = *requestedPc_;
    requestedPc_.reset();
  } else {
    const QStringList selected = pc_.selectedFiles();
    if (selected.isEmpty()) return std::nullopt;
    path = selected.front();
  }
  lastPcFile_ = path;
  return QFileInfo(path).fileName().toStdString();
}

std::optional<int> QtPlayerLists::recorderSelectedIndex() const {
  if (requestedRow_) {
    int row = *requestedRow_;
    requestedRow_.reset();
    return row;
  }
  if (!recorderWidget_) return std::nullopt;
  const std::vector<int> rows = recorderWidget_->selectedRows();
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

void QtPlayerLists::refreshPcList() { pc_.refresh(); }

std::optional<fs::path> QtPlayerLists::askSavePath(const fs::path &startFolder) {
  if (beforeAsking) beforeAsking();
  if (askSave) return askSave(startFolder);
  return saveDialog(pc_.window(), startFolder);
}

std::optional<fs::path> QtPlayerLists::saveDialog(QWidget *parent, const fs::path &startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Save DVG file"), QString::fromStdString(startFolder.string()),
                     QStringLiteral("Dvg-Files(*.dvg)"));
  dialog.setObjectName("m_SaveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // A new name must be possible: the recording is saved under it.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("DVG"));
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return fs::path(chosen.front().toStdString());
}

}  // namespace app
