// Everything the application owns about the recorder's file system: the
// link, the job UI, the system image, the bad-block list, the directory and
// the retry counter. The operation classes (BlockIo, SystemBlock, Chains,
// Index, the jobs) work on one instance; they are cheap to construct.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "components/JobUi.h"
#include "recorder/Directory.h"
#include "recorder/Link.h"
#include "recorder/SystemImage.h"

namespace recorder {

struct FlashVolume {
  FlashVolume(Link &l, components::JobUi &u) : link(l), ui(u) {}

  Link &link;
  components::JobUi &ui;
  SystemImage image;
  BadBlockList badBlocks;
  Directory directory;

  // The retry counter panel (m_PnlRetryCount): damaged reads of the checked
  // read. onRetryCount, when set, shows the new value.
  int retryCount = 0;
  std::function<void(int)> onRetryCount;
  void setRetryCount(int n) {
    retryCount = n;
    if (onRetryCount) onRetryCount(n);
  }

  // Why no job may write to the loaded index (a chain that a write could
  // destroy); empty when writing is safe. Set by every index load.
  std::string writeRefusal;

  // Block 0 raw as the last load of the system block read it; emptied by
  // every write of block 0. The recovery that follows a load reads its
  // pending-job record from here instead of reading the block again.
  std::vector<uint8_t> loadedBlock0;

  // When set, loading never writes: a damaged block 0 is read from its first
  // valid copy instead of being restored (q417 ls, info).
  bool readOnly = false;

  uint32_t blockCount() const { return link.geometry.blockCount; }
};

}  // namespace recorder
