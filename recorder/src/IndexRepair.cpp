#include "recorder/IndexRepair.h"

#include <algorithm>
#include <cstdio>

#include "recorder/Chains.h"
#include "recorder/IndexCheck.h"

namespace recorder {

namespace {

std::string hex16(uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFF);
  return buf;
}

}  // namespace

IndexRepair planIndexRepair(const SystemImage &image, uint32_t chipBlocks) {
  IndexRepair repair;
  const uint32_t chip = std::min(chipBlocks, kMaxBlocks);
  const IndexCheck check = checkIndex(image, chip);
  for (const Violation &v : check.violations)
    if (v.severity == Severity::Unlistable) repair.blockers.push_back(v.message);
  // Folders beyond a smaller count are not listed: their blocks would be
  // freed under recordings the header merely hides.
  if (image.folderCount() != sysblock::kFolders)
    repair.blockers.push_back("the header's folder count is " + std::to_string(image.folderCount()) + ", not 8");
  for (const ListedChain &chain : check.chains) {
    if (chain.unsafe.empty()) continue;
    // Only a last block that the map calls free is mended: a bad or
    // reserved mark may be true, and a chain that cannot be followed has
    // no known blocks.
    if (!chain.sound || image.mapEntry(chain.blocks.back()) != blockmap::kFree) repair.blockers.push_back(chain.unsafe);
  }
  if (!repair.blockers.empty()) return repair;

  SystemImage &out = repair.image;
  out = image;
  for (uint32_t b = 0; b < chip; ++b) {
    const uint16_t e = image.mapEntry(b);
    if (e != blockmap::kBad && e != blockmap::kReserved) out.setMapEntry(b, blockmap::kFree);
  }
  for (uint32_t i = 0; i < std::min<uint32_t>(image.badBlockCount(), header::kBadBlockTableEntries); ++i)
    if (image.badBlockTableEntry(i) < chip) out.setMapEntry(image.badBlockTableEntry(i), blockmap::kBad);
  for (uint32_t b : {image.systemBlock(), image.backupBlock(), image.reservedBlock(), image.reservedBlock2()})
    if (b < chip) out.setMapEntry(b, blockmap::kReserved);
  std::vector<uint32_t> used(sysblock::kFolders + 1, 0);
  for (const ListedChain &chain : check.chains) {
    for (size_t j = 0; j + 1 < chain.blocks.size(); ++j)
      out.setMapEntry(chain.blocks[j], static_cast<uint16_t>(chain.blocks[j + 1]));
    out.setMapEntry(chain.blocks.back(), blockmap::kLast);
    used[static_cast<size_t>(chain.folder)] += Chains::blocksForPages(chain.pages);
  }
  for (int f = 1; f <= sysblock::kFolders; ++f) {
    out.setBlocksUsed(f, used[static_cast<size_t>(f)]);
    if (out.blocksUsed(f) != image.blocksUsed(f))
      repair.changes.push_back("folder " + std::to_string(f) + ": blocks used " + std::to_string(image.blocksUsed(f)) +
                               " -> " + std::to_string(out.blocksUsed(f)));
  }
  for (uint32_t b = 0; b < chip; ++b)
    if (out.mapEntry(b) != image.mapEntry(b))
      repair.changes.push_back("block " + std::to_string(b) + ": " + hex16(image.mapEntry(b)) + " -> " +
                               hex16(out.mapEntry(b)));
  return repair;
}

}  // namespace recorder
