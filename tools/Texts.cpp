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
    auto folders = components::iniSearchFolders(components::runningProgramFolder(), QUILLORN_DATA_DIR);
    auto file = components::findInFolders(folders, components::kIniFileName);
    return file.empty() ? components::MessageTexts() : components::MessageTexts::load(file);
  }();
  return table;
}

}  // namespace

std::string messageText(std::string_view key) { return texts().text(key); }

}  // namespace tool
