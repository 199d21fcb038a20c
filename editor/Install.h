// Puts the editor into the application: creates TForm_Edit once and makes
// the main window's "WAV Edit" launchers open it. For the start-up options:
//   options.windows.push_back(editor::install);
#pragma once

namespace app {
class Quillorn;
}

namespace editor {

class TForm_Edit;

void install(app::Quillorn &quillorn);

// The editor window installed in the application, if any.
TForm_Edit *installedEditor(app::Quillorn &quillorn);

}  // namespace editor
