// Recovery of an interrupted job: a valid recorder made by the program's own
// jobs (ChipImage.h's base chips) gets a fuzzed pending-job record and
// fuzzed data blocks (the chain a cut write left, the file a cut deletion
// was freeing), then connects as the program does, which loads the index
// and finishes the job.
//
// Input: one byte of options (bits 0-1 choose the base chip, bit 2 writes
// the record into the backup block too), the job record (page 0 spare bytes
// 7 to 15 of the system block), then block records as in ChipImage.h.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ChipImage.h"
#include "FuzzUi.h"
#include "PoolStorage.h"
#include "recorder/Layout.h"
#include "recorder/jobs/Session.h"
#include "testsupport/MemoryFlashIo.h"

namespace {

constexpr uint8_t kRecordInBackup = 0x04;

q417io::Flash &chipFor(const fuzz::BaseChip &base) {
  static fuzz::PoolChip small(1024), large(2048);
  fuzz::PoolChip &chip = base.blocks == 2048 ? large : small;
  chip.reset(&base.snapshot);
  return chip.flash;
}

uint8_t *scratch() {
  static std::vector<uint8_t> raw(recorder::kRawBlockSize);
  return raw.data();
}

void writeRecord(q417io::Flash &flash, uint32_t block, const uint8_t *record) {
  uint8_t *raw = scratch();
  flash.storage().read(block, raw);
  std::memcpy(raw + recorder::rawSpareOffset(0) + recorder::jobrecord::kFirst, record, recorder::jobrecord::kLength);
  flash.poke(block, raw);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::baseChips();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::InputBytes in(data, size);
  const uint8_t options = in.byte();
  const auto &bases = fuzz::baseChips();
  const fuzz::BaseChip &base = bases[(options & 3u) % bases.size()];
  q417io::Flash &flash = chipFor(base);
  uint8_t record[recorder::jobrecord::kLength];
  in.take(record, sizeof record);
  writeRecord(flash, 0, record);
  if (options & kRecordInBackup) {
    flash.storage().read(0, scratch());
    uint32_t backup = recorder::readU16(scratch() + recorder::header::kBackupBlock);
    if (backup != 0 && backup < flash.blockCount()) writeRecord(flash, backup, record);
  }
  fuzz::layBlocks(flash, in);

  recorder::MemoryFlashIo io(flash);
  fuzz::FuzzUi ui;
  recorder::jobs::Session session(io, ui);
  session.connect();
  return 0;
}
