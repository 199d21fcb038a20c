#include "editor/Install.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/Startup.h"
#include "app/VolumeHandOver.h"
#include "app/pc/PcPanel.h"
#include "editor/FileIdentity.h"
#include "editor/TForm_Edit.h"

namespace editor {

namespace {

constexpr const char *kProperty = "quillornEditor";

// The launcher: stop whatever plays, start the open dialog in the PC list's
// folder with the first selected WAV or voice file, hide the main window,
// show the editor and open the edit file.
void launch(app::TFrmMain &main, TForm_Edit &editor) {
  if (auto *player = app::PlayerSide::of(main)) player->stopAll();
  app::takeOverVolume(main, *editor.m_VolMixerSlider);
  QString directory, fileName;
  if (auto *pcSide = app::PcSide::of(main); pcSide && pcSide->panel()) {
    directory = pcSide->panel()->currentDirectory();
    const QStringList selected = pcSide->panel()->selectedFiles();
    if (!selected.isEmpty()) {
      const std::string ext = upperExtension(selected.first().toStdString());
      if (ext == ".WAV" || ext == ".DVG") fileName = QFileInfo(selected.first()).fileName();
    }
  }
  editor.setOpenDialogStart(directory, fileName);
  main.hide();
  editor.show();
  editor.raise();
  editor.activateWindow();
  QTimer::singleShot(0, &editor, [e = QPointer<TForm_Edit>(&editor)] {
    if (e && e->isVisible() && e->Button_OpenDownFile->isEnabled()) e->Button_OpenDownFile->click();
  });
}

}  // namespace

void install(app::Quillorn &quillorn) {
  app::TFrmMain *main = quillorn.main();
  if (!main) return;
  TForm_Edit::Setup setup{&quillorn.texts(), &quillorn.jobUi(), quillorn.folders().tempDir, {}};
  if (auto *player = app::PlayerSide::of(*main)) setup.output = player->outputFactory();
  auto *editor = new TForm_Edit(std::move(setup));
  // The editor lives as long as the main window, as a window of its own.
  QObject::connect(main, &QObject::destroyed, editor, [editor] { delete editor; });
  main->setProperty(kProperty, QVariant::fromValue(static_cast<QObject *>(editor)));
  quillorn.busyWindows().add(editor);
  app::handOverVolume(*main, *editor, *editor->m_VolMixerSlider);
  editor->setOnClosed([main = QPointer<app::TFrmMain>(main)] {
    if (main) main->show();
  });
  main->setLauncher(app::TFrmMain::Launcher::Editor, [main, editor] { launch(*main, *editor); });
}

TForm_Edit *installedEditor(app::Quillorn &quillorn) {
  if (!quillorn.main()) return nullptr;
  return qobject_cast<TForm_Edit *>(quillorn.main()->property(kProperty).value<QObject *>());
}

}  // namespace editor
