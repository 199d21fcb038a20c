// A recorder made ready in one go: the chip is initialised (whether or not
// it holds a file system) and the given PC files are written into their
// folders, as the window's jobs would do it. For the default virtual
// recorder and for tests and benchmarks.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "components/JobUi.h"
#include "recorder/FlashIo.h"

namespace recorder::jobs {

struct PlacedFile {
  int folder = 1;  // 1 to 8
  std::filesystem::path file;
};

// False when the chip cannot be identified, the format failed or a file was
// not written; *error then says which (the job UI has shown its messages).
bool formatAndFill(FlashIo &io, components::JobUi &ui, const std::vector<PlacedFile> &files,
                   std::string *error = nullptr);

}  // namespace recorder::jobs
