// A chip in memory for one execution after another. Written blocks live in
// slots of a pool that is kept from execution to execution; a block never
// written reads from a base snapshot, or as erased. Once the pool has grown
// to what an execution writes, an execution allocates no block memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "q417io/Flash.h"

namespace fuzz {

class PoolStorage final : public q417io::Storage {
 public:
  using Snapshot = q417io::MemoryStorage::Snapshot;

  explicit PoolStorage(uint32_t blocks);
  uint32_t blockCount() const override { return blocks_; }
  bool read(uint32_t block, uint8_t *raw) override;
  bool write(uint32_t block, const uint8_t *raw) override;
  bool erase(uint32_t block) override;
  bool program(uint32_t block, const uint8_t *raw, uint32_t pages) override;

  // Every block as in base (a snapshot of as many blocks; null: an erased
  // chip), which must stay alive until the next reset.
  void reset(const Snapshot *base = nullptr);

 private:
  // The slot of a block, made on first use with the block's present contents.
  uint8_t *slot(uint32_t block);
  uint32_t blocks_;
  const Snapshot *base_ = nullptr;
  std::vector<int32_t> slotOf_;  // -1: the block reads from the base
  std::vector<std::unique_ptr<uint8_t[]>> pool_;
  size_t used_ = 0;
  std::vector<uint32_t> touched_;
};

// A flash over a pool storage, and the storage.
struct PoolChip {
  explicit PoolChip(uint32_t blocks);
  PoolStorage *storage;
  q417io::Flash flash;
  // The chip as base (or erased), with the link back and no faults.
  void reset(const PoolStorage::Snapshot *base = nullptr);
};

}  // namespace fuzz
