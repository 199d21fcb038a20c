// q417 convert FILE... [-o DIR] [--overwrite]: WAV files into voice files
// and voice files into WAV files, as the main window's conversion does.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "../ToolUi.h"
#include "recorder/jobs/ToolSupport.h"
#include "voice/BatchConversion.h"

namespace {

namespace fs = std::filesystem;
using Outcome = voice::BatchFile::Outcome;

std::string why(const voice::BatchFile &file) {
  switch (file.outcome) {
    case Outcome::Converted: return {};
    case Outcome::Refused: return "only WAV and voice (.dvg) files convert";
    case Outcome::Exists: return file.output + " exists and is kept (--overwrite replaces it, unless it is one of the files converted)";
    case Outcome::Failed: return file.reason.empty() ? "not converted (see above)" : file.reason;
    case Outcome::Cancelled: return "cancelled";
    case Outcome::NotReached: return "not converted: the job was cancelled before it";
  }
  return {};
}

int run(tool::Context &ctx) {
  if (ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 convert FILE... [-o DIR] [--overwrite]\n");
    return 2;
  }
  voice::BatchOptions options;
  const std::string *folder = ctx.option("-o");
  if (!folder) folder = ctx.option("--output");
  options.outputFolder = folder ? *folder : ".";
  options.overwrite = ctx.flag("--overwrite");
  std::error_code ec;
  options.tempFolder = fs::temp_directory_path(ec).string();

  recorder::jobs::TerminalUi ui([](std::string_view key) { return tool::messageText(key); }, ctx.yes);
  voice::BatchConversion job(ui);
  job.namedMessage = [&ui](std::string_view caption, const std::string &prefix, std::string_view text,
                           components::MsgKind kind, int buttons) {
    return ui.namedMessageBox(caption, prefix, text, kind, buttons);
  };
  const voice::BatchResult result = job.StartG729Conversion(ctx.args, options);
  ui.endLine();

  int failed = 0;
  for (const voice::BatchFile &file : result.files) {
    if (file.outcome == Outcome::Converted) {
      std::printf("%s -> %s\n", file.source.c_str(), file.output.c_str());
    } else {
      ++failed;
      std::fprintf(stderr, "q417 convert: %s: %s\n", file.source.c_str(), why(file).c_str());
    }
  }
  return failed ? 1 : 0;
}

tool::Register reg({"convert", "FILE... [-o DIR] [--overwrite]",
                    "convert WAV files (any rate, channels and encoding) into voice files and voice files into\n"
                    "             WAV files, in DIR (default: the current folder); Ctrl-C cancels",
                    run, {"--output"}, {"--overwrite"}});

}  // namespace
