// The job UI of the fuzz targets: every question is answered No, every
// other message box OK, and the Cancel button is pressed at every pump past
// a budget, so that a job that runs over the whole chip (a format's surface
// test) stops after a few blocks and one execution stays short.
#pragma once

#include "components/ScriptedJobUi.h"

namespace fuzz {

class FuzzUi : public components::ScriptedJobUi {
 public:
  explicit FuzzUi(int pumpBudget = 24) : budget_(pumpBudget) {}
  int messageBox(std::string_view captionKey, std::string_view textKey, components::MsgKind kind,
                 int buttons) override;
  void pump() override;

 private:
  int budget_;
};

}  // namespace fuzz
