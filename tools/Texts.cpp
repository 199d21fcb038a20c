#include "ToolUi.h"
#include "components/texts/IniSearch.h"
#include "components/texts/MessageTexts.h"

#ifndef QUILLORN_DATA_DIR
#define QUILLORN_DATA_DIR "/usr/local/share/quillorn"
#endif

namespace tool {

namespace {

// Q417.ini as the application finds it: the XDG config folders, beside the
// program, then the installed data folder. Read once.
const components::MessageTexts &texts() {
  static const components::MessageTexts table = [] {
    // Installed, the texts are in share/quillorn beside bin/, under any prefix.
    const std::filesystem::path program = components::runningProgramFolder();
    auto folders = components::iniSearchFolders(program, QUILLORN_DATA_DIR);
    folders.insert(folders.end() - 1, (program / "../share/quillorn").lexically_normal());
    auto file = components::findInFolders(folders, components::kIniFileName);
    return file.empty() ? components::MessageTexts() : components::MessageTexts::load(file);
  }();
  return table;
}

}  // namespace

std::string messageText(std::string_view key) { return texts().text(key); }

}  // namespace tool
