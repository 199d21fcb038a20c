// The standard test image and the named ways of breaking it, one per
// invariant the checker names: shared by the checker's tests, the index
// tests and the tool tests (through q417-testimage).
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ImageBuilder.h"
#include "q417io/Flash.h"

namespace rectest {

// Folder 1: a 3-page voice recording and a 100-page (two-block) file;
// folder 2: a one-block recording; folder 5: a one-block MP3.
struct StandardImage {
  std::vector<BuiltFile> files;
};
StandardImage buildStandard(recorder::FlashVolume &volume);

struct Breakage {
  std::string name;
  std::string code;  // the violation fsck must report
  std::function<void(recorder::FlashVolume &, q417io::Flash &, const StandardImage &)> apply;
};
// Test names and failure messages show the breakage by its name.
void PrintTo(const Breakage &b, std::ostream *out);
const std::vector<Breakage> &breakages();
const Breakage *findBreakage(const std::string &name);

}  // namespace rectest
