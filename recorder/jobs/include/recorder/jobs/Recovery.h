// Completing a job that a cut interrupted, at every connection once the
// index has loaded: the pending-job record of block 0 says what to finish.
// Before that, a backup block that a cut left damaged or behind block 0 is
// written again, so that a later cut during a write of block 0 always finds
// a valid copy. An index whose chains a write could destroy is never written:
// its job stays pending.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "recorder/FlashVolume.h"

namespace recorder {
class RecorderPanel;
}

namespace recorder::jobs {

class Recovery {
 public:
  explicit Recovery(FlashVolume &volume, RecorderPanel *panel = nullptr) : v_(volume), panel_(panel) {}

  enum class Job { None, Write, Delete, DeleteAll, Format, Unknown };
  struct Report {
    Job job = Job::None;
    uint8_t code = 0xFF;
    int folder = 0;
    uint32_t number = 0;
    bool finished = false;        // the job was completed, or found to have left nothing to complete
    bool backupRewritten = false;  // the backup block was written again from block 0
    bool refused = false;          // left as it is: the index is too damaged to write
    std::string describe() const;
  };

  // CheckFlashRemainJob.
  Report CheckFlashRemainJob();

  // Writes block 0 (raw, a valid system block) into the backup block when
  // the backup lacks the signature, fails its check bytes, or differs from
  // block 0 in the system pages or the job record. True when written.
  bool refreshBackup(const uint8_t *block0);

  // Whether the recovery of a cut write may follow a chain into this block:
  // a block above the reserved ones that the block map marks free, that is
  // not listed bad and that no recording owns; or a block of recording
  // appendNumber of appendFolder, when the recorder was appending to it.
  std::function<bool(uint32_t)> writableChainBlock(int appendFolder = 0, uint32_t appendNumber = 0) const;

 private:
  // The directory record of a chain the recovery entered.
  void enterRecord(int folder, const PendingJob &job, const std::vector<uint32_t> &blocks, uint32_t pagesInLast,
                   const std::vector<uint8_t> &headerPage);

  FlashVolume &v_;
  RecorderPanel *panel_;
};

}  // namespace recorder::jobs
