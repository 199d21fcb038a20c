// q417 sync DIR [FOLDER...]: backs the recorder (or the folders named) up into
// DIR, one subfolder per recorder folder, copying only what is not there yet.
#include <cstdio>
#include <filesystem>

#include "../Command.h"
#include "../ToolUi.h"
#include "recorder/jobs/Sync.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

using namespace recorder::jobs;

int run(tool::Context &ctx) {
  std::vector<int> folders;
  bool good = !ctx.args.empty() && !ctx.args[0].empty();
  for (size_t i = 1; good && i < ctx.args.size(); ++i) {
    int folder = 0;
    good = parseFolder(ctx.args[i], folder);
    folders.push_back(folder);
  }
  if (!good) {
    std::fprintf(stderr, "usage: q417 sync DIR [FOLDER...]\n");
    return 2;
  }
  const std::filesystem::path dir = ctx.args[0];
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "q417 sync: %s is not a folder\n", dir.c_str());
    return 2;
  }
  if (!useImage(ctx.image, "sync")) return 2;
  // Questions cannot come up: nothing is ever replaced.
  ToolRecorder rec("sync", recorder::makeLibraryFlashIo(), tool::messageText, false);
  if (!rec.open()) return 1;
  Sync sync(rec.volume());
  sync.report = [&dir](const Sync::Item &item) {
    const std::string where = item.target.lexically_relative(dir).string();
    switch (item.action) {
      case Sync::Item::Action::Copied: std::printf("copied   %s\n", where.c_str()); break;
      case Sync::Item::Action::Skipped: std::printf("skipped  %s (already there)\n", where.c_str()); break;
      case Sync::Item::Action::Failed:
        std::printf("failed   %s (recording %u of folder %c)\n", where.c_str(), item.number, 'A' + item.folder - 1);
        break;
    }
    std::fflush(stdout);
  };
  Outcome result = sync.run(dir, folders);
  std::printf("%d copied, %d skipped, %d failed\n", sync.copied(), sync.skipped(), sync.failed());
  return rec.finish(result);
}

tool::Register reg({"sync", "DIR [FOLDER...]",
                    "copy every recording not yet in DIR (one subfolder A-H per recorder folder); "
                    "never overwrites",
                    run, {}});

}  // namespace
