// Moving recordings up and down in their folder, by dragging one onto
// another, and into another folder of the same group. Each move is one
// write of the system image; no data block is touched.
#pragma once

#include <cstdint>
#include <vector>

#include "recorder/FlashVolume.h"
#include "recorder/jobs/Outcome.h"

namespace recorder {
class RecorderPanel;
}

namespace recorder::jobs {

class Reorder {
 public:
  explicit Reorder(FlashVolume &volume, RecorderPanel *panel = nullptr) : v_(volume), panel_(panel) {}

  // UpFlashFileIndex (to below from) and DownFlashFileIndex (to above
  // from): the entry at position from (counted from 0) goes to position to,
  // the ones between shift by one; the image is written and the directory
  // follows. False when the positions are not in the folder or block 0 was
  // not written.
  bool UpFlashFileIndex(int folder, uint32_t to, uint32_t from);
  bool DownFlashFileIndex(int folder, uint32_t to, uint32_t from);
  // MoveFlashIndex: the entry at position index of fromFolder goes to
  // position at of toFolder; with write false only in memory, for a caller
  // that writes the image once after several moves.
  bool MoveFlashIndex(int fromFolder, uint32_t at, uint32_t index, int toFolder, bool write = true);

  // The commands. Each returns the row to select afterwards in `row`
  // (-1: keep the selection).
  // UpFlashFile, DownFlashFile: exactly one selected recording.
  Outcome UpFlashFile(int folder, const std::vector<int> &rows, int &row);
  Outcome DownFlashFile(int folder, const std::vector<int> &rows, int &row);
  // A drag of one recording of the folder dropped on the recording at targetRow.
  Outcome dropOnRecording(int folder, const std::vector<int> &draggedRows, int targetRow, int &row);
  // A drag of recordings of fromFolder dropped on folder toFolder: appended
  // there in their order, only within one folder group, up to 99 files.
  Outcome moveToFolder(int fromFolder, std::vector<int> rows, int toFolder);

 private:
  Outcome moveWithin(int folder, uint32_t from, uint32_t to, int &row);
  bool writeImage();
  FlashVolume &v_;
  RecorderPanel *panel_;
};

}  // namespace recorder::jobs
