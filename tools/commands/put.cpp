// q417 put FOLDER FILE...: writes PC files into a recorder folder. Folders
// 1 to 4 take any file but MP3, folders 5 to 8 only MP3 files.
#include <cstdio>
#include <filesystem>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/ToolSupport.h"
#include "recorder/jobs/Writer.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  int folder = 0;
  if (ctx.args.size() < 2 || !parseFolder(ctx.args[0], folder)) {
    std::fprintf(stderr, "usage: q417 put FOLDER FILE...\n");
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (size_t i = 1; i < ctx.args.size(); ++i) {
    std::error_code ec;
    std::filesystem::path file = std::filesystem::absolute(ctx.args[i], ec);
    if (!std::filesystem::is_regular_file(file, ec)) {
      std::fprintf(stderr, "q417 put: %s is not a file\n", ctx.args[i].c_str());
      return 2;
    }
    files.push_back(file);
  }
  if (!useImage(ctx.image, "put")) return 2;
  ToolRecorder rec("put", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  return rec.finish(Writer(rec.volume()).OnBtnFileToFlashClick(folder, files));
}

tool::Register reg({"put", "FOLDER FILE...", "write PC files into a recorder folder (1-8 or A-H)", run, {}});

}  // namespace
