// Mending an index whose block map no longer matches its recordings: the
// map and the blocks-used fields are rebuilt from the chains the folders
// list, where every chain can be followed and no two recordings share a
// block. Blocks in no chain become free; bad and reserved marks stay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/SystemImage.h"

namespace recorder {

struct IndexRepair {
  // Why the index cannot be rebuilt (recordings that share blocks, chains
  // that cannot be followed); empty when it can.
  std::vector<std::string> blockers;
  // What the rebuild changes, one line each; empty when nothing is to change.
  std::vector<std::string> changes;
  SystemImage image;  // the rebuilt image, when there are no blockers

  bool possible() const { return blockers.empty(); }
};

IndexRepair planIndexRepair(const SystemImage &image, uint32_t chipBlocks);

}  // namespace recorder
