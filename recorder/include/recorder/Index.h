// Loading the recorder's index: the system block, then every folder's records
// from its folder page and each file's header page. An index whose numbers
// lead outside the chip is refused before anything is read or written.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "recorder/FlashVolume.h"

namespace recorder {

class Index {
 public:
  explicit Index(FlashVolume &volume) : v_(volume) {}

  // GetFlashIndex: index indicator off; load the system block (on failure
  // onSystemBlockFailed runs, which clears the folder tree); refuse a corrupt
  // index; fill every folder. A corrupt index or an unreadable first block
  // shows FM_text_pen_errmsg6, empties the directory and returns false.
  // Sets the index indicator on success.
  bool GetFlashIndex();
  std::function<void()> onSystemBlockFailed;

  // GetFlashFolderFileInfo: the records of one folder (1..8) from its folder
  // page and each file's header page. False when a first block cannot be read.
  bool GetFlashFolderFileInfo(int folder, std::vector<tFLASHFILEINFO> &records);

  // What makes the loaded image unusable as an index, or empty: a folder
  // count above 8, a backup block that is not a reserved block of the chip, a
  // file count above the header's limit, an entry whose first block or length
  // lies outside the chip, a block map that leads outside the chip.
  std::string indexFault() const;
  // The fault that made the last GetFlashIndex fail, if it was one.
  const std::string &lastFault() const { return lastFault_; }

 private:
  FlashVolume &v_;
  std::string lastFault_;
};

}  // namespace recorder
