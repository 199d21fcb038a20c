// The q417 tool's commands register themselves here, one file each.
#pragma once

#include <string>
#include <vector>

namespace tool {

struct Context {
  std::string image;               // --image PATH, else Q417_IMAGE
  bool yes = false;                // --yes: questions are answered Yes
  bool json = false;               // --json
  std::vector<std::string> args;   // what follows the command name, options removed
  // Options of the form --name VALUE that the command declared.
  std::vector<std::pair<std::string, std::string>> options;
  // Options without a value that the command declared, e.g. "--repair".
  std::vector<std::string> flags;
  const std::string *option(const std::string &name) const;
  bool flag(const std::string &name) const;
};

using CommandFn = int (*)(Context &);

struct Command {
  const char *name;
  const char *usage;
  const char *help;
  CommandFn run;
  std::vector<std::string> valueOptions;  // options that take a value, e.g. "--blocks"
  std::vector<std::string> flagOptions = {};  // options without a value, e.g. "--repair"
};

// Registers a command; use at namespace scope in the command's own file.
struct Register {
  explicit Register(Command command);
};

const std::vector<Command> &commands();

}  // namespace tool
