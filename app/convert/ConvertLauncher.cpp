#include "app/convert/ConvertLauncher.h"

#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/QtJobUi.h"
#include "app/convert/ConvDialog.h"
#include "app/pc/PcPanel.h"

namespace app {

namespace {
constexpr const char *kObjectName = "ConvertLauncher";
}

ConvertLauncher::ConvertLauncher(TFrmMain &main)
    : QObject(&main), main_(main), dialog_(std::make_unique<TFrmConvDialog>(main.texts())) {
  setObjectName(kObjectName);
}

ConvertLauncher::~ConvertLauncher() = default;

ConvertLauncher *ConvertLauncher::install(TFrmMain &main) {
  if (ConvertLauncher *existing = of(main)) return existing;
  auto *launcher = new ConvertLauncher(main);
  main.setLauncher(TFrmMain::Launcher::Convert, [launcher] { launcher->OnBtnConvertClick(); });
  return launcher;
}

ConvertLauncher *ConvertLauncher::of(TFrmMain &main) {
  return main.findChild<ConvertLauncher *>(kObjectName, Qt::FindDirectChildrenOnly);
}

void ConvertLauncher::OnBtnConvertClick() {
  PcSide *pc = PcSide::of(main_);
  if (!pc) return;
  pc::PcPanel *panel = pc->panel();
  const QStringList selected = panel->selectedFiles();
  if (selected.isEmpty()) return;
  // No file of the job may be held open by a player.
  if (PlayerSide *players = PlayerSide::of(main_)) players->stopAll();
  if (!dialog_->ask(panel->currentDirectory())) return;

  voice::BatchOptions options;
  options.outputFolder = dialog_->outputFolder().toStdString();
  options.overwrite = dialog_->m_ChkOverwrite->isChecked();
  options.tempFolder = main_.folders().tempDir.string();
  std::vector<std::string> files;
  for (const QString &path : selected) files.push_back(path.toStdString());

  QtJobUi &ui = main_.jobUi();
  voice::BatchConversion job(ui);
  job.namedMessage = [&ui](std::string_view caption, const std::string &prefix, std::string_view text,
                           components::MsgKind kind, int buttons) {
    return ui.namedMessageBox(caption, prefix, text, kind, buttons);
  };
  last_ = job.StartG729Conversion(files, options);
  panel->refresh();
  // The tick holds for one job only.
  dialog_->m_ChkOverwrite->setChecked(false);
}

}  // namespace app
