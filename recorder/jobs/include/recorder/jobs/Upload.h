// Copying recordings from a recorder folder into a PC folder. A recording
// goes back to its own form: a voice file keeps its 256-byte header, any
// other file gets its data alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "recorder/Directory.h"
#include "recorder/FlashVolume.h"
#include "recorder/jobs/Outcome.h"

namespace recorder::jobs {

// The PC name of a recording: its name with trailing 0x00, blank and 0xFF
// bytes removed, then "." and the extension when there is one. A name read
// from the flash never leaves the target folder: '/' and NUL become '_',
// and "", "." and ".." get a leading '_'.
std::string pcFileName(const tFLASHFILEINFO &record);

// Reads one recording block by block, in its PC form.
class RecordingReader {
 public:
  RecordingReader(FlashVolume &volume, uint32_t firstBlock, uint32_t pages);

  // False when the block map does not lead to a whole chain on the chip.
  bool valid() const { return valid_; }
  size_t blockCount() const { return blocks_.size(); }
  const std::vector<uint32_t> &blocks() const { return blocks_; }

  // The PC bytes that block j contributes, in up to two pieces.
  struct Piece {
    const uint8_t *data = nullptr;
    size_t size = 0;
  };
  struct Bytes {
    Piece first, second;
    size_t size() const { return first.size + second.size; }
  };
  // Reads block j with the checked read. False when the read failed (the
  // checked read has shown why when the block stayed damaged).
  bool read(size_t j, Bytes &out);
  // Whether the first block held a voice header (known after read(0)).
  bool voice() const { return voice_; }

 private:
  FlashVolume &v_;
  std::vector<uint32_t> blocks_;
  uint32_t pagesInLast_ = 0;
  bool valid_ = false;
  bool voice_ = false;
  std::unique_ptr<uint8_t[]> data_;
};

// Every PC byte of recording number (from 1) of a folder; false when a
// block cannot be read or the number is not in the folder.
bool readRecording(FlashVolume &volume, int folder, uint32_t number, std::vector<uint8_t> &out);

class Upload {
 public:
  explicit Upload(FlashVolume &volume) : v_(volume) {}

  // UploadFlashFileList: copies the recordings at these list rows (counted
  // from 0) of the folder into pcFolder, from the last row to the first.
  Outcome UploadFlashFileList(int folder, std::vector<int> rows, const std::filesystem::path &pcFolder);

  // UploadFlashFile: recording number (from 1). False stops the job; a
  // recording skipped because the user kept the PC file returns true. The
  // copy appears under its name only when complete; one that stops leaves
  // the PC folder as it was.
  bool UploadFlashFile(int folder, uint32_t number, uint64_t doneBytes, uint64_t totalBytes,
                       const std::filesystem::path &pcFolder);

  // Copies recording number (from 1) to target without asking: a file of
  // that name is replaced when the copy is complete. The copy carries the
  // recording's date and time as its modification time when the recording
  // has a valid one. False when the copy stopped.
  bool CopyFlashFile(int folder, uint32_t number, const std::filesystem::path &target, uint64_t doneBytes,
                     uint64_t totalBytes);
  bool cancelled() const { return cancelled_; }

  int copied() const { return copied_; }
  int skipped() const { return skipped_; }

 private:
  FlashVolume &v_;
  std::string fileCountText_;
  int copied_ = 0;
  int skipped_ = 0;
  bool cancelled_ = false;
};

}  // namespace recorder::jobs
