// q417 record OUT.dvg [--seconds S] [--yes]: records from the default sound
// input into a voice file until S seconds are recorded or Ctrl-C, then
// saves it as the main window's Stop does (".DVG" appended where the name
// lacks it; an existing file replaced, with --yes, only once the new one is
// complete). The running time goes to standard error.
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "../Command.h"
#include "../ToolUi.h"
#include "player/VoiceRecording.h"
#include "player_tool.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace {

namespace fs = std::filesystem;

constexpr const char *kUsage = "usage: q417 record OUT.dvg [--seconds S] [--yes]\n";

bool parseSeconds(const std::string &text, double &seconds) {
  char *end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && std::isfinite(seconds) && seconds > 0 && seconds <= 24 * 3600;
}

int run(tool::Context &ctx) {
  double seconds = 0;
  const std::string *limit = ctx.option("--seconds");
  if (ctx.args.size() != 1 || (limit && !parseSeconds(*limit, seconds))) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::error_code ec;
  const fs::path chosen = fs::absolute(ctx.args[0], ec);
  const fs::path target = player::savedRecordingPath(chosen);
  if (ec || !fs::is_directory(chosen.parent_path(), ec)) {
    std::fprintf(stderr, "q417 record: %s: the folder does not exist\n", ctx.args[0].c_str());
    return 1;
  }
  if (fs::is_directory(target, ec)) {
    std::fprintf(stderr, "q417 record: %s is a folder\n", target.c_str());
    return 1;
  }
  // The save dialog asks before it replaces a file; the tool asks first,
  // before anything is recorded.
  if (fs::exists(target, ec) && !ctx.yes) {
    std::fprintf(stderr, "q417 record: %s exists (replace it with --yes)\n", target.c_str());
    return 1;
  }
  // The recording is made in a folder of its own and stays there when it
  // cannot be saved.
  std::string pattern = (fs::temp_directory_path(ec) / "q417-record-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::fprintf(stderr, "q417 record: no temporary folder can be made in %s\n", fs::temp_directory_path(ec).c_str());
    return 1;
  }
  const fs::path temp = pattern;

  player::Selection selection;
  selection.pcFolder = chosen.parent_path();
  selection.saveAs = chosen;
  auto ui = tool::makeJobUi(ctx);
  tool::ToolPlayer p(*ui, nullptr, selection, temp);
  player::PollHost::Result r = p.host().record(seconds);
  const fs::path kept = temp / player::kTempRecordingName;

  if (!r.started) {
    if (!p.inputDevice()) std::fputs("q417 record: there is no sound input device\n", stderr);
    fs::remove_all(temp, ec);
    return 1;
  }
  if (!r.saved) {
    if (fs::exists(kept, ec)) {
      std::fprintf(stderr, "q417 record: not saved as %s; the recording is kept in %s\n", target.c_str(),
                   kept.c_str());
    } else {
      std::fprintf(stderr, "q417 record: the recording could not be written to %s\n", kept.c_str());
      fs::remove_all(temp, ec);
    }
    return 1;
  }
  fs::remove_all(temp, ec);
  const uint64_t size = fs::file_size(target, ec);
  const double coded = !ec && size > voice::header::kSize ? double(size - voice::header::kSize) : 0;
  std::printf("%s: %.1f s of speech\n", target.c_str(), coded * voice::kPcmBytesPerCodedByte / (voice::kSampleRate * 2));
  if (r.inputStopped) {
    std::fputs("q417 record: the recording stopped early: a buffer could not be written to the temporary file\n",
               stderr);
    return 1;
  }
  return 0;
}

tool::Register reg({"record", "OUT.dvg [--seconds S] [--yes]",
                    "record from the default sound input until S seconds or Ctrl-C and save a voice file (\".DVG\" is "
                    "appended where the name lacks it; an existing file is replaced only with --yes)",
                    run, {"--seconds"}});

}  // namespace
