// The main window's volume slider sets the process's one output gain. A
// window that plays (the editor, the speed player) has a slider of its own
// that drives the main one while that window is shown.
#pragma once

class QSlider;
class QWidget;

namespace app {

class TFrmMain;

// Binds `slider` of `window` to the main window's volume slider.
void handOverVolume(TFrmMain &main, QWidget &window, QSlider &slider);
// When the window comes up: its slider takes the main one's range and value.
void takeOverVolume(TFrmMain &main, QSlider &slider);

}  // namespace app
