#include "FuzzUi.h"

namespace fuzz {

int FuzzUi::messageBox(std::string_view captionKey, std::string_view textKey, components::MsgKind kind,
                       int buttons) {
  answers.assign(1, buttons == components::kButtonsOk ? components::kResultOk : components::kResultNo);
  return ScriptedJobUi::messageBox(captionKey, textKey, kind, buttons);
}

void FuzzUi::pump() {
  ScriptedJobUi::pump();
  if (pumps > budget_) requestCancel();
}

}  // namespace fuzz
