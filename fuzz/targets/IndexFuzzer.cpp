// Loading the index from a flash image: the input is a chip description
// (ChipImage.h) laid onto an erased chip, then the recorder connects as the
// program does (system block, restore from the backup, folder pages, block
// map, first blocks, recovery of a left-over job record), the eight folders
// are shown, and a few recordings are read back through their chains.
// Options bit 0x10 loads read-only instead, as `q417 ls` does.
#include <cstddef>
#include <cstdint>

#include "ChipImage.h"
#include "FuzzUi.h"
#include "PoolStorage.h"
#include "recorder/Chains.h"
#include "recorder/Index.h"
#include "recorder/ListFormats.h"
#include "recorder/jobs/Session.h"
#include "recorder/jobs/Upload.h"
#include "testsupport/MemoryFlashIo.h"

namespace {

constexpr uint8_t kReadOnly = 0x10;
// Blocks read back per execution: a chain may run over the whole chip.
constexpr size_t kReadBudget = 24;

q417io::Flash &erasedChip(uint32_t blocks) {
  static fuzz::PoolChip small(1024), large(2048);
  fuzz::PoolChip &chip = blocks == 2048 ? large : small;
  chip.reset();
  return chip.flash;
}

void showEverything(recorder::FlashVolume &v) {
  for (int f = 1; f <= 8; ++f) {
    const auto &records = v.directory.records(f);
    recorder::folderNodeText(f, records);
    for (const auto &row : recorder::fileRows(records)) (void)row;
    for (const auto &r : records) {
      recorder::dateText(r);
      recorder::timeText(r);
      recorder::jobs::pcFileName(r);
    }
  }
  recorder::totalText(v.directory);
  recorder::memoryGauge(v.image, v.blockCount());
  recorder::Chains(v).GetFlashAvaliableBlockCount();
}

void readBack(recorder::FlashVolume &v) {
  size_t budget = kReadBudget;
  for (int f = 1; f <= 8; ++f) {
    for (const auto &r : v.directory.records(f)) {
      recorder::jobs::RecordingReader reader(v, r.firstBlock, r.pages);
      if (!reader.valid() || reader.blockCount() > budget) continue;
      budget -= reader.blockCount();
      recorder::jobs::RecordingReader::Bytes bytes;
      for (size_t j = 0; j < reader.blockCount(); ++j)
        if (!reader.read(j, bytes)) break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  q417io::Flash &flash = erasedChip(fuzz::describedBlockCount(data, size));
  fuzz::layChip(flash, data, size);
  recorder::MemoryFlashIo io(flash);
  fuzz::FuzzUi ui;
  recorder::jobs::Session session(io, ui);
  recorder::FlashVolume &v = session.volume();
  if (size > 0 && data[0] & kReadOnly) {
    if (!session.identify()) return 0;
    v.readOnly = true;
    if (!recorder::Index(v).GetFlashIndex()) return 0;
  } else {
    if (!session.connect()) return 0;
    for (int f = 1; f <= 8; ++f) session.panel().RefreshFlashFolderInfo(f, false);
  }
  showEverything(v);
  readBack(v);
  return 0;
}
