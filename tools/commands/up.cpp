// q417 up FOLDER NUMBER: moves a recording one place up in its folder.
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
    std::fprintf(stderr, "usage: q417 up FOLDER NUMBER\n");
    return 2;
  }
  if (!useImage(ctx.image, "up")) return 2;
  ToolRecorder rec("up", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  int row = -1;
  return rec.finish(Reorder(rec.volume()).UpFlashFile(folder, rows, row));
}

tool::Register reg({"up", "FOLDER NUMBER", "move a recording one place up in its folder", run, {}});

}  // namespace
