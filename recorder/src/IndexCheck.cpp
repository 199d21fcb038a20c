#include "recorder/IndexCheck.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "recorder/Chains.h"

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

const char *markName(uint16_t entry) {
  switch (entry) {
    case blockmap::kFree: return "free";
    case blockmap::kBad: return "bad";
    case blockmap::kReserved: return "reserved";
    default: return nullptr;
  }
}

class Checker {
 public:
  Checker(const SystemImage &image, uint32_t chip) : image_(image), chip_(chip), owner_(chip, 0) {}

  IndexCheck run() {
    header();
    badBlocks();
    const int folders = std::min<int>(image_.folderCount(), sysblock::kFolders);
    for (int f = 1; f <= folders; ++f) folder(f);
    strayEntries();
    return std::move(out_);
  }

 private:
  void add(const char *code, Severity severity, std::string message) {
    out_.violations.push_back({code, std::move(message), severity});
  }
  void unsafe(ListedChain &chain, const char *code, std::string message) {
    chain.unsafe = message;
    add(code, Severity::Unsafe, std::move(message));
  }

  void header() {
    if (image_.folderCount() != sysblock::kFolders)
      add(fsckcode::kFolderCount, image_.folderCount() > sysblock::kFolders ? Severity::Unlistable : Severity::Inconsistent,
          "folder count is " + std::to_string(image_.folderCount()) + ", not 8");
    const std::pair<const char *, uint32_t> fields[] = {{"system", image_.systemBlock()},
                                                        {"backup", image_.backupBlock()},
                                                        {"reserved", image_.reservedBlock()},
                                                        {"second reserved", image_.reservedBlock2()}};
    for (auto &[name, b] : fields) {
      // Without a copy the system image has nowhere to go but block 0.
      const bool backup = std::string_view(name) == "backup";
      const Severity severity = backup ? Severity::Unlistable : Severity::Inconsistent;
      if (b >= chip_ || (backup && b == 0)) {
        add(fsckcode::kReserved, severity,
            std::string(name) + " block " + std::to_string(b) + (b == 0 ? " is block 0 itself" : " lies outside the chip"));
        continue;
      }
      reserved_.insert(b);
      if (image_.mapEntry(b) != blockmap::kReserved)
        add(fsckcode::kReserved, severity,
            std::string(name) + " block " + std::to_string(b) + " reads " + hex16(image_.mapEntry(b)) +
                " in the block map, not 0xFAFA");
    }
  }

  void badBlocks() {
    const uint32_t count = image_.badBlockCount();
    if (count > header::kBadBlockTableEntries)
      add(fsckcode::kBadBlocks, Severity::Inconsistent,
          "bad-block count " + std::to_string(count) + " above the table's 128 entries");
    for (uint32_t i = 0; i < header::kBadBlockTableEntries; ++i) {
      uint16_t e = image_.badBlockTableEntry(i);
      if (i < count) {
        if (e >= chip_)
          add(fsckcode::kBadBlocks, Severity::Inconsistent,
              "bad-block table entry " + std::to_string(i) + " (" + hex16(e) + ") lies outside the chip");
        else
          listedBad_.insert(e);
      } else if (e != 0xFFFF) {
        add(fsckcode::kBadBlocks, Severity::Inconsistent,
            "bad-block table entry " + std::to_string(i) + " beyond the count holds " + hex16(e));
      }
    }
    for (uint32_t b = 0; b < chip_; ++b) {
      bool mappedBad = image_.mapEntry(b) == blockmap::kBad;
      if (mappedBad && !listedBad_.count(b))
        add(fsckcode::kBadBlocks, Severity::Inconsistent,
            "block " + std::to_string(b) + " is 0xEEEE in the block map but not in the table");
      if (!mappedBad && listedBad_.count(b))
        add(fsckcode::kBadBlocks, Severity::Inconsistent,
            "block " + std::to_string(b) + " is listed bad but reads " + hex16(image_.mapEntry(b)) + " in the block map");
    }
  }

