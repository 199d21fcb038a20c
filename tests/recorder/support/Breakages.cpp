#include "Breakages.h"

#include "recorder/BlockIo.h"
#include "recorder/Fsck.h"
#include "recorder/SystemBlock.h"

namespace rectest {

using namespace recorder;

StandardImage buildStandard(FlashVolume &volume) {
  ImageBuilder b(volume);
  b.format();
  StandardImage s;
  s.files.push_back(b.add({1, "MEMO1", "DVG", 0xAA, false, false, {24, 3, 15}, {13, 5, 9}, ImageBuilder::pattern(4000, 1)}));
  s.files.push_back(b.add({1, "Long talk", "WAV", 0xFF, false, false, {24, 3, 16}, {9, 0, 0}, ImageBuilder::pattern(99 * 2048 - 100, 2)}));
  s.files.push_back(b.add({2, "B1", "DVG", 0x55, true, true, {23, 12, 31}, {0, 59, 59}, ImageBuilder::pattern(300, 3)}));
  s.files.push_back(b.add({5, "song", "MP3", 0xFF, false, false, {24, 1, 2}, {23, 0, 1}, ImageBuilder::pattern(60000, 4)}));
  b.commit();
  return s;
}

namespace {

void rewriteImage(FlashVolume &v) { SystemBlock(v).WriteSystemImage(); }

void editRaw(q417io::Flash &flash, uint32_t block, const std::function<void(std::vector<uint8_t> &)> &edit) {
  std::vector<uint8_t> raw = flash.peek(block);
  edit(raw);
  flash.poke(block, raw.data());
}

using F = FlashVolume;
using Q = q417io::Flash;
using S = StandardImage;

std::vector<Breakage> makeBreakages() {
  return {
      {"signature", fsckcode::kSignature,
       [](F &, Q &q, const S &) {
         editRaw(q, 0, [](auto &raw) {
           raw[0] = 'X';
           raw[rawSpareOffset(0)] = SystemBlock::pageCheckByte(raw.data());
         });
       }},
      {"backup-erased", fsckcode::kSignature,
       [](F &v, Q &q, const S &) {
         std::vector<uint8_t> erased(kRawBlockSize, 0xFF);
         q.poke(v.image.backupBlock(), erased.data());
       }},
      {"check-bytes", fsckcode::kCheckBytes,
       [](F &, Q &q, const S &) { editRaw(q, 0, [](auto &raw) { raw[rawSpareOffset(3)] ^= 0x5A; }); }},
      {"copies-differ", fsckcode::kCopiesDiffer,
       [](F &v, Q &q, const S &) {
         // Beyond the 512 bytes the check byte covers: the copy stays valid.
         editRaw(q, v.image.backupBlock(), [](auto &raw) { raw[rawDataOffset(1) + 1000] ^= 1; });
       }},
      {"folder-count", fsckcode::kFolderCount,
       [](F &v, Q &, const S &) {
         v.image.header()[header::kFolderCount] = 9;
         rewriteImage(v);
       }},
      {"file-count", fsckcode::kFileCount,
       [](F &v, Q &, const S &) {
         v.image.setFileCount(3, 100);
         rewriteImage(v);
       }},
      {"entry-tail", fsckcode::kEntryTail,
       [](F &v, Q &, const S &) {
         v.image.setEntry(2, 1, {50, 3});
         rewriteImage(v);
       }},
      {"entry-first-block", fsckcode::kEntryRange,
       [](F &v, Q &, const S &) {
         v.image.setEntry(2, 0, {5000, v.image.entry(2, 0).pages});
         rewriteImage(v);
       }},
      {"entry-length", fsckcode::kEntryRange,
       [](F &v, Q &, const S &) {
         v.image.setEntry(2, 0, {v.image.entry(2, 0).firstBlock, 0xFFFFFF});
         rewriteImage(v);
       }},
      {"chain-length", fsckcode::kChainLength,
       [](F &v, Q &, const S &) {
         v.image.setEntry(1, 1, {v.image.entry(1, 1).firstBlock, 200});
         rewriteImage(v);
       }},
      {"chain-end", fsckcode::kChainEnd,
       [](F &v, Q &, const S &s) {
         v.image.setMapEntry(s.files[1].blocks[1], blockmap::kFree);
         rewriteImage(v);
       }},
      {"chain-end-linked", fsckcode::kChainEnd,
       [](F &v, Q &, const S &s) {
         // The last block links on to a block of no chain: harmless to writes.
         v.image.setMapEntry(s.files[1].blocks[1], 900);
         v.image.setMapEntry(900, blockmap::kLast);
         rewriteImage(v);
       }},
      {"chain-through-free", fsckcode::kChainThrough,
       [](F &v, Q &, const S &s) {
         v.image.setMapEntry(s.files[1].blocks[0], blockmap::kFree);
         rewriteImage(v);
       }},
      {"chain-outside", fsckcode::kChainOutside,
       [](F &v, Q &, const S &s) {
         v.image.setMapEntry(s.files[1].blocks[0], 0x1234);
         rewriteImage(v);
       }},
      {"chain-through", fsckcode::kChainThrough,
       [](F &v, Q &, const S &s) {
         v.image.setMapEntry(s.files[1].blocks[0], v.image.reservedBlock2());
         rewriteImage(v);
       }},
      {"cross-linked", fsckcode::kCrossLinked,
       [](F &v, Q &, const S &s) {
         v.image.setEntry(2, 0, {static_cast<uint16_t>(s.files[0].blocks[0]), s.files[0].pages});
         rewriteImage(v);
       }},
      {"spare-link", fsckcode::kSpareLink,
       [](F &, Q &q, const S &s) {
         editRaw(q, s.files[1].blocks[0], [](auto &raw) { writeU16(raw.data() + rawSpareOffset(0), 0x0123); });
       }},
      {"last-byte-count", fsckcode::kLastByteCount,
       [](F &, Q &q, const S &s) {
         editRaw(q, s.files[0].blocks[0], [](auto &raw) {
           for (int i = 0; i < 3; ++i) raw[rawSpareOffset(kLastPage) + i] = 0xFF;
         });
       }},
      {"blocks-used", fsckcode::kBlocksUsed,
       [](F &v, Q &, const S &) {
         v.image.setBlocksUsed(1, v.image.blocksUsed(1) + 1);
         rewriteImage(v);
       }},
      {"orphan-block", fsckcode::kOrphanBlock,
       [](F &v, Q &, const S &) {
         v.image.setMapEntry(900, blockmap::kLast);
         rewriteImage(v);
       }},
      {"bad-blocks", fsckcode::kBadBlocks,
       [](F &v, Q &, const S &) {
         v.image.setMapEntry(901, blockmap::kBad);
         rewriteImage(v);
       }},
      {"reserved", fsckcode::kReserved,
       [](F &v, Q &, const S &) {
         v.image.setMapEntry(v.image.reservedBlock2(), blockmap::kFree);
         rewriteImage(v);
       }},
      {"pending-job", fsckcode::kPendingJob,
       [](F &v, Q &, const S &) {
         PendingJob job = PendingJob::write(1, 3, 0xAA, 500);
         SystemBlock(v).WriteSystemImage(&job);
       }},
  };
}

}  // namespace

void PrintTo(const Breakage &b, std::ostream *out) { *out << b.name; }

const std::vector<Breakage> &breakages() {
  static const std::vector<Breakage> all = makeBreakages();
  return all;
}

const Breakage *findBreakage(const std::string &name) {
  for (auto &b : breakages())
    if (b.name == name) return &b;
  return nullptr;
}

}  // namespace rectest
