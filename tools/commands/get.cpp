// q417 get FOLDER NUMBER... [-o DIR] [--yes]: copies recordings to a PC
// folder; a PC file of the same name is replaced only with --yes.
#include <cstdio>
#include <filesystem>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/ToolSupport.h"
#include "recorder/jobs/Upload.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  int folder = 0;
  std::vector<int> rows;
  std::string bad;
  if (ctx.args.size() < 2 || !parseFolder(ctx.args[0], folder) || !parseRows(ctx.args, 1, ctx.args.size(), rows, &bad)) {
    std::fprintf(stderr, "usage: q417 get FOLDER NUMBER... [-o DIR] [--yes]\n");
    return 2;
  }
  std::filesystem::path dir = ctx.option("-o") ? *ctx.option("-o") : ".";
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "q417 get: %s is not a folder\n", dir.c_str());
    return 2;
  }
  if (!useImage(ctx.image, "get")) return 2;
  ToolRecorder rec("get", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  Upload upload(rec.volume());
  Outcome result = upload.UploadFlashFileList(folder, rows, dir);
  if (result.ok() && upload.skipped() > 0)
    result = Outcome::declined(std::to_string(upload.skipped()) +
                               " recording(s) not copied: a file of the same name is kept (replace it with --yes)");
  return rec.finish(result);
}

tool::Register reg({"get", "FOLDER NUMBER... [-o DIR] [--yes]",
                    "copy recordings (numbered from 1 in folder 1-8 or A-H) to a PC folder", run, {}});

}  // namespace
