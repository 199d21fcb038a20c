#include "recorder/jobs/Messages.h"

namespace recorder::jobs {

int namedMessageBox(components::JobUi &ui, std::string_view captionKey, const std::string &prefix,
                    std::string_view textKey, components::MsgKind kind, int buttons) {
  if (auto *named = dynamic_cast<NamedMessageUi *>(&ui)) return named->namedMessageBox(captionKey, prefix, textKey, kind, buttons);
  return ui.messageBox(captionKey, textKey, kind, buttons);
}

void showError(components::JobUi &ui, std::string_view captionKey, std::string_view textKey) {
  ui.messageBox(captionKey, textKey, components::MsgKind::Error, components::kButtonsOk);
}

bool refuseDamagedIndex(components::JobUi &ui, const std::string &fault) {
  if (fault.empty()) return false;
  namedMessageBox(ui, keys::kKindRecorder, fault + " : ", keys::kIndexDamaged, components::MsgKind::Error,
                  components::kButtonsOk);
  return true;
}

}  // namespace recorder::jobs
