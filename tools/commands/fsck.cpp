// q417 [--image PATH] fsck [--json] [--repair [--save FILE]]: checks the
// recorder's file system without writing; exits 0 when it is consistent, 1
// when not. --repair rebuilds the block map and the blocks-used fields from
// the listed recordings, after saving the raw system block to a file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "../Command.h"
#include "recorder/Fsck.h"
#include "recorder/Index.h"
#include "recorder/IndexRepair.h"
#include "recorder/Layout.h"
#include "recorder/SystemBlock.h"
#include "recorder_session.h"

namespace {

using namespace recorder;

const char *severityNote(Severity s) {
  switch (s) {
    case Severity::Unlistable: return " [the index cannot be listed]";
    case Severity::Unsafe: return " [writes are refused]";
    case Severity::Inconsistent: return "";
  }
  return "";
}

void printText(const std::vector<Violation> &found) {
  if (found.empty()) {
    std::printf("consistent\n");
    return;
  }
  for (auto &v : found) std::printf("%s: %s%s\n", v.code.c_str(), v.message.c_str(), severityNote(v.severity));
  std::printf("%zu violation(s)\n", found.size());
}

void printJson(const std::vector<Violation> &found) {
  std::printf("{\"consistent\": %s, \"violations\": [", found.empty() ? "true" : "false");
  for (size_t i = 0; i < found.size(); ++i) {
    const char *severity = found[i].severity == Severity::Unlistable ? "unlistable"
                           : found[i].severity == Severity::Unsafe   ? "unsafe"
                                                                     : "inconsistent";
    std::printf("%s{\"code\": %s, \"message\": %s, \"severity\": \"%s\"}", i ? ", " : "",
                tool::jsonString(found[i].code).c_str(), tool::jsonString(found[i].message).c_str(), severity);
  }
  std::printf("]}\n");
}

std::string defaultSaveName() {
  char stamp[32];
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
  return std::string("q417-system-block-") + stamp + ".bin";
}

bool saveBlock(FlashIo &io, uint32_t block, const std::string &path) {
  std::vector<uint8_t> raw(kRawBlockSize);
  if (io.readBlock(raw.data(), block) != 1) {
    std::fprintf(stderr, "q417 fsck: block %u cannot be read to be saved\n", block);
    return false;
  }
  std::FILE *f = std::fopen(path.c_str(), "wbx");
  bool ok = f && std::fwrite(raw.data(), 1, raw.size(), f) == raw.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "q417 fsck: cannot save the system block to %s: %s\n", path.c_str(), std::strerror(errno));
    if (f) std::remove(path.c_str());
  }
  return ok;
}

// Rebuilds the index where the listed chains allow it. 0 repaired and
// consistent, 1 still inconsistent or not repairable, 2 usage or I/O.
int repair(tool::Context &ctx, tool::RecorderSession &s) {
  const std::string *given = ctx.option("--save");
  const std::string save = given ? *given : defaultSaveName();
  if (!saveBlock(*s.io, 0, save)) return 2;
  std::printf("the system block (block 0) is saved in %s\n", save.c_str());

  FlashVolume &v = *s.volume;
  Index index(v);
  if (!index.GetFlashIndex()) {
    std::printf("the index cannot be listed%s%s: it cannot be rebuilt; initialise the recorder (q417 format)\n",
                index.lastFault().empty() ? "" : ": ", index.lastFault().c_str());
    return 1;
  }
  IndexRepair plan = planIndexRepair(v.image, v.blockCount());
  if (!plan.possible()) {
    std::printf("nothing was changed: the index cannot be rebuilt from its recordings:\n");
    for (auto &b : plan.blockers) std::printf("  %s\n", b.c_str());
    std::printf("copy the recordings you need to the PC (q417 get), then initialise the recorder (q417 format --yes)\n");
    return 1;
  }
  if (plan.changes.empty()) {
    std::printf("the block map and the blocks-used fields already match the recordings\n");
  } else {
    for (auto &c : plan.changes) std::printf("  %s\n", c.c_str());
    // A job left pending stays pending: the next connection finishes it.
    std::vector<uint8_t> raw(kRawBlockSize);
    PendingJob job;
    if (s.io->readBlock(raw.data(), 0) == 1) job = PendingJob::fromSpare(raw.data() + rawSpareOffset(0));
    v.image = plan.image;
    if (!SystemBlock(v).WriteSystemImage(job.none() ? nullptr : &job)) {
      std::fprintf(stderr, "q417 fsck: the rebuilt index cannot be written; block 0 is saved in %s\n", save.c_str());
      return 1;
    }
    std::printf("the index is rebuilt (%zu change(s)); checking again:\n", plan.changes.size());
  }
  std::vector<Violation> found = Fsck(*s.io, s.link.geometry).run();
  printText(found);
  return found.empty() ? 0 : 1;
}

int run(tool::Context &ctx) {
  const bool repairing = ctx.flag("--repair");
  if (!ctx.args.empty() || (ctx.option("--save") && !repairing) || (repairing && ctx.json)) {
    std::fprintf(stderr, "usage: q417 [--image PATH] fsck [--json] | fsck --repair [--save FILE]\n");
    return 2;
  }
  tool::RecorderSession s;
  if (!s.open(ctx, "fsck")) return 2;
  if (repairing) return repair(ctx, s);
  auto found = Fsck(*s.io, s.link.geometry).run();
  if (ctx.json)
    printJson(found);
  else
    printText(found);
  return found.empty() ? 0 : 1;
}

tool::Register reg({"fsck", "[--json] | --repair [--save FILE]",
                    "check the file system's invariants; exit 1 when any is broken. --repair rebuilds the block map\n"
                    "             and the blocks-used fields from the recordings, after saving block 0 to FILE",
                    run, {"--save"}, {"--repair"}});

}  // namespace
