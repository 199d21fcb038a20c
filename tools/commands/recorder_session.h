// What the recorder commands share: opening the library's recorder (the
// image of --image or Q417_IMAGE) as a connected link, and JSON text.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "../Command.h"
#include "components/TerminalJobUi.h"
#include "recorder/FlashVolume.h"

namespace tool {

class RecorderSession {
 public:
  // Initialises the library and identifies the chip; on failure prints why
  // (prefixed by the command's name) and returns false.
  bool open(const Context &ctx, const char *command);

  std::unique_ptr<recorder::FlashIo> io;
  recorder::Link link;
  std::unique_ptr<components::TerminalJobUi> ui;
  std::unique_ptr<recorder::FlashVolume> volume;
};

// A JSON string literal; bytes that are not UTF-8 are read as Latin-1.
std::string jsonString(std::string_view bytes);

}  // namespace tool
