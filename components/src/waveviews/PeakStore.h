// What identifies the file a peak cache summarises: a side file holds for
// the source only while its size and modification time stay as stamped.
#pragma once

#include <cstdint>
#include <string>

namespace components::waveviews {

struct SourceStamp {
  int64_t bytes = -1;
  int64_t mtimeNs = 0;
  bool operator==(const SourceStamp &) const = default;
};

// False when `path` is not a regular file that can be stat'ed.
bool stampOf(const std::string &path, SourceStamp &stamp);

}  // namespace components::waveviews
