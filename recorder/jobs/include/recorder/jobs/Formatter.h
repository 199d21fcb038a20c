// Initialising the recorder's memory: the model dialog and the question,
// the empty file system with the format record, the surface test of every
// block above the reserved ones, and the new empty file system.
#pragma once

#include <cstdint>
#include <functional>

#include "recorder/FlashVolume.h"
#include "recorder/jobs/Outcome.h"

namespace recorder {
class RecorderPanel;
}

namespace recorder::jobs {

class Formatter {
 public:
  explicit Formatter(FlashVolume &volume, RecorderPanel *panel = nullptr) : v_(volume), panel_(panel) {}

  // PreFlashFormat: the model dialog, then FormatFlashMemory.
  Outcome PreFlashFormat();
  // FormatFlashMemory: the question, then the format.
  Outcome FormatFlashMemory();
  // The format once the user has agreed: the empty file system with the
  // format record, the surface test and the new file system; then folder 1
  // is shown with a re-read of the index.
  Outcome formatNow();

  // WritePreFormatStatus: the system image with the format record.
  bool WritePreFormatStatus();
  // StartFormatFlashMemory: the surface test and the new empty file system.
  // False when it failed (shown; the index indicator is off).
  bool StartFormatFlashMemory();
  // FormatingFlashMemory: tests every block from start to the last,
  // skipping listed bad blocks, and lists the ones that fail.
  bool FormatingFlashMemory(uint32_t start);

  // Shows the capacity in status panel 1 after a format.
  std::function<void()> onCapacity;

 private:
  FlashVolume &v_;
  RecorderPanel *panel_;
};

// The surface test's pattern: even pages all 0xFF, odd pages all 0x00,
// spare bytes included.
void fillTestPattern(uint8_t *raw);

}  // namespace recorder::jobs
