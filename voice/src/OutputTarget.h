// Which file a finished conversion replaces. The conversion writes beside it
// under a temporary name and renames over it only when complete, so the
// target is checked first for what a rename would do wrongly.
#pragma once

#include <filesystem>
#include <string>

namespace voice::detail {

// The file that output names: output itself, or the file a link there
// leads to, so that the link stays a link. Empty when no finished file may
// take that place: it is the source itself, an existing entry that is not a
// regular file (a device node or a folder would be replaced, not written),
// or an existing file the user may not write.
std::filesystem::path outputTarget(const std::string &output, const std::string &source);

}  // namespace voice::detail
