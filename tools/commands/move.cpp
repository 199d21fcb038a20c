// q417 move FROM NUMBER... TO: moves recordings to the end of another
// folder of the same group (A to D, or E to H).
#include <cstdio>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/Reorder.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  int from = 0, to = 0;
  std::vector<int> rows;
  if (ctx.args.size() < 3 || !parseFolder(ctx.args.front(), from) || !parseFolder(ctx.args.back(), to) ||
      !parseRows(ctx.args, 1, ctx.args.size() - 1, rows, nullptr)) {
    std::fprintf(stderr, "usage: q417 move FROM NUMBER... TO\n");
    return 2;
  }
  if (!useImage(ctx.image, "move")) return 2;
  ToolRecorder rec("move", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  return rec.finish(Reorder(rec.volume()).moveToFolder(from, rows, to));
}

tool::Register reg({"move", "FROM NUMBER... TO", "move recordings to the end of another folder of the same group",
                    run, {}});

}  // namespace
