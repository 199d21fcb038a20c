// Erasing recordings. A deletion changes only the system image: the
// recording's blocks are freed in the block map and its folder entry is
// removed. A pending-job record written first lets the next connection
// finish a deletion that a cut interrupted; the image that completes one
// deletion of a job carries the record of the next, so that every image on
// the flash names the deletion still due.
#pragma once

#include <cstdint>
#include <vector>

#include "recorder/FlashVolume.h"
#include "recorder/jobs/Outcome.h"

namespace recorder {
class RecorderPanel;
}

namespace recorder::jobs {

class Eraser {
 public:
  explicit Eraser(FlashVolume &volume, RecorderPanel *panel = nullptr) : v_(volume), panel_(panel) {}

  // DeleteFlashFile: asks, then erases the recordings at these list rows
  // (counted from 0) of the folder, from the last row to the first.
  Outcome DeleteFlashFile(int folder, std::vector<int> rows);

  // WritePreDeleteStatus: the system image with the record for deleting
  // file number (from 1) of the folder.
  bool WritePreDeleteStatus(int folder, uint32_t number);

  // DeletingFlashFile: removes file number from the image and writes it;
  // true when block 0 was written. A number the folder does not hold only
  // writes the image, which clears a record that names it. The image
  // carries the record of the job's next deletion when one is given, else
  // no record.
  bool DeletingFlashFile(int folder, uint32_t number, const PendingJob *next = nullptr);

  int erased() const { return erased_; }

 private:
  FlashVolume &v_;
  RecorderPanel *panel_;
  int erased_ = 0;
};

}  // namespace recorder::jobs
