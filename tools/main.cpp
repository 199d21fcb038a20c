// q417: the recorder's file system from the command line, over the same
// recorder library as the application.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Command.h"

namespace tool {

std::vector<Command> &registry() {
  static std::vector<Command> all;
  return all;
}

Register::Register(Command command) { registry().push_back(std::move(command)); }

bool Context::flag(const std::string &name) const {
  for (auto &f : flags)
    if (f == name) return true;
  return false;
}

const std::vector<Command> &commands() { return registry(); }

const std::string *Context::option(const std::string &name) const {
  for (auto &[k, v] : options)
    if (k == name) return &v;
  return nullptr;
}

}  // namespace tool

namespace {

void usage(FILE *out) {
  std::fprintf(out, "usage: q417 [--image PATH] COMMAND [ARGS...]\n\ncommands:\n");
  for (auto &c : tool::commands()) std::fprintf(out, "  %-10s %s\n             %s\n", c.name, c.usage, c.help);
  std::fprintf(out, "\nThe image defaults to $Q417_IMAGE; faults come from $Q417IO_FAULTS.\n");
  std::fprintf(out, "play and record use the default sound output and input, show the running time on standard\n"
                    "error and stop at Ctrl-C.\n");
}

}  // namespace

int main(int argc, char **argv) {
  tool::Context ctx;
  if (const char *env = std::getenv("Q417_IMAGE")) ctx.image = env;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    std::string a = argv[i];
    if (a == "--image" && i + 1 < argc) {
      ctx.image = argv[++i];
    } else if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else {
      std::fprintf(stderr, "q417: unknown option %s\n", argv[i]);
      usage(stderr);
      return 2;
    }
  }
  if (i >= argc) {
    usage(stderr);
    return 2;
  }
  std::string name = argv[i++];
  const tool::Command *command = nullptr;
  for (auto &c : tool::commands())
    if (name == c.name) command = &c;
  if (!command) {
    std::fprintf(stderr, "q417: unknown command '%s'\n", name.c_str());
    usage(stderr);
    return 2;
  }
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--yes") {
      ctx.yes = true;
    } else if (a == "--json") {
      ctx.json = true;
    } else if (a == "--image" && i + 1 < argc) {
      ctx.image = argv[++i];
    } else if (std::find(command->flagOptions.begin(), command->flagOptions.end(), a) != command->flagOptions.end()) {
      ctx.flags.push_back(a);
    } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
      bool known = false;
      for (auto &o : command->valueOptions) known |= o == a;
      if (!known || i + 1 >= argc) {
        std::fprintf(stderr, "q417 %s: unknown option or missing value: %s\nusage: q417 %s %s\n", command->name,
                     a.c_str(), command->name, command->usage);
        return 2;
      }
      ctx.options.emplace_back(a, argv[++i]);
    } else if (a == "-o" && i + 1 < argc) {
      ctx.options.emplace_back(a, argv[++i]);
    } else {
      ctx.args.push_back(a);
    }
  }
  return command->run(ctx);
}
