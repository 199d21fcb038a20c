// The PC side of the main window put together: the PC browser's tool row and
// panel in their bands, their hooks into the window (message boxes, the
// progress window, the data folders, the drag data and the drag selection
// shared with the recorder side), the copy buttons and drops between the PC
// list and the recorder, and one width for the two folder trees. One call
// at start-up, after the recorder side:
//   app::PcSide::install(mainWindow);
#pragma once

#include <QObject>

namespace pc {
class PcPanel;
class PcToolRow;
}  // namespace pc

namespace app {

class TFrmMain;

class PcSide : public QObject {
  Q_OBJECT
 public:
  static PcSide *install(TFrmMain &main);
  static PcSide *of(TFrmMain &main);

  pc::PcPanel *panel() const { return panel_; }

 public slots:
  // A file opened from the file manager or the command line: the PC
  // browser shows its folder with the file selected, and a voice, WAV or
  // MP3 file plays (what played or paused before stops; nothing plays while
  // a recording runs). Waits while a job locks the window. A file that is
  // not there is reported.
  void openFile(const QString &path);

 public:
  pc::PcToolRow *toolRow() const { return row_; }

 private:
  PcSide(TFrmMain &main, pc::PcToolRow *row, pc::PcPanel *panel);
  void wireRecorder();
  void wireLaunchers();
  void keepTreeWidthsEqual();

  TFrmMain &main_;
  pc::PcToolRow *row_;
  pc::PcPanel *panel_;
};

}  // namespace app
