#include "PoolStorage.h"

#include <cstring>

namespace fuzz {

using q417io::kRawBlockSize;
using q417io::kRawPageSize;

PoolStorage::PoolStorage(uint32_t blocks) : blocks_(blocks), slotOf_(blocks, -1) {}

void PoolStorage::reset(const Snapshot *base) {
  for (uint32_t b : touched_) slotOf_[b] = -1;
  touched_.clear();
  used_ = 0;
  base_ = base && base->size() == blocks_ ? base : nullptr;
}

uint8_t *PoolStorage::slot(uint32_t block) {
  if (slotOf_[block] >= 0) return pool_[static_cast<size_t>(slotOf_[block])].get();
  if (used_ == pool_.size()) pool_.push_back(std::make_unique<uint8_t[]>(kRawBlockSize));
  uint8_t *raw = pool_[used_].get();
  read(block, raw);
  slotOf_[block] = static_cast<int32_t>(used_++);
  touched_.push_back(block);
  return raw;
}

bool PoolStorage::read(uint32_t block, uint8_t *raw) {
  if (block >= blocks_) return false;
  if (slotOf_[block] >= 0)
    std::memcpy(raw, pool_[static_cast<size_t>(slotOf_[block])].get(), kRawBlockSize);
  else if (base_ && (*base_)[block])
    std::memcpy(raw, (*base_)[block]->data(), kRawBlockSize);
  else
    std::memset(raw, 0xFF, kRawBlockSize);
  return true;
}

bool PoolStorage::write(uint32_t block, const uint8_t *raw) {
  if (block >= blocks_) return false;
  std::memcpy(slot(block), raw, kRawBlockSize);
  return true;
}

bool PoolStorage::erase(uint32_t block) {
  if (block >= blocks_) return false;
  std::memset(slot(block), 0xFF, kRawBlockSize);
  return true;
}

bool PoolStorage::program(uint32_t block, const uint8_t *raw, uint32_t pages) {
  if (block >= blocks_) return false;
  uint8_t *cells = slot(block);
  size_t n = static_cast<size_t>(pages) * kRawPageSize;
  for (size_t i = 0; i < n; ++i) cells[i] &= raw[i];
  return true;
}

PoolChip::PoolChip(uint32_t blocks)
    : storage(new PoolStorage(blocks)), flash(std::unique_ptr<q417io::Storage>(storage)) {}

void PoolChip::reset(const PoolStorage::Snapshot *base) {
  storage->reset(base);
  flash.reconnect();
}

}  // namespace fuzz