  void folder(int f) {
    const uint32_t limit = image_.filesPerFolder();
    const uint32_t count = image_.fileCount(f);
    if (count > limit || count > folderpage::kMaxEntries)
      add(fsckcode::kFileCount, Severity::Unlistable,
          "folder " + std::to_string(f) + ": file count " + std::to_string(count) + " above the limit " +
              std::to_string(limit));
    // Entries beyond the limit are not entries at all.
    const uint32_t slots = std::min<uint32_t>(limit, folderpage::kMaxEntries);
    const uint32_t entries = std::min(count, slots);
    for (uint32_t i = entries; i < slots; ++i)
      if (!image_.entryErased(f, i)) {
        add(fsckcode::kEntryTail, Severity::Inconsistent,
            "folder " + std::to_string(f) + ": entry " + std::to_string(i + 1) + " after the file count is not 0xFF");
        break;
      }

    uint64_t used = 0;
    for (uint32_t i = 0; i < entries; ++i) {
      const SystemImage::Entry e = image_.entry(f, i);
      const std::string name = fileName(f, i);
      if (image_.entryErased(f, i)) {
        add(fsckcode::kEntryRange, Severity::Unlistable, name + ": the entry reads 0xFF within the file count");
        break;
      }
      const uint32_t expected = Chains::blocksForPages(e.pages);
      used += expected;
      if (e.firstBlock >= chip_ || e.pages == 0 || expected > chip_) {
        add(fsckcode::kEntryRange, Severity::Unlistable,
            name + ": first block " + std::to_string(e.firstBlock) + ", " + std::to_string(e.pages) +
                " pages lie outside the chip");
        continue;
      }
      out_.chains.push_back(walk(f, i, e));
    }
    if (used != image_.blocksUsed(f))
      add(fsckcode::kBlocksUsed, Severity::Inconsistent,
          "folder " + std::to_string(f) + ": blocks used " + std::to_string(image_.blocksUsed(f)) +
              ", its chains hold " + std::to_string(used));
  }

  ListedChain walk(int f, uint32_t i, SystemImage::Entry e) {
    ListedChain chain{f, i, e.pages, {}, false, {}};
    const std::string name = fileName(f, i);
    const int id = f * 1000 + static_cast<int>(i) + 1;
    const uint32_t expected = Chains::blocksForPages(e.pages);
    uint32_t cur = e.firstBlock;
    for (uint32_t k = 0; k < expected; ++k) {
      if (cur >= chip_) {
        unsafe(chain, fsckcode::kChainOutside, name + ": the block map leads to " + hex16(cur) + ", outside the chip");
        return chain;
      }
      if (owner_[cur] != 0) {
        unsafe(chain, fsckcode::kCrossLinked,
               name + ": block " + std::to_string(cur) +
                   (owner_[cur] == id ? " comes twice in its chain"
                                      : " also belongs to " + fileName(owner_[cur] / 1000, owner_[cur] % 1000 - 1)));
        return chain;
      }
      owner_[cur] = id;
      chain.blocks.push_back(cur);
      if (listedBad_.count(cur) || reserved_.count(cur)) {
        unsafe(chain, fsckcode::kChainThrough,
               name + ": chain passes " + (listedBad_.count(cur) ? "a bad" : "a reserved") + " block, " +
                   std::to_string(cur));
        return chain;
      }
      const uint16_t entry = image_.mapEntry(cur);
      const char *mark = markName(entry);
      if (k + 1 == expected) {
        // A last block that the map calls free is the next write's first victim.
        if (mark)
          unsafe(chain, fsckcode::kChainEnd,
                 name + ": last block " + std::to_string(cur) + " is marked " + mark + " in the block map");
        else if (entry != blockmap::kLast)
          add(fsckcode::kChainEnd, Severity::Inconsistent,
              name + ": last block " + std::to_string(cur) + " reads " + hex16(entry) + " in the block map, not 0xFAFE (" +
                  std::to_string(expected) + " blocks expected)");
        chain.sound = true;
        return chain;
      }
      if (entry == blockmap::kLast) {
        unsafe(chain, fsckcode::kChainLength,
               name + ": chain ends after " + std::to_string(k + 1) + " blocks, " + std::to_string(e.pages) +
                   " pages need " + std::to_string(expected));
        return chain;
      }
      if (mark) {
        unsafe(chain, fsckcode::kChainThrough,
               name + ": chain passes block " + std::to_string(cur) + ", marked " + mark + " in the block map");
        return chain;
      }
      cur = entry;
    }
    return chain;
  }

  void strayEntries() {
    for (uint32_t b = 0; b < chip_; ++b) {
      const uint16_t e = image_.mapEntry(b);
      if (e == blockmap::kReserved) {
        if (!reserved_.count(b))
          add(fsckcode::kReserved, Severity::Inconsistent,
              "block " + std::to_string(b) + " reads 0xFAFA but is none of the four reserved blocks");
      } else if (e != blockmap::kFree && e != blockmap::kBad && owner_[b] == 0) {
        add(fsckcode::kOrphanBlock, Severity::Inconsistent,
            "block " + std::to_string(b) + " reads " + hex16(e) + " but is in no chain");
      }
    }
  }

  const SystemImage &image_;
  const uint32_t chip_;
  std::vector<int> owner_;  // 0: in no chain; else folder * 1000 + file number
  std::set<uint32_t> reserved_, listedBad_;
  IndexCheck out_;
};

}  // namespace

std::string IndexCheck::first(Severity severity) const {
  for (const Violation &v : violations)
    if (v.severity == severity) return v.message;
  return {};
}

IndexCheck checkIndex(const SystemImage &image, uint32_t chipBlocks) {
  return Checker(image, std::min(chipBlocks, kMaxBlocks)).run();
}

}  // namespace recorder
