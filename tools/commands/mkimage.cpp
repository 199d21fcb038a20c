// q417 mkimage PATH --blocks 1024|2048 [--bad B,B,...]: a factory-fresh chip.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "../Command.h"
#include "q417io/Flash.h"

namespace {

int run(tool::Context &ctx) {
  if (ctx.args.size() != 1) {
    std::fprintf(stderr, "usage: q417 mkimage PATH --blocks 1024|2048 [--bad B,B,...]\n");
    return 2;
  }
  const std::string *blocksText = ctx.option("--blocks");
  uint32_t blocks = blocksText ? static_cast<uint32_t>(std::strtoul(blocksText->c_str(), nullptr, 10)) : 0;
  std::set<uint32_t> bad;
  if (const std::string *list = ctx.option("--bad")) {
    std::string error;
    auto plan = q417io::parseFaults(q417io::badListAsFaults(*list), &error);
    if (!plan) {
      std::fprintf(stderr, "q417 mkimage: --bad %s: %s\n", list->c_str(), error.c_str());
      return 2;
    }
    bad = plan->bad;
  }
  std::string error;
  if (!q417io::createFactoryImage(ctx.args[0], blocks, bad, &error)) {
    std::fprintf(stderr, "q417 mkimage: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

tool::Register reg({"mkimage", "PATH --blocks 1024|2048 [--bad B,B,...]",
                    "make an erased chip image; the listed blocks are factory bad blocks", run,
                    {"--blocks", "--bad"}});

}  // namespace
