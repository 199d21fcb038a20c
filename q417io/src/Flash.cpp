#include "q417io/Flash.h"

#include <algorithm>
#include <cstring>

namespace q417io {

uint16_t flashIdForBlocks(uint64_t blocks) {
  if (blocks == 1024) return static_cast<uint16_t>(kMakerCode << 8 | kDeviceCode1024);
  if (blocks == 2048) return static_cast<uint16_t>(kMakerCode << 8 | kDeviceCode2048);
  return 0;
}

uint32_t blocksForImageSize(uint64_t bytes) {
  if (bytes % kRawBlockSize != 0) return 0;
  uint64_t blocks = bytes / kRawBlockSize;
  return flashIdForBlocks(blocks) ? static_cast<uint32_t>(blocks) : 0;
}

MemoryStorage::MemoryStorage(uint32_t blocks) : blocks_(blocks) {}

bool MemoryStorage::read(uint32_t block, uint8_t *raw) {
  if (block >= blocks_.size()) return false;
  if (!blocks_[block])
    std::memset(raw, 0xFF, kRawBlockSize);
  else
    std::memcpy(raw, blocks_[block]->data(), kRawBlockSize);
  return true;
}

bool MemoryStorage::write(uint32_t block, const uint8_t *raw) {
  if (block >= blocks_.size()) return false;
  if (std::all_of(raw, raw + kRawBlockSize, [](uint8_t b) { return b == 0xFF; }))
    blocks_[block].reset();
  else
    blocks_[block] = std::make_shared<const std::vector<uint8_t>>(raw, raw + kRawBlockSize);
  return true;
}

bool Storage::erase(uint32_t block) {
  std::vector<uint8_t> raw(kRawBlockSize, 0xFF);
  return write(block, raw.data());
}

bool Storage::program(uint32_t block, const uint8_t *raw, uint32_t pages) {
  std::vector<uint8_t> cells(kRawBlockSize);
  if (!read(block, cells.data())) return false;
  for (uint32_t i = 0; i < pages * kRawPageSize; ++i) cells[i] &= raw[i];
  return write(block, cells.data());
}

bool MemoryStorage::erase(uint32_t block) {
  if (block >= blocks_.size()) return false;
  blocks_[block].reset();
  return true;
}

bool MemoryStorage::program(uint32_t block, const uint8_t *raw, uint32_t pages) {
  if (block >= blocks_.size()) return false;
  size_t n = static_cast<size_t>(pages) * kRawPageSize;
  auto cells = std::make_shared<std::vector<uint8_t>>(kRawBlockSize, 0xFF);
  if (blocks_[block]) std::memcpy(cells->data(), blocks_[block]->data(), kRawBlockSize);
  uint8_t *c = cells->data();
  for (size_t i = 0; i < n; ++i) c[i] &= raw[i];
  blocks_[block] = std::move(cells);
  return true;
}

Flash::Flash(std::unique_ptr<Storage> storage) : storage_(std::move(storage)) {}

std::unique_ptr<Flash> Flash::inMemory(uint32_t blocks) {
  return std::make_unique<Flash>(std::make_unique<MemoryStorage>(blocks));
}

uint16_t Flash::id() const { return linkLost_ ? 0 : flashIdForBlocks(storage_->blockCount()); }

void Flash::reconnect() {
  linkLost_ = false;
  faults_ = FaultPlan{};
  counters_ = Counters{};
  ops_ = 0;
}

std::vector<uint8_t> Flash::peek(uint32_t block) {
  std::vector<uint8_t> raw(kRawBlockSize);
  // An unreadable block must not pass for an erased one.
  if (!storage_->read(block, raw.data())) raw.clear();
  return raw;
}

bool Flash::poke(uint32_t block, const uint8_t *raw) { return storage_->write(block, raw); }

bool Flash::refused(uint32_t block, const std::map<uint32_t, uint64_t> &failFrom, uint64_t nth) const {
  if (faults_.bad.count(block)) return true;
  auto it = failFrom.find(block);
  return it != failFrom.end() && nth >= it->second;
}

int Flash::read(uint8_t *raw, uint32_t block) {
  if (linkLost_ || block >= blockCount()) return 0;
  counters_.reads++;
  counters_.blockReads[block]++;
  if (!storage_->read(block, raw)) return 0;
  auto it = faults_.damagedReads.find(block);
  if (it != faults_.damagedReads.end() && it->second > 0) {
    // Damage shows in the spare bytes that must read 0xFF.
    std::memset(raw + kPageDataSize + 1, 0x00, 15);
    if (--it->second == 0) faults_.damagedReads.erase(it);
  }
  return 1;
}

int Flash::erase(uint32_t block) {
  if (linkLost_ || block >= blockCount()) return 0;
  uint64_t op = ++ops_;
  uint64_t nth = ++counters_.erases;
  uint64_t nthOfBlock = ++counters_.blockErases[block];
  if (refused(block, faults_.failErase, nthOfBlock)) return cutIfDue(op), 0;
  if (faults_.tornErase == nth || faults_.tearOp == op) {
    // Cut half-way: the first half of the pages is erased, the rest as it
    // was. A block that cannot be read stays as it is rather than passing
    // for erased; the erase is refused either way.
    std::vector<uint8_t> raw(kRawBlockSize);
    if (storage_->read(block, raw.data())) {
      std::memset(raw.data(), 0xFF, kRawBlockSize / 2);
      storage_->write(block, raw.data());
    }
    linkLost_ = true;
    return 0;
  }
  bool erased = storage_->erase(block);
  cutIfDue(op);
  return erased ? 1 : 0;
}

int Flash::write(const uint8_t *raw, uint32_t block) {
  if (linkLost_ || block >= blockCount()) return 0;
  uint64_t op = ++ops_;
  uint64_t nth = ++counters_.writes;
  uint64_t nthOfBlock = ++counters_.blockWrites[block];
  if (refused(block, faults_.failWrite, nthOfBlock)) return cutIfDue(op), 0;
  uint32_t pages = kPagesPerBlock;
  bool torn = false;
  if (faults_.tornWrite == nth) pages = faults_.tornWritePages, torn = true;
  if (faults_.tearOp == op) pages = faults_.tearOpPages, torn = true;
  // Programming only clears bits: the result is the AND of old and new.
  bool programmed = storage_->program(block, raw, pages);
  if (torn) {
    linkLost_ = true;
    return 0;
  }
  cutIfDue(op);
  return programmed ? 1 : 0;
}

void Flash::cutIfDue(uint64_t op) {
  if (faults_.cutAfter != 0 && op >= faults_.cutAfter) linkLost_ = true;
}

}  // namespace q417io
