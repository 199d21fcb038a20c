// q417 up FOLDER NUMBER and q417 down FOLDER NUMBER: move a recording one
// place up or down in its folder.
#include <cstdio>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int move(tool::Context &ctx, const char *name, bool up) {
  int folder = 0;
  std::vector<int> rows;
  if (ctx.args.size() != 2 || !parseFolder(ctx.args[0], folder) || !parseRows(ctx.args, 1, 2, rows, nullptr)) {
    std::fprintf(stderr, "usage: q417 %s FOLDER NUMBER\n", name);
    return 2;
  }
  if (!useImage(ctx.image, name)) return 2;
  ToolRecorder rec(name, recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  int row = -1;
  Reorder reorder(rec.volume());
  return rec.finish(up ? reorder.UpFlashFile(folder, rows, row) : reorder.DownFlashFile(folder, rows, row));
}

int runUp(tool::Context &ctx) { return move(ctx, "up", true); }
int runDown(tool::Context &ctx) { return move(ctx, "down", false); }

tool::Register up({"up", "FOLDER NUMBER", "move a recording one place up in its folder", runUp, {}});
tool::Register down({"down", "FOLDER NUMBER", "move a recording one place down in its folder", runDown, {}});

}  // namespace
