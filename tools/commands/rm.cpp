// q417 rm FOLDER NUMBER... [--yes]: erases recordings; asks first, so only
// --yes erases.
#include <cstdio>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  int folder = 0;
  std::vector<int> rows;
  if (ctx.args.size() < 2 || !parseFolder(ctx.args[0], folder) || !parseRows(ctx.args, 1, ctx.args.size(), rows, nullptr)) {
    std::fprintf(stderr, "usage: q417 rm FOLDER NUMBER... [--yes]\n");
    return 2;
  }
  if (!useImage(ctx.image, "rm")) return 2;
  ToolRecorder rec("rm", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  return rec.finish(Eraser(rec.volume()).DeleteFlashFile(folder, rows));
}

tool::Register reg({"rm", "FOLDER NUMBER... [--yes]", "erase recordings from a recorder folder", run, {}});

}  // namespace
