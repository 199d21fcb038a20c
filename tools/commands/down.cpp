// q417 down FOLDER NUMBER: moves a recording one place down in its folder.
#include <cstdio>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  int folder = 0;
  std::vector<int> rows;
  if (ctx.args.size() != 2 || !parseFolder(ctx.args[0], folder) || !parseRows(ctx.args, 1, 2, rows, nullptr)) {
    std::fprintf(stderr, "usage: q417 down FOLDER NUMBER\n");
    return 2;
  }
  if (!useImage(ctx.image, "down")) return 2;
  ToolRecorder rec("down", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  int row = -1;
  return rec.finish(Reorder(rec.volume()).DownFlashFile(folder, rows, row));
}

tool::Register reg({"down", "FOLDER NUMBER", "move a recording one place down in its folder", run, {}});

}  // namespace
