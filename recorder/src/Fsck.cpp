#include "recorder/Fsck.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"
#include "recorder/SystemImage.h"

namespace recorder {

namespace {

std::string hex16(uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFF);
  return buf;
}

std::string fileName(int folder, uint32_t index) {
  return "folder " + std::to_string(folder) + " file " + std::to_string(index + 1);
}

}  // namespace

void Fsck::add(const char *code, std::string message) { found_.push_back({code, std::move(message)}); }

bool Fsck::read(uint32_t block, std::vector<uint8_t> &raw) {
  raw.resize(kRawBlockSize);
  SpareRange test = block == 0 ? damage::kJobRecord : damage::kDataBlock;
  for (int damaged = 0; damaged < kMaxDamagedReads; ++damaged) {
    int r = 0;
    try {
      r = io_.readBlock(raw.data(), block);
    } catch (...) {
      r = 0;
    }
    if (r == 1 && BlockIo::spareClean(raw.data(), test)) return true;
  }
  add(fsckcode::kReadError, "block " + std::to_string(block) + " cannot be read");
  return false;
}

std::vector<Violation> Fsck::run() {
  found_.clear();
  const uint32_t chip = geometry_.blockCount;
  const uint32_t lastSystemPage = geometry_.lastSystemPage;

  // --- System block and its copy -----------------------------------------------
  auto validity = [&](const std::vector<uint8_t> &raw, const std::string &what) {
    bool ok = true;
    if (!BlockIo::hasSignature(raw.data())) {
      add(fsckcode::kSignature, what + " lacks the signature");
      return false;
    }
    for (uint32_t p = 0; p <= lastSystemPage; ++p) {
      if (raw[rawSpareOffset(p) + sysblock::kCheckByte] != SystemBlock::pageCheckByte(raw.data() + rawDataOffset(p))) {
        add(fsckcode::kCheckBytes, what + ": page " + std::to_string(p) + " has a wrong check byte");
        ok = false;
      }
    }
    return ok;
  };
  auto pending = [&](const std::vector<uint8_t> &raw, const std::string &what) {
    PendingJob job = PendingJob::fromSpare(raw.data() + rawSpareOffset(0));
    if (!job.none()) {
      char buf[96];
      std::snprintf(buf, sizeof buf, ": job record 0x%02X left (file %u, first block %u)", job.code(), job.number(),
                    job.firstBlock());
      add(fsckcode::kPendingJob, what + buf);
    }
  };

  std::vector<uint8_t> block0, backup;
  bool block0Read = read(0, block0);
  bool block0Valid = block0Read && validity(block0, "block 0");
  if (block0Read) pending(block0, "block 0");

  SystemImage image;
  BadBlockList bad;
  uint32_t backupNumber = 0;
  if (block0Valid) {
    SystemBlock::loadImage(block0.data(), chip, image, bad);
    backupNumber = image.backupBlock();
  }
  if (backupNumber == 0 || backupNumber >= chip) {
    if (block0Valid) add(fsckcode::kReserved, "backup block number " + std::to_string(backupNumber) + " lies outside the chip");
    // Without a usable header, the copy is the first valid system block.
    backupNumber = 0;
    std::vector<uint8_t> raw;
    for (uint32_t b = 1; b < chip && !block0Valid; ++b) {
      raw.resize(kRawBlockSize);
      if (io_.readBlock(raw.data(), b) == 1 && BlockIo::hasSignature(raw.data()) &&
          SystemBlock::checkPages(raw.data(), lastSystemPage)) {
        backupNumber = b;
        break;
      }
    }
  }
  bool backupValid = false;
  if (backupNumber != 0 && read(backupNumber, backup)) {
    std::string what = "backup block " + std::to_string(backupNumber);
    backupValid = validity(backup, what);
    pending(backup, what);
    if (block0Valid && backupValid) {
      for (uint32_t p = 0; p <= lastSystemPage; ++p) {
        if (std::memcmp(block0.data() + rawDataOffset(p), backup.data() + rawDataOffset(p), kPageSize) != 0) {
          add(fsckcode::kCopiesDiffer, "block 0 and " + what + " differ in page " + std::to_string(p));
          break;
        }
      }
    }
  } else if (backupNumber == 0) {
    add(fsckcode::kSignature, "no valid copy of the system block");
  }
  if (!block0Valid) {
    if (!backupValid) return found_;  // nothing to check the rest against
    SystemBlock::loadImage(backup.data(), chip, image, bad);
  }

  // --- Header -----------------------------------------------------------------
  if (image.folderCount() != sysblock::kFolders)
    add(fsckcode::kFolderCount, "folder count is " + std::to_string(image.folderCount()) + ", not 8");
  const uint32_t limit = image.filesPerFolder();

  std::set<uint32_t> reservedBlocks;
  const std::pair<const char *, uint32_t> reservedFields[] = {{"system", image.systemBlock()},
                                                              {"backup", image.backupBlock()},
                                                              {"reserved", image.reservedBlock()},
                                                              {"second reserved", image.reservedBlock2()}};
  for (auto &[name, b] : reservedFields) {
    if (b >= chip) {
      add(fsckcode::kReserved, std::string(name) + " block " + std::to_string(b) + " lies outside the chip");
      continue;
    }
    reservedBlocks.insert(b);
    if (image.mapEntry(b) != blockmap::kReserved)
      add(fsckcode::kReserved, std::string(name) + " block " + std::to_string(b) + " reads " + hex16(image.mapEntry(b)) +
                                   " in the block map, not 0xFAFA");
  }

  // Bad-block count, table and map.
  uint32_t badCount = image.badBlockCount();
  std::set<uint32_t> listed;
  if (badCount > header::kBadBlockTableEntries)
    add(fsckcode::kBadBlocks, "bad-block count " + std::to_string(badCount) + " above the table's 128 entries");
  for (uint32_t i = 0; i < header::kBadBlockTableEntries; ++i) {
    uint16_t e = image.badBlockTableEntry(i);
    if (i < badCount) {
      if (e >= chip)
        add(fsckcode::kBadBlocks, "bad-block table entry " + std::to_string(i) + " (" + hex16(e) + ") lies outside the chip");
      else
        listed.insert(e);
    } else if (e != 0xFFFF) {
      add(fsckcode::kBadBlocks, "bad-block table entry " + std::to_string(i) + " beyond the count holds " + hex16(e));
    }
  }
  for (uint32_t b = 0; b < chip; ++b) {
    bool mappedBad = image.mapEntry(b) == blockmap::kBad;
    if (mappedBad && !listed.count(b))
      add(fsckcode::kBadBlocks, "block " + std::to_string(b) + " is 0xEEEE in the block map but not in the table");
    if (!mappedBad && listed.count(b))
      add(fsckcode::kBadBlocks, "block " + std::to_string(b) + " is listed bad but reads " + hex16(image.mapEntry(b)) +
                                    " in the block map");
  }

  // --- Folders and chains ----------------------------------------------------------
  std::vector<int> owner(chip, 0);  // 0: in no chain; else folder * 1000 + file number
  struct Chain {
    int folder;
    uint32_t index;
    std::vector<uint32_t> blocks;
    uint32_t pages;
    bool complete = false;  // the map holds the whole chain: its spares are checked
  };
  std::vector<Chain> chains;
  for (int f = 1; f <= sysblock::kFolders; ++f) {
    uint32_t count = image.fileCount(f);
    if (count > limit)
      add(fsckcode::kFileCount, "folder " + std::to_string(f) + ": file count " + std::to_string(count) +
                                    " above the limit " + std::to_string(limit));
    // Entries beyond the limit are not entries at all.
    uint32_t entries = std::min<uint32_t>({count, limit, folderpage::kMaxEntries});
    for (uint32_t i = entries; i < std::min<uint32_t>(limit, folderpage::kMaxEntries); ++i)
      if (!image.entryErased(f, i)) {
        add(fsckcode::kEntryTail, "folder " + std::to_string(f) + ": entry " + std::to_string(i + 1) +
                                      " after the file count is not 0xFF");
        break;
      }

    uint64_t used = 0;
    for (uint32_t i = 0; i < entries; ++i) {
      SystemImage::Entry e = image.entry(f, i);
      std::string name = fileName(f, i);
      if (image.entryErased(f, i)) {
        add(fsckcode::kEntryRange, name + ": the entry reads 0xFF within the file count");
        break;
      }
      uint32_t expected = Chains::blocksForPages(e.pages);
      used += expected;
      if (e.firstBlock >= chip || e.pages == 0 || expected > chip) {
        add(fsckcode::kEntryRange, name + ": first block " + std::to_string(e.firstBlock) + ", " +
                                       std::to_string(e.pages) + " pages lie outside the chip");
        continue;
      }
      Chain chain{f, i, {}, e.pages};
      const int id = f * 1000 + static_cast<int>(i) + 1;
      uint32_t cur = e.firstBlock;
      for (uint32_t k = 0; k < expected; ++k) {
        if (cur >= chip) {
          add(fsckcode::kChainOutside, name + ": the block map leads to " + hex16(cur) + ", outside the chip");
          break;
        }
        if (owner[cur] != 0) {
          add(fsckcode::kCrossLinked,
              name + ": block " + std::to_string(cur) +
                  (owner[cur] == id ? " comes twice in its chain"
                                    : " also belongs to " + fileName(owner[cur] / 1000, owner[cur] % 1000 - 1)));
          break;
        }
        owner[cur] = id;
        chain.blocks.push_back(cur);
        if (listed.count(cur) || reservedBlocks.count(cur)) {
          add(fsckcode::kChainThrough, name + ": chain passes " + (listed.count(cur) ? "a bad" : "a reserved") +
                                           " block, " + std::to_string(cur));
          break;
        }
        uint16_t entry = image.mapEntry(cur);
        if (k + 1 == expected) {
          if (entry != blockmap::kLast)
            add(fsckcode::kChainEnd, name + ": last block " + std::to_string(cur) + " reads " + hex16(entry) +
                                         " in the block map, not 0xFAFE (" + std::to_string(expected) + " blocks expected)");
          chain.complete = true;
          break;
        }
        if (entry == blockmap::kLast) {
          add(fsckcode::kChainLength, name + ": chain ends after " + std::to_string(k + 1) + " blocks, " +
                                          std::to_string(e.pages) + " pages need " + std::to_string(expected));
          break;
        }
        if (entry == blockmap::kFree || entry == blockmap::kBad || entry == blockmap::kReserved) {
          const char *kind = entry == blockmap::kFree ? "a free" : entry == blockmap::kBad ? "a bad" : "a reserved";
          add(fsckcode::kChainThrough, name + ": chain passes " + kind + " block, " + std::to_string(cur));
          break;
        }
        cur = entry;
      }
      chains.push_back(std::move(chain));
    }
    if (used != image.blocksUsed(f))
      add(fsckcode::kBlocksUsed, "folder " + std::to_string(f) + ": blocks used " + std::to_string(image.blocksUsed(f)) +
                                     ", its chains hold " + std::to_string(used));
  }

  for (uint32_t b = 0; b < chip; ++b) {
    uint16_t e = image.mapEntry(b);
    if (e == blockmap::kFree || e == blockmap::kBad || e == blockmap::kReserved) continue;
    if (owner[b] == 0) add(fsckcode::kOrphanBlock, "block " + std::to_string(b) + " reads " + hex16(e) + " but is in no chain");
  }
  for (uint32_t b = 0; b < chip; ++b)
    if (image.mapEntry(b) == blockmap::kReserved && !reservedBlocks.count(b))
      add(fsckcode::kReserved, "block " + std::to_string(b) + " reads 0xFAFA but is none of the four reserved blocks");

  // --- The chains on the flash ------------------------------------------------------
  std::vector<uint8_t> raw;
  for (const Chain &chain : chains) {
    if (!chain.complete) continue;
    std::string name = fileName(chain.folder, chain.index);
    for (size_t k = 0; k < chain.blocks.size(); ++k) {
      uint32_t b = chain.blocks[k];
      if (!read(b, raw)) break;
      bool last = k + 1 == chain.blocks.size();
      uint16_t mapped = last ? blockmap::kLast : image.mapEntry(b);
      uint16_t link = BlockIo::nextLink(raw.data());
      if (link != mapped)
        add(fsckcode::kSpareLink, name + ": block " + std::to_string(b) + " names " + hex16(link) +
                                      " in its spare, the block map " + hex16(mapped));
      if (last) {
        const uint8_t *s = raw.data() + rawSpareOffset(dataspare::kCountPage) + dataspare::kCount;
        uint32_t r = readU16(s), q = s[2];
        uint32_t n = r + 512 * q;
        if (r < 1 || r > 512 || n > kPageSize)
          add(fsckcode::kLastByteCount, name + ": last block " + std::to_string(b) + " holds no valid byte count (r " +
                                            std::to_string(r) + ", q " + std::to_string(q) + ")");
      }
    }
  }
  return found_;
}

}  // namespace recorder
