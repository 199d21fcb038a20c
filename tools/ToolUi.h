// What every q417 command shares: the message texts and the terminal job UI.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Command.h"
#include "components/TerminalJobUi.h"

namespace tool {

// The message text of a key from Q417.ini, empty when it has none.
std::string messageText(std::string_view key);

// A terminal job UI that answers questions with --yes and looks texts up in Q417.ini.
std::unique_ptr<components::TerminalJobUi> makeJobUi(const Context &ctx);

}  // namespace tool
