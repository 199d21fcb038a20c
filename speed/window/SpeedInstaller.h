// Puts the speed player into the program: creates Tform_speed once at
// start-up and installs the main window's launcher (the File menu item, the
// PC tool button and the PC pop-up item), which stops the main window's
// players, hands the volume over, presets the open dialog from the PC list,
// hides the main window and opens a file in the speed player. Closing the
// speed player shows the main window again.
//   options.windows.push_back(speed::installSpeedPlayer);
#pragma once

namespace app {
class Quillorn;
}

namespace speed {

class Tform_speed;

void installSpeedPlayer(app::Quillorn &quillorn);
// The installed window, or null.
Tform_speed *speedPlayerOf(app::Quillorn &quillorn);

}  // namespace speed
