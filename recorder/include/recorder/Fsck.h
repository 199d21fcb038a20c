// The file-system checker: reads the flash as it stands (never writes) and
// names every broken invariant of the system block, the folder pages, the
// block map, the data block spares and the bad-block table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/FlashIo.h"
#include "recorder/Geometry.h"

namespace recorder {

struct Violation {
  std::string code;     // stable name, e.g. "chain-length"
  std::string message;  // what and where
};

// The named violations fsck reports.
namespace fsckcode {
inline constexpr const char *kReadError = "read-error";            // a block cannot be read
inline constexpr const char *kSignature = "signature";             // block 0 or the backup lacks it
inline constexpr const char *kCheckBytes = "check-bytes";          // a system page's check byte is wrong
inline constexpr const char *kCopiesDiffer = "copies-differ";      // block 0 and the backup disagree
inline constexpr const char *kFolderCount = "folder-count";        // header folder count is not 8
inline constexpr const char *kFileCount = "file-count";            // above the header's limit
inline constexpr const char *kEntryTail = "entry-tail";            // an entry after the count is not 0xFF
inline constexpr const char *kEntryRange = "entry-range";          // first block or length outside the chip
inline constexpr const char *kChainLength = "chain-length";        // not ceil(pages / 64) blocks
inline constexpr const char *kChainEnd = "chain-end";              // last block's entry is not 0xFAFE
inline constexpr const char *kChainOutside = "chain-outside";      // the map leads outside the chip
inline constexpr const char *kChainThrough = "chain-through";      // passes a free, bad or reserved block
inline constexpr const char *kCrossLinked = "cross-linked";        // a block in two chains (or twice in one)
inline constexpr const char *kSpareLink = "spare-link";            // page 0 spare disagrees with the map
inline constexpr const char *kLastByteCount = "last-byte-count";   // page 63 count not a valid 1..2048
inline constexpr const char *kBlocksUsed = "blocks-used";          // folder field differs from its chains
inline constexpr const char *kOrphanBlock = "orphan-block";        // map entry in use, in no chain
inline constexpr const char *kBadBlocks = "bad-blocks";            // count, table and 0xEEEE disagree
inline constexpr const char *kReserved = "reserved";               // a reserved block's entry is not 0xFAFA
inline constexpr const char *kPendingJob = "pending-job";          // a job record is left
}  // namespace fsckcode

class Fsck {
 public:
  Fsck(FlashIo &io, const FlashGeometry &geometry) : io_(io), geometry_(geometry) {}
  // Every violation found, in the order checked; empty when consistent.
  std::vector<Violation> run();

 private:
  bool read(uint32_t block, std::vector<uint8_t> &raw);
  void add(const char *code, std::string message);
  FlashIo &io_;
  const FlashGeometry &geometry_;
  std::vector<Violation> found_;
};

}  // namespace recorder
