// q417 [--image PATH] fsck [--json]: checks the recorder's file system without
// writing; exits 0 when it is consistent, 1 when not.
#include <cstdio>

#include "../Command.h"
#include "recorder/Fsck.h"
#include "recorder_session.h"

namespace {

int run(tool::Context &ctx) {
  if (!ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 [--image PATH] fsck [--json]\n");
    return 2;
  }
  tool::RecorderSession s;
  if (!s.open(ctx, "fsck")) return 2;
  auto found = recorder::Fsck(*s.io, s.link.geometry).run();
  if (ctx.json) {
    std::printf("{\"consistent\": %s, \"violations\": [", found.empty() ? "true" : "false");
    for (size_t i = 0; i < found.size(); ++i)
      std::printf("%s{\"code\": %s, \"message\": %s}", i ? ", " : "", tool::jsonString(found[i].code).c_str(),
                  tool::jsonString(found[i].message).c_str());
    std::printf("]}\n");
  } else if (found.empty()) {
    std::printf("consistent\n");
  } else {
    for (auto &v : found) std::printf("%s: %s\n", v.code.c_str(), v.message.c_str());
    std::printf("%zu violation(s)\n", found.size());
  }
  return found.empty() ? 0 : 1;
}

tool::Register reg({"fsck", "[--json]", "check the file system's invariants; exit 1 when any is broken", run, {}});

}  // namespace
