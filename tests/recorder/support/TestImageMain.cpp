// q417-testimage PATH [--blocks 1024|2048] [--empty] [--break NAME]...
// Makes a chip image file holding the standard test file system (or an empty
// one), optionally broken in the named ways, for the q417 tool tests.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Breakages.h"
#include "TestRecorder.h"

int main(int argc, char **argv) {
  std::string path;
  uint32_t blocks = 1024;
  bool empty = false;
  std::vector<std::string> breaks;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--blocks" && i + 1 < argc)
      blocks = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    else if (a == "--empty")
      empty = true;
    else if (a == "--break" && i + 1 < argc)
      breaks.push_back(argv[++i]);
    else if (path.empty() && a[0] != '-')
      path = a;
    else {
      std::fprintf(stderr, "usage: q417-testimage PATH [--blocks 1024|2048] [--empty] [--break NAME]...\nbreaks:");
      for (auto &b : rectest::breakages()) std::fprintf(stderr, " %s", b.name.c_str());
      std::fprintf(stderr, "\n");
      return 2;
    }
  }
  std::string error;
  if (path.empty() || !q417io::ImageStorage::create(path, blocks, &error)) {
    std::fprintf(stderr, "q417-testimage: cannot create %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  q417io::Flash flash(q417io::ImageStorage::open(path, &error));
  rectest::TestRecorder recorder(flash);
  rectest::StandardImage standard;
  if (empty)
    rectest::ImageBuilder(recorder.volume).format();
  else
    standard = rectest::buildStandard(recorder.volume);
  for (auto &name : breaks) {
    const rectest::Breakage *b = rectest::findBreakage(name);
    if (!b || empty) {
      std::fprintf(stderr, "q417-testimage: unknown break %s\n", name.c_str());
      return 2;
    }
    b->apply(recorder.volume, flash, standard);
  }
  return 0;
}
