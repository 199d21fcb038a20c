// q417 format [--yes]: initialises the recorder's memory (every recording is
// lost): the model "Q417", the surface test and an empty file system. Also
// formats a chip that holds no file system yet.
#include <cstdio>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  if (!ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 format [--yes]\n");
    return 2;
  }
  if (!useImage(ctx.image, "format")) return 2;
  ToolRecorder rec("format", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open(true)) return 1;
  Formatter formatter(rec.volume());
  Outcome result = formatter.PreFlashFormat();
  if (result.ok()) {
    auto &v = rec.volume();
    std::printf("initialised: %u blocks, %u bad\n", v.blockCount(), v.badBlocks.count());
  }
  return rec.finish(result);
}

tool::Register reg({"format", "[--yes]", "initialise the recorder's memory: every recording is erased", run, {}});

}  // namespace
