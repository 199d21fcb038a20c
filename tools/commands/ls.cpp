// q417 [--image PATH] ls [--json]: the recorder's folders and recordings, read
// as the application reads them at connection (nothing is written).
#include <cstdio>
#include <algorithm>
#include <string>

#include "../Command.h"
#include "recorder/Chains.h"
#include "recorder/Index.h"
#include "recorder/ListFormats.h"
#include "recorder_session.h"

namespace {

using namespace recorder;

void printJson(const FlashVolume &v, int available) {
  std::printf("{\"capacity_mb\": %u, \"block_count\": %u, \"available_blocks\": %d, \"bad_blocks\": [",
              v.link.geometry.capacityMB(), v.blockCount(), available);
  const auto &bad = v.badBlocks.blocks();
  for (size_t i = 0; i < bad.size(); ++i) std::printf("%s%u", i ? ", " : "", bad[i]);
  std::printf("], \"folders\": [");
  for (int f = 1; f <= sysblock::kFolders; ++f) {
    std::printf("%s{\"folder\": %d, \"files\": [", f > 1 ? ", " : "", f);
    const auto &records = v.directory.records(f);
    for (size_t i = 0; i < records.size(); ++i) {
      const tFLASHFILEINFO &r = records[i];
      std::printf("%s{\"number\": %zu, \"name\": %s, \"ext\": %s, \"mode\": %s, \"flag_p\": \"%c\", \"flag_t\": \"%c\", "
                  "\"date\": \"%s\", \"time\": \"%s\", \"pages\": %u, \"first_block\": %u, \"bytes\": %lld}",
                  i ? ", " : "", i + 1, tool::jsonString(r.name).c_str(), tool::jsonString(r.ext).c_str(),
                  tool::jsonString(r.mode).c_str(), r.flagP, r.flagT, dateText(r).c_str(), timeText(r).c_str(),
                  r.pages, r.firstBlock, static_cast<long long>(listedBytes(r.pages, r.ext)));
    }
    std::printf("]}");
  }
  std::printf("]}\n");
}

void printText(const FlashVolume &v, int available) {
  std::printf("Q417 %u MB, %u blocks, %d available, bad blocks:", v.link.geometry.capacityMB(), v.blockCount(), available);
  if (v.badBlocks.count() == 0) std::printf(" none");
  for (uint16_t b : v.badBlocks.blocks()) std::printf(" %u", b);
  std::printf("\n%s\n", totalText(v.directory).c_str());
  for (int f = 1; f <= sysblock::kFolders; ++f) {
    const auto &records = v.directory.records(f);
    std::printf("\n%d %s (%s)  %s\n", f, folderNodeName(f).c_str(), f <= 4 ? "Voice" : "Mp3",
                folderNodeText(f, records).c_str());
    for (size_t i = 0; i < records.size(); ++i) {
      FileRow row = fileRow(records[i], static_cast<int>(i + 1));
      std::printf("  %-40s %-4s %-6s %s  %s\n", row.caption.c_str(), row.ext.c_str(), row.recMode.c_str(),
                  row.size.c_str(), row.recorded.c_str());
    }
  }
}

int run(tool::Context &ctx) {
  if (!ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 [--image PATH] ls [--json]\n");
    return 2;
  }
  tool::RecorderSession s;
  if (!s.open(ctx, "ls")) return 1;
  s.volume->readOnly = true;
  Index index(*s.volume);
  if (!index.GetFlashIndex()) {
    if (!index.lastFault().empty()) std::fprintf(stderr, "q417 ls: corrupt index: %s\n", index.lastFault().c_str());
    else std::fprintf(stderr, "q417 ls: the recorder's index cannot be read\n");
    return 1;
  }
  if (!s.volume->writeRefusal.empty())
    std::fprintf(stderr, "q417 ls: the index is damaged and nothing is written to it: %s (see q417 fsck --repair)\n",
                 s.volume->writeRefusal.c_str());
  int available = std::max(0, Chains(*s.volume).GetFlashAvaliableBlockCount());
  if (ctx.json)
    printJson(*s.volume, available);
  else
    printText(*s.volume, available);
  return 0;
}

tool::Register reg({"ls", "[--json]", "list the recorder's folders and recordings", run, {}});

}  // namespace
