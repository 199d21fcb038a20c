// Loading the recorder's index: the system block, then every folder's records
// from its folder page and each file's header page. An index whose numbers
// lead outside the chip is refused before anything is read or written; one
// whose chains a write could destroy is loaded with writes refused.
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

  // What is wrong with the loaded image as an index (checkIndex), each empty
  // when nothing is. unlistable: the index cannot be listed at all (a folder
  // count above 8, a backup block that is not a reserved block of the chip,
  // a file count above the header's limit, an entry whose first block or
  // length lies outside the chip). unsafe: the first chain that a write
  // could destroy (a block outside the chip, in two recordings, or marked
  // free, bad or reserved); such an index is listed and read, never written.
  struct Faults {
    std::string unlistable;
    std::string unsafe;
  };
  Faults indexFault() const;
  // The fault that made the last GetFlashIndex fail, if it was one.
  const std::string &lastFault() const { return lastFault_; }

 private:
  FlashVolume &v_;
  std::string lastFault_;
};

}  // namespace recorder
