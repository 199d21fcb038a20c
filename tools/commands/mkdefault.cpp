// q417 --image PATH mkdefault: the virtual recorder that Quillorn starts
// with: a factory-fresh 256 MB chip (2048 blocks).
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "../Command.h"
#include "q417io/Flash.h"

namespace {

constexpr uint32_t kDefaultBlocks = 2048;

int run(tool::Context &ctx) {
  if (ctx.image.empty() || !ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 --image PATH mkdefault\n");
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path image(ctx.image);
  std::error_code ec;
  if (fs::exists(image, ec)) {
    // It may hold recordings: never overwritten.
    std::fprintf(stderr, "q417 mkdefault: %s already exists; delete it first to make a new one\n", ctx.image.c_str());
    return 1;
  }
  if (image.has_parent_path()) fs::create_directories(image.parent_path(), ec);
  // Made like mkimage: under a temporary name, renamed into place, with no
  // factory bad blocks (an old sidecar list is removed).
  std::string error;
  if (!q417io::createFactoryImage(image.string(), kDefaultBlocks, {}, &error)) {
    std::fprintf(stderr, "q417 mkdefault: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

tool::Register reg({"mkdefault", "(with --image PATH)",
                    "make the default virtual recorder: an erased 256 MB chip; an existing image is kept", run, {}});

}  // namespace
