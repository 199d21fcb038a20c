// The invariants of the recorder's index that the system image alone shows:
// the header's numbers, the folder pages and every listed chain against the
// block map and the bad-block table. One implementation for the checker
// (which adds what only the flash shows) and for the connection, which
// refuses an index it cannot list and refuses writes to one whose chains a
// write could destroy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/SystemImage.h"

namespace recorder {

enum class Severity {
  Unlistable,    // the index cannot be listed at all
  Unsafe,        // listed and readable, but a write could destroy a recording
  Inconsistent,  // counts that disagree: reported, harmless to writes
};

struct Violation {
  std::string code;     // stable name, e.g. "chain-length"
  std::string message;  // what and where
  Severity severity = Severity::Inconsistent;
};

// The named violations the checker reports.
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

// A file's chain as the block map lists it: the first block and pages / 64
// (rounded up) - 1 further blocks through the map.
struct ListedChain {
  int folder = 0;
  uint32_t index = 0;  // from 0
  uint32_t pages = 0;
  std::vector<uint32_t> blocks;  // as far as the walk got
  // Every block lies on the chip, belongs to this chain alone and is
  // neither bad nor reserved; its map entries may still be wrong.
  bool sound = false;
  // The first fault of this chain that a write could make worse, if any.
  std::string unsafe;
};

struct IndexCheck {
  std::vector<Violation> violations;  // in the order checked
  std::vector<ListedChain> chains;    // every listed entry, in folder order
  // The message of the first violation of this severity; empty when none.
  std::string first(Severity severity) const;
};

// Folders 1 to the header's folder count (at most 8) are checked.
IndexCheck checkIndex(const SystemImage &image, uint32_t chipBlocks);

}  // namespace recorder
