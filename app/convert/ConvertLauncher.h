// The conversion command of the main window (the PC tool button, the File
// menu's item and the PC pop-up's item): the selected PC files, the options
// dialog, then the job in the progress window. Installed once at start-up,
// after the PC and player sides:
//   app::ConvertLauncher::install(mainWindow);
#pragma once

#include <QObject>
#include <memory>

#include "voice/BatchConversion.h"

namespace app {

class TFrmMain;
class TFrmConvDialog;

class ConvertLauncher : public QObject {
  Q_OBJECT
 public:
  static ConvertLauncher *install(TFrmMain &main);
  static ConvertLauncher *of(TFrmMain &main);
  ~ConvertLauncher() override;

  TFrmConvDialog *dialog() const { return dialog_.get(); }
  // The last job's result (for the window's tests).
  const voice::BatchResult &lastResult() const { return last_; }

  // OnBtnConvertClick: with at least one file selected in the PC list, stops
  // the players, asks for the options and runs the job; with none, nothing.
  void OnBtnConvertClick();

 private:
  explicit ConvertLauncher(TFrmMain &main);

  TFrmMain &main_;
  std::unique_ptr<TFrmConvDialog> dialog_;
  voice::BatchResult last_;
};

}  // namespace app
