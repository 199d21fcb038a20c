// q417 recover: the connection sequence: loads the index and finishes a job
// that a cut interrupted (and brings the backup of the index up to date).
#include <cstdio>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  if (!ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 recover\n");
    return 2;
  }
  if (!useImage(ctx.image, "recover")) return 2;
  ToolRecorder rec("recover", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  const Recovery::Report &report = rec.session().recovery();
  std::printf("%s\n", report.describe().c_str());
  if (report.backupRewritten) std::printf("the backup of the index was written again\n");
  if (report.job != Recovery::Job::None && !report.finished) return 1;
  return 0;
}

tool::Register reg({"recover", "", "connect as the application does: finish an interrupted job", run, {}});

}  // namespace
