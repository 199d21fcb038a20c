// q417 play FOLDER NUMBER | q417 play FILE: a recording straight from the
// recorder, or a voice, WAV or MP3 file of the PC, through the main
// window's player on the default sound output. The running time goes to
// standard error; Ctrl-C stops.
#include <cstdio>
#include <filesystem>
#include <string>

#include "../Command.h"
#include "../ToolUi.h"
#include "player_tool.h"
#include "recorder/jobs/ToolSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace recorder::jobs;

constexpr const char *kUsage = "usage: q417 play FOLDER NUMBER | q417 play FILE\n";

// What the player said, with the reasons it cannot know.
int outcome(const char *what, const player::PollHost::Result &r, const tool::ToolPlayer &p) {
  if (r.started && r.errors == 0) return 0;
  if (!p.outputDevice()) std::fprintf(stderr, "q417 play: %s: there is no sound output device\n", what);
  else if (!r.started && r.errors == 0) std::fprintf(stderr, "q417 play: %s: nothing was played\n", what);
  return 1;
}

int playRecording(tool::Context &ctx, int folder, uint32_t number) {
  if (!useImage(ctx.image, "play")) return 2;
  ToolRecorder rec("play", recorder::makeLibraryFlashIo(), tool::messageText, ctx.yes);
  if (!rec.open()) return 1;
  const auto &records = rec.volume().directory.records(folder);
  const std::string what = std::string(1, char('A' + folder - 1)) + " " + std::to_string(number);
  if (number > records.size()) {
    rec.say("folder " + std::string(1, char('A' + folder - 1)) + " holds " + std::to_string(records.size()) +
            " recording(s): there is no number " + std::to_string(number));
    return 1;
  }
  const auto &r = records[number - 1];
  if (tool::upperExtension(r.name + "." + r.ext) != ".DVG") {
    rec.say(what + " (" + r.name + "." + r.ext + ") is not a voice recording");
    return 1;
  }
  player::Selection selection;
  selection.activeList = folder;
  selection.recorderIndex = int(number - 1);
  std::error_code ec;
  selection.pcFolder = fs::current_path(ec);
  tool::ToolPlayer p(rec.ui(), &rec.volume(), selection, fs::temp_directory_path(ec));
  return outcome(what.c_str(), p.host().play(), p);
}

int playFile(tool::Context &ctx, const std::string &name) {
  std::error_code ec;
  const fs::path file = fs::absolute(name, ec);
  if (ec || !fs::exists(file, ec)) {
    std::fprintf(stderr, "q417 play: %s: no such file\n", name.c_str());
    return 1;
  }
  if (fs::is_directory(file, ec)) {
    std::fprintf(stderr, "q417 play: %s is a folder\n", name.c_str());
    return 1;
  }
  const std::string ext = tool::upperExtension(file.filename().string());
  if (ext != ".DVG" && ext != ".WAV" && ext != ".MP3") {
    std::fprintf(stderr, "q417 play: %s: unknown file kind (a .dvg, .wav or .mp3 file plays)\n", name.c_str());
    return 1;
  }
  player::Selection selection;
  selection.pcFolder = file.parent_path();
  selection.pcName = file.filename().string();
  auto ui = tool::makeJobUi(ctx);
  tool::ToolPlayer p(*ui, nullptr, selection, fs::temp_directory_path(ec));
  return outcome(name.c_str(), p.host().play(), p);
}

int run(tool::Context &ctx) {
  int folder = 0;
  uint32_t number = 0;
  if (ctx.args.size() == 2) {
    if (!parseFolder(ctx.args[0], folder) || !parseNumber(ctx.args[1], number)) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return playRecording(ctx, folder, number);
  }
  if (ctx.args.size() == 1) return playFile(ctx, ctx.args[0]);
  std::fputs(kUsage, stderr);
  return 2;
}

tool::Register reg({"play", "FOLDER NUMBER | FILE",
                    "play a recording straight from the recorder (folder 1-8 or A-H, number from 1), or a voice, WAV "
                    "or MP3 file, on the default sound output; Ctrl-C stops",
                    run, {}});

}  // namespace
