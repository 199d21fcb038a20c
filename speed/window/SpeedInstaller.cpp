#include "SpeedInstaller.h"

#include <QFileInfo>
#include <QTimer>
#include <cstdlib>

#include "SpeedWindow.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/Startup.h"
#include "app/VolumeHandOver.h"
#include "app/pc/PcPanel.h"

namespace speed {

namespace {

constexpr const char *kProperty = "quillornSpeedPlayer";

// The program's choice of sound devices holds for the engine too, unless
// the engine's own setting says otherwise.
void chooseEngineOutput() {
  const char *audio = std::getenv("QUILLORN_AUDIO");
  if (audio && std::string(audio) == "virtual" && !std::getenv("SONAVEL_OUTPUT")) ::setenv("SONAVEL_OUTPUT", "virtual", 1);
}

}  // namespace

Tform_speed *speedPlayerOf(app::Quillorn &quillorn) {
  if (!quillorn.main()) return nullptr;
  return qobject_cast<Tform_speed *>(quillorn.main()->property(kProperty).value<QObject *>());
}

void installSpeedPlayer(app::Quillorn &quillorn) {
  app::TFrmMain *main = quillorn.main();
  if (!main) return;
  chooseEngineOutput();
  Tform_speed::Setup setup;
  setup.texts = &quillorn.texts();
  setup.ui = &quillorn.jobUi();
  setup.tempFolder = quillorn.folders().tempDir;
  auto *window = new Tform_speed(std::move(setup));
  // Lives as long as the main window; the texts and the job UI outlive both.
  QObject::connect(main, &QObject::destroyed, window, [window] { delete window; });
  main->setProperty(kProperty, QVariant::fromValue<QObject *>(window));
  quillorn.busyWindows().add(window);

  app::handOverVolume(*main, *window, *window->m_VolMixerSlider);
  window->onClosed = [main] {
    main->show();
    main->raise();
    main->activateWindow();
  };

  main->setLauncher(app::TFrmMain::Launcher::Speed, [main, window] {
    if (app::PlayerSide *players = app::PlayerSide::of(*main)) players->stopAll();
    app::takeOverVolume(*main, *window->m_VolMixerSlider);
    QString folder, name;
    if (app::PcSide *pc = app::PcSide::of(*main)) {
      folder = pc->panel()->currentDirectory();
      const QStringList files = pc->panel()->selectedFiles();
      if (!files.isEmpty()) {
        const QFileInfo first(files.first());
        const QString ending = first.suffix().toUpper();
        if (ending == "WAV" || ending == "DVG") name = first.fileName();
      }
    }
    window->presetOpenDialog(folder, name);
    main->hide();
    window->show();
    window->raise();
    window->activateWindow();
    // The open dialog runs once the launcher has returned to the event loop.
    QTimer::singleShot(0, window, [window] { window->button_openfile->click(); });
  });
}

}  // namespace speed
