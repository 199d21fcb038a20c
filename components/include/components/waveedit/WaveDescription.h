// What describes a wave beside its samples: the file, the range and position,
// and its lists. The editor's source waves, undo states and clipboard hold
// one each; the region file stores one.
#pragma once

#include <cstdint>
#include <string>

#include "components/waveedit/WaveLists.h"

namespace components {

struct WaveDescription {
  std::string fileName;
  int64_t start = 0;
  int64_t end = 0;
  int64_t position = 0;  // counted from start
  MarkerList markers;
  CutList cuts;
  VolumeEnvelope volume;

  void clear() { *this = WaveDescription{}; }
  bool operator==(const WaveDescription &) const = default;
};

}  // namespace components
