// The recorder side of the main window put together: the file system state
// (FlashVolume) over the window's link and job UI, the panel logic that the
// connection sequence calls, and the panel widget in the splitter's right
// half. One call at start-up, right after the main window exists:
//   app::RecorderSide::install(mainWindow);
// The main window owns the result (a child object).
#pragma once

#include <QObject>

#include "recorder/FlashVolume.h"
#include "recorder/RecorderPanel.h"

namespace app {

class TFrmMain;
class RecorderPanelWidget;

class RecorderSide : public QObject {
  Q_OBJECT
 public:
  static RecorderSide *install(TFrmMain &main);
  // The side of a main window, null before install.
  static RecorderSide *of(TFrmMain &main);

  recorder::FlashVolume &volume() { return volume_; }
  recorder::RecorderPanel &logic() { return logic_; }
  RecorderPanelWidget *widget() const { return widget_; }

 private:
  RecorderSide(TFrmMain &main, RecorderPanelWidget *widget);
  recorder::FlashVolume volume_;
  RecorderPanelWidget *widget_;
  recorder::RecorderPanel logic_;
};

}  // namespace app
