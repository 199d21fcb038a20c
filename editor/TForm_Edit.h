// TForm_Edit: the voice editor window. A reference pane above an edit pane,
// the play bar, the menus and the status bar with its progress area. The
// window holds widgets and implements EditorHost; the two-file model lives
// in EditorSession.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "components/texts/MessageTexts.h"
#include "editor/EditCommands.h"
#include "editor/EditorHost.h"
#include "editor/EditorPane.h"
#include "editor/EditorSession.h"
#include "editor/play/EditorPlayer.h"

namespace app {
class QtJobUi;
}

namespace editor {

class TForm_Edit : public QMainWindow, public EditorHost {
  Q_OBJECT
 public:
  struct Setup {
    const components::MessageTexts *texts = nullptr;
    app::QtJobUi *ui = nullptr;  // the progress window of voice file conversions
    std::filesystem::path tempDir;
    // The players' output device; none: nothing plays.
    components::PlaybackPump::DeviceFactory output;
  };
  explicit TForm_Edit(Setup setup);
  ~TForm_Edit() override;

  static constexpr const char *kCaption = "Voice Editor";

  EditorSession &session() { return session_; }
  EditCommands &commands() { return *commands_; }
  EditorPlayer &player() { return *player_; }
  EditorPane *pane(Pane p) const { return p == Pane::Edit ? CutterPanel : cutterpanel_up; }

  // Where the open dialogs start: the folder and the file name shown.
  void setOpenDialogStart(const QString &directory, const QString &fileName);
  const QString &openDirectory() const { return openDirectory_; }
  const QString &openFileName() const { return openFileName_; }
  // Dialogs the tests answer; the file dialogs otherwise.
  using OpenDialog = std::function<std::optional<std::string>(Pane)>;
  using SaveDialog = std::function<std::optional<std::string>(const std::string &proposed)>;
  void setDialogs(OpenDialog open, SaveDialog save);
  // Runs when the window has closed (the main window shows itself again).
  void setOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }

  // Menus.
  QMenu *N_menFile, *N_menEdit, *n_manreference;
  QAction *N_Opendownfile, *N_Saveas, *N_Closedownfile, *N_Openupfile, *N_Closeupfile, *N_exit;
  QAction *N_Undo, *N_ResetUndo, *N_downBlockSave, *N_downcut, *N_downtrim, *N_downcopy, *N_downPaste,
      *N_downSelectAll, *N_Insertblank, *N_scaleup, *N_scaledown, *N_scalereset, *N_downviewnormalrange;
  QAction *N_upblocksave, *N_upBlockcopy, *N_upSelectAll, *N_upviewnormalrange;
  // Pop-ups.
  QMenu *MarkerPopup, *SelectionPopup, *VolumePopup, *EditorPopup, *ZoomPopup;
  QAction *Markerpopup_AddMarker, *Markerpopup_Delete, *Markerpopup_alldelete;
  QAction *Selectionpopup_Zoom, *Selectionpopup_discardselection, *Selectionpopup_Play;
  QAction *Volumepopup_New, *Volumepopup_Delete;
  // Play bar.
  QWidget *SpeedBar;
  QToolButton *button_play, *button_stop, *button_pause;
  QProgressBar *Level1, *Level2;
  QCheckBox *CheckBox_repeat;
  QSlider *m_VolMixerSlider;
  // Panes and their title rows.
  EditorPane *cutterpanel_up, *CutterPanel;
  QToolButton *button_openupfile, *button_upclose, *button_viewcopy, *button_upblocksave, *button_normalrangeup;
  QLabel *Label_view;
  QToolButton *Button_OpenDownFile, *button_downclose, *button_saveas, *button_downblocksave, *button_copy,
      *button_cut, *button_paste, *button_oneblank, *button_trim, *button_scaleup, *button_scaledown,
      *button_normalrange, *button_reset;
  QLabel *Label_edit;
  // Status bar.
  QLabel *StatusBits, *StatusVolume, *StatusFile, *StatusRate, *StatusTime, *StatusSelected;
  QWidget *StatusMessage, *GaugePanel;
  QProgressBar *Gauge;
  QPushButton *button_Cancel;

  // EditorHost
  std::optional<std::string> chooseOpenFile(Pane pane) override;
  std::optional<std::string> chooseSaveFile(const std::string &proposed) override;
  bool confirmReplace(const std::string &path) override;
  int messageBox(const char *captionKey, const char *textKey, components::MsgKind kind, int buttons,
                 const std::string &prefix = {}) override;
  ProbeResult probe(const std::string &path) override;
  bool convertVoiceFile(const std::string &voicePath, const std::string &wavPath) override;
  int64_t freeBytes(const std::string &folder) override;
  StepResult preparePane(Pane pane, const std::string &path, const WaveFacts &facts) override;
  void commitPane(Pane pane, const PaneState &state) override;
  void clearPane(Pane pane) override;
  StepResult renderEdit(const std::string &target) override;
  void stopPlayback() override;
  void applyControls(const ControlState &controls) override;
  void showStatus(const PaneState *active) override;
  components::WaveDescription paneWave(Pane pane) override;
  void commitEdit(const PaneState &state, const components::WaveDescription &wave) override;
  void setEditMarkers(const components::MarkerList &markers) override;
  void setEditEnvelope(const components::VolumeEnvelope &envelope) override;
  void setEditCuts(const components::CutList &cuts) override;
  void progressShow(const char *captionKey) override { progressStart(captionKey); }
  bool progressStep(int percent) override;
  void progressHide() override { progressEnd(); }
  int screenWidth() override;

 protected:
  void closeEvent(QCloseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void FormCreate();
  void buildMenus();
  void buildPlayBar();
  void buildPanes();
  void buildStatusBar();
  void readTexts();
  void wirePane(Pane pane);
  void Button_OpenDownFileClick() { session_.openFile(Pane::Edit); }
  void button_openupfileClick() { session_.openFile(Pane::Reference); }
  void button_downcloseClick() { session_.closeEditFile(); }
  void button_upcloseClick() { session_.closeReferenceFile(); }
  void button_saveasClick() { session_.saveAs(); }
  void button_normalrangeClick(Pane pane);
  void N_SelectAllClick(Pane pane);
  void Selectionpopup_ZoomClick();
  void Selectionpopup_discardselectionClick();
  void markerPopupAt(QPoint globalPos, int64_t frame);
  void volumePopupAt(QPoint globalPos);
  void applyRange(Pane pane, SampleRange range);
  void showSelectionLength(Pane pane);
  void updateEnvelopeVisibility(Pane pane);
  void progressStart(const char *captionKey);
  void progressEnd();
  void wireEditCommands();
  std::filesystem::path displayDataOf(const std::string &path) const;
  void keepDisplayData(const std::string &path);
  void wirePlayer(components::PlaybackPump::DeviceFactory output);
  void setStatusFile(const QString &fileName);

  const components::MessageTexts &texts_;
  app::QtJobUi *ui_;
  std::filesystem::path tempDir_;
  EditorSession session_;
  std::unique_ptr<EditCommands> commands_;
  EditorPlayer *player_ = nullptr;
  std::string openedDisplayData_;  // the opened file whose display data is kept
  std::shared_ptr<components::waveviews::PeakCache> pending_[3];
  QString openDirectory_, openFileName_;
  OpenDialog openDialog_;
  SaveDialog saveDialog_;
  std::function<void()> onClosed_;
  QString statusFileName_;
  ControlState controls_;
  int64_t popupFrame_ = 0;
  QPoint popupPos_;
  Pane popupPane_ = Pane::Edit;
  bool closing_ = false;
};

}  // namespace editor
