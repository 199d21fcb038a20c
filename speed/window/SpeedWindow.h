// Tform_speed, the speed player window ("Speeder"): tool bar, wave area,
// status bar and menus. Every event goes to speed::SpeedPlayer; the window
// implements the SpeedView the logic drives.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>

#include "components/JobUi.h"
#include "components/texts/MessageTexts.h"
#include "components/waveviews/MarkerStrip.h"
#include "components/waveviews/PeakCache.h"
#include "components/waveviews/RangeScroller.h"
#include "components/waveviews/TimeRuler.h"
#include "components/waveviews/WaveViewState.h"
#include "components/waveviews/WaveformView.h"
#include "components/waveviews/EnvelopeView.h"
#include "speed/FilePreparation.h"
#include "speed/SpeedEngine.h"
#include "speed/SpeedPlayer.h"
#include "speed/SpeedView.h"

namespace speed {

namespace waveviews = components::waveviews;

class SonavelPump;

class Tform_speed : public QMainWindow, public SpeedView {
  Q_OBJECT
 public:
  struct Setup {
    const components::MessageTexts *texts = nullptr;
    components::JobUi *ui = nullptr;  // the progress window and its cancel flag
    std::filesystem::path tempFolder;  // canonical copies of odd WAV files
    // The engine; Sonavel's when null.
    std::unique_ptr<SpeedEngine> engine;
  };
  explicit Tform_speed(Setup setup);
  ~Tform_speed() override;

  static constexpr const char *kCaption = "Speeder";

  SpeedPlayer &player() { return *player_; }
  waveviews::WaveViewState &waveState() { return state_; }

  // The open dialog's folder and file name, as the main window's launcher presets them.
  void presetOpenDialog(const QString &folder, const QString &fileName);
  const QString &openDialogFolder() const { return openFolder_; }
  const QString &openDialogName() const { return openName_; }
  // Tests answer the dialogs here instead of showing them: save is false for
  // the open dialog; the preset is the save dialog's proposed name.
  std::function<std::optional<std::string>(bool save, const std::string &preset)> dialogHook;
  // Called after the window has closed (the launcher shows the main window).
  std::function<void()> onClosed;

  // Tool bar.
  QToolButton *button_openfile, *button_closefile, *button_play, *button_pause, *button_stop, *button_normalrange;
  QSlider *trackbar_speed;
  QCheckBox *checkbox_repeat;
  QSlider *m_VolMixerSlider;
  // Wave area.
  QWidget *CutterPanel;
  waveviews::MarkerStrip *m_MarkerPanel;
  waveviews::TimeRuler *CutterViewTimePanel;
  waveviews::WaveformView *CutterView;
  waveviews::EnvelopeView *VolumeView;
  waveviews::RangeScroller *ScrollPanel;
  QWidget *FullViewPanel;
  waveviews::TimeRuler *FullViewTimePanel;
  waveviews::OverviewView *FullView;
  // Status bar.
  QLabel *StatusFile, *StatusTime, *m_PnlTotalTime, *StatusVolume, *StatusRate, *StatusBits;
  QWidget *StatusMessage, *GaugePanel;
  QProgressBar *Gauge;
  QPushButton *button_cancel;
  // Menus.
  QMenu *m_MenuFile, *m_MenuWindow, *SelectionPopup;
  QAction *n_open, *n_close, *n_exit, *n_SelectAllswitch, *n_Normalrange;
  QAction *SelectionPopup_zoom, *Selectionpopup_discardselection, *SelectionPopup_Play;
  QTimer *m_TimMySpeed;

  // SpeedView
  std::optional<std::string> askOpenFile() override;
  std::optional<std::string> askSaveFile(const std::string &preset) override;
  void errorBox(std::string_view captionKey, std::string_view textKey) override;
  Load loadWave(const std::string &path, const std::string &shownName, WaveFacts &facts) override;
  void closeWave() override;
  int64_t locator() const override { return state_.locator(); }
  void setLocator(int64_t frame) override { state_.setLocator(frame); }
  FrameSpan markers() const override;
  void setMarkers(FrameSpan markers) override;
  FrameSpan selection() const override { return {state_.selectionStart(), state_.selectionEnd()}; }
  void setSelection(FrameSpan s) override { state_.setSelection(s.start, s.end); }
  FrameSpan zoom() const override { return {state_.rangeStart(), state_.rangeEnd()}; }
  void setZoom(FrameSpan z) override;
  int zoomWidth() const override { return CutterView->width(); }
  void lockWaveArea(bool locked) override;
  void setButtonState(int state) override;
  void enablePlaybackControls(bool enabled) override;
  void setTimerRunning(bool running) override;
  int speedSlider() const override { return trackbar_speed->value(); }
  bool repeatChecked() const override { return checkbox_repeat->isChecked(); }
  void showTime(const std::string &time) override;
  void showLength(const std::string &time) override;
  void showFile(const std::string &name, const std::string &rate, const std::string &bits) override;

 protected:
  void closeEvent(QCloseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void buildMenus();
  void buildToolBar();
  void buildWaveArea();
  void buildStatusBar();
  void applyTexts();
  void wire();
  void fitWindow();
  bool playing() const;
  void showSelectionPopup(QPoint globalPos);
  void seekIfPlaying(int64_t frame);

  const components::MessageTexts &texts_;
  components::JobUi &ui_;
  std::unique_ptr<SpeedEngine> engine_;
  std::unique_ptr<EngineFilePreparation> preparation_;
  waveviews::WaveViewState state_;
  std::shared_ptr<waveviews::PeakCache> cache_;
  std::unique_ptr<SpeedPlayer> player_;
  SonavelPump *pump_;
  QString openFolder_, openName_;
  QString fileText_;
  QWidget *speedBar_ = nullptr;
  int buttonState_ = 0;
  bool locked_ = false;
  bool building_ = false;
  bool buildCancel_ = false;
};

}  // namespace speed
