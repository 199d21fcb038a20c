#include "ToolUi.h"

namespace tool {

std::unique_ptr<components::TerminalJobUi> makeJobUi(const Context &ctx) {
  return std::make_unique<components::TerminalJobUi>([](std::string_view key) { return messageText(key); }, ctx.yes);
}

}  // namespace tool
