// q417 [--image PATH] info [--json]: the chip's geometry and capacity, the
// system block's bad blocks and reserved blocks, and any pending job record.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "../Command.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"
#include "recorder_session.h"

namespace {

using namespace recorder;

const char *jobName(uint8_t code) {
  if (code >= jobrecord::kWriteBase + 1 && code <= jobrecord::kWriteBase + 8) return "write";
  if (code >= jobrecord::kDeleteBase + 1 && code <= jobrecord::kDeleteBase + 8) return "delete";
  if (code >= jobrecord::kDeleteAllBase + 1 && code <= jobrecord::kDeleteAllBase + 8) return "delete-folder";
  if (code == jobrecord::kFormat) return "format";
  return "unknown";
}

int jobFolder(uint8_t code) {
  for (uint8_t base : {jobrecord::kWriteBase, jobrecord::kDeleteBase, jobrecord::kDeleteAllBase})
    if (code > base && code <= base + 8) return code - base;
  return 0;
}

int run(tool::Context &ctx) {
  if (!ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 [--image PATH] info [--json]\n");
    return 2;
  }
  tool::RecorderSession s;
  if (!s.open(ctx, "info")) return 1;
  FlashVolume &v = *s.volume;
  const FlashGeometry &g = s.link.geometry;
  v.readOnly = true;
  // Quiet: an unformatted chip is a finding here, not an error.
  bool loaded = SystemBlock(v).GetFlashHeaderInfo();
  std::optional<PendingJob> job;
  if (loaded) {
    std::vector<uint8_t> raw(kRawBlockSize);
    if (BlockIo(v).readRaw(0, raw.data()) && SystemBlock(v).validSystemBlock(raw.data()))
      job = PendingJob::fromSpare(raw.data() + rawSpareOffset(0));
  }
  int available = loaded ? Chains(v).GetFlashAvaliableBlockCount() : 0;
  const SystemImage &image = v.image;

  if (ctx.json) {
    std::printf("{\"flash_id\": %u, \"device_code\": \"0x%02X\", \"pages_per_block\": %u, \"page_size\": %u, "
                "\"spare_size\": %u, \"block_count\": %u, \"last_system_page\": %u, \"block_data_size\": %u, "
                "\"raw_block_size\": %u, \"capacity_mb\": %u, \"file_system\": %s",
                g.flashId, g.flashId & 0xFF, g.pagesPerBlock, g.pageDataSize, g.spareSize, g.blockCount,
                g.lastSystemPage, g.blockDataSize, g.rawBlockSize, g.capacityMB(), loaded ? "true" : "false");
    if (loaded) {
      std::printf(", \"model_name\": %s, \"backup_block\": %u, \"reserved_blocks\": [%u, %u], \"available_blocks\": %d, "
                  "\"bad_blocks\": [",
                  tool::jsonString(image.modelNameText()).c_str(), image.backupBlock(), image.reservedBlock(),
                  image.reservedBlock2(), available);
      for (size_t i = 0; i < v.badBlocks.count(); ++i) std::printf("%s%u", i ? ", " : "", v.badBlocks.blocks()[i]);
      std::printf("], \"pending_job\": ");
      if (!job || job->none())
        std::printf("null");
      else
        std::printf("{\"code\": \"0x%02X\", \"job\": \"%s\", \"folder\": %d, \"number\": %u, \"mode\": \"0x%02X\", "
                    "\"first_block\": %u, \"rewrite\": %s, \"old_value\": %u}",
                    job->code(), jobName(job->code()), jobFolder(job->code()), job->number(), job->mode(),
                    job->firstBlock(), job->flag() == jobrecord::kRewrite ? "true" : "false", job->oldValue());
    }
    std::printf("}\n");
    return 0;
  }

  std::printf("flash id        0x%04X (device code 0x%02X)\n", g.flashId, g.flashId & 0xFF);
  std::printf("geometry        %u blocks x %u pages x (%u + %u) bytes; last system page %u\n", g.blockCount,
              g.pagesPerBlock, g.pageDataSize, g.spareSize, g.lastSystemPage);
  std::printf("capacity        %u MB\n", g.capacityMB());
  if (!loaded) {
    std::printf("file system     none (no valid system block; format the recorder)\n");
    return 0;
  }
  std::printf("model name      %s\n", image.modelNameText().c_str());
  std::printf("system blocks   0, backup %u, reserved %u and %u\n", image.backupBlock(), image.reservedBlock(),
              image.reservedBlock2());
  std::printf("available       %d blocks\n", available);
  std::printf("bad blocks      %u:", v.badBlocks.count());
  for (uint16_t b : v.badBlocks.blocks()) std::printf(" %u", b);
  std::printf("\npending job     ");
  if (!job || job->none())
    std::printf("none\n");
  else
    std::printf("0x%02X %s, folder %d, file %u, mode 0x%02X, first block %u%s\n", job->code(), jobName(job->code()),
                jobFolder(job->code()), job->number(), job->mode(), job->firstBlock(),
                job->flag() == jobrecord::kRewrite ? " (rewrites an entry)" : "");
  return 0;
}

tool::Register reg({"info", "[--json]", "show the chip's geometry, capacity, bad blocks and any pending job", run, {}});

}  // namespace
