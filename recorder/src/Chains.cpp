#include "recorder/Chains.h"

#include <algorithm>
#include <cstring>

#include "recorder/BlockIo.h"
#include "recorder/SystemBlock.h"

namespace recorder {

void Chains::encodeLastPageCount(uint32_t n, uint8_t *bytes) {
  uint32_t q = n / 512, r = n % 512;
  if (r == 0 && q > 0) r = 512, q -= 1;
  writeU16(bytes, r);
  bytes[2] = static_cast<uint8_t>(q);
}

bool Chains::fileBlocks(uint32_t first, uint32_t pages, std::vector<uint32_t> &blocks) const {
  blocks.clear();
  uint32_t count = v_.blockCount();
  uint32_t n = blocksForPages(pages);
  if (pages == 0 || first >= count || n > count) return false;
  blocks.reserve(n);
  uint32_t cur = first;
  blocks.push_back(cur);
  for (uint32_t k = 1; k < n; ++k) {
    cur = v_.image.mapEntry(cur);
    if (cur >= count) return false;
    blocks.push_back(cur);
  }
  return true;
}

void Chains::buildChainSpare(uint32_t next, int count, uint8_t *spare) {
  std::memset(spare, 0xFF, kSpareImageSize);
  uint8_t *link = spare + dataspare::kNextPage * kSpareSize + dataspare::kNext;
  writeU16(link, next == 0 ? blockmap::kLast : next);
  if (count >= 0) encodeLastPageCount(static_cast<uint32_t>(count), spare + dataspare::kCountPage * kSpareSize + dataspare::kCount);
}

bool Chains::GetFlashBlockNextChainInfo(uint32_t next, uint8_t *spare, int count) {
  buildChainSpare(next, count, spare);
  return next != 0 && BlockIo(v_).erase(next) == 0;
}

uint32_t dataLength(const uint8_t *raw) {
  for (uint32_t p = kPagesPerBlock; p-- > 0;) {
    const uint8_t *page = raw + rawDataOffset(p);
    for (uint32_t i = kPageSize; i-- > 0;)
      if (page[i] != 0xFF) return p * kPageSize + i + 1;
  }
  return 0;
}

bool Chains::chainReadError() {
  v_.ui.progressClose();
  v_.ui.messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg13", components::MsgKind::Error, components::kButtonsOk);
  v_.link.DisconnectUSB();
  return false;
}

bool Chains::readChainBlock(uint32_t block, uint8_t *raw) {
  if (block >= v_.blockCount()) return false;
  return BlockIo(v_).readClean(block, raw, damage::kChainWalk, BlockIo::Retry{true, false, true}) == BlockIo::Read::Ok;
}

bool Chains::GetEndOfBlockAndFix(uint32_t start, uint8_t mode, std::vector<uint32_t> &blocks, uint32_t &pagesInLast,
                                 const std::function<bool(uint32_t)> &mayFollow) {
  blocks.clear();
  pagesInLast = 0;
  chainEnd_ = ChainEnd::Failed;
  headerPage_.clear();
  // The block read last and the one before it: going back one block from
  // an erased chain end needs no second read.
  auto raw = allocRawBlock();
  auto prev = allocRawBlock();
  if (!raw || !prev) {
    v_.ui.messageBox("FM_kind_errormsg0", "FM_text_system_errmsg0", components::MsgKind::Error, components::kButtonsOk);
    return false;
  }
  const uint32_t chip = v_.blockCount();
  std::vector<bool> visited(chip, false);
  uint32_t cur = start;
  for (;;) {
    v_.ui.pump();
    if (!v_.link.deviceOpen) {
      v_.link.DisconnectUSB();
      return false;
    }
    // Damaged links can loop or run on past the chip's end: a block seen
    // before, a block beyond the chip or a chain longer than the chip ends
    // as an unreadable block does, before anything is written.
    if (cur >= chip || visited[cur] || blocks.size() >= chip) return chainReadError();
    std::swap(raw, prev);
    if (!readChainBlock(cur, raw.get())) return chainReadError();
    if (blocks.empty()) headerPage_.assign(raw.get() + rawDataOffset(0), raw.get() + rawDataOffset(0) + kPageSize);
    visited[cur] = true;
    blocks.push_back(cur);
    uint16_t next = BlockIo::nextLink(raw.get());
    if (next == blockmap::kFree || next == blockmap::kLast) break;
    if (mayFollow && !mayFollow(next)) break;
    cur = next;
  }

  // blocks.back() is the last block written; count is the number before it.
  // prev holds block count - 1 while havePrev is set.
  size_t count = blocks.size() - 1;
  bool havePrev = count > 0;
  auto back = [&]() {
    --count;
    if (havePrev) {
      std::swap(raw, prev);
      havePrev = false;
      return true;
    }
    return readChainBlock(blocks[count], raw.get());
  };
  uint32_t len = dataLength(raw.get());
  // A linked block that was erased but never written holds nothing: the file
  // ends in the block before it. Going back repeats while a block holds only
  // 0xFF bytes, since trailing 0xFF bytes are not part of the file.
  while (len == 0) {
    if (count == 0) {
      if (SystemBlock(v_).WriteSystemImage()) chainEnd_ = ChainEnd::NothingWritten;
      blocks.clear();
      return false;
    }
    if (!back()) return chainReadError();
    len = dataLength(raw.get());
  }

  if (fileheader::isVoiceMode(mode)) {
    int64_t voice = static_cast<int64_t>(count) * kBlockDataSize + len - kPageSize;
    if (voice < 0) voice = 0;  // not even the header page is complete: keep the header page alone
    voice -= voice % kVoiceFrameBytes;
    int64_t total = voice + kPageSize;
    size_t newCount = static_cast<size_t>((total - 1) / kBlockDataSize);
    len = static_cast<uint32_t>(total - static_cast<int64_t>(newCount) * kBlockDataSize);
    // When the cut removes more than the last block holds (fewer than 10
    // bytes in it), the file now ends in the block before: that block is
    // rewritten as the last one, exactly as the last block would have been.
    // The block after it is left as it stands: it is not entered in the
    // block map, so it stays free, and a later write erases it before use.
    // Erasing it here would only add a flash operation that a cut can tear.
    if (newCount < count && !back()) return chainReadError();
    uint32_t from = (len / kPageSize) * kRawPageSize + len % kPageSize;
    std::memset(raw.get() + from, 0xFF, kRawBlockSize - from);
  }

  std::memcpy(prev.get(), raw.get(), kRawBlockSize);  // the last block as it stands
  pagesInLast = (len + kPageSize - 1) / kPageSize;
  uint32_t lastPageBytes = len % kPageSize == 0 ? kPageSize : len % kPageSize;
  uint8_t *spare0 = raw.get() + rawSpareOffset(dataspare::kNextPage);
  std::memset(spare0, 0xFF, kSpareSize);
  writeU16(spare0 + dataspare::kNext, blockmap::kLast);
  encodeLastPageCount(lastPageBytes, raw.get() + rawSpareOffset(dataspare::kCountPage) + dataspare::kCount);
  // A last block that already ends the file as repaired (the cut came
  // after it was written) is left alone: rewriting it would only open a
  // window in which a cut erases it. A refused erase or write initialises
  // the library again, and the chain is not entered: its last block may now
  // be erased, and the pending job stays for the next connection.
  const bool complete = std::memcmp(prev.get(), raw.get(), kRawBlockSize) == 0;
  if (!complete && BlockIo(v_).writeRaw(blocks[count], raw.get()) != 0) return false;
  blocks.resize(count + 1);
  chainEnd_ = ChainEnd::Repaired;
  return true;
}

bool Chains::AddFlashBadBlock(uint32_t block) {
  SystemImage &image = v_.image;
  // The header's table holds 128 entries; a block beyond it is still
  // marked bad in the block map, so it is never used again.
  if (v_.badBlocks.add(block)) {
    uint32_t n = v_.badBlocks.count();
    image.header()[header::kBadBlockCount] = static_cast<uint8_t>(n);
    writeU16(image.header() + header::kBadBlockTable + 2 * (n - 1), block);
  }
  image.setMapEntry(block, blockmap::kBad);
  return SystemBlock(v_).WriteSystemImage();
}

uint32_t Chains::GetFlashWriteableBlock(uint32_t start, const uint32_t *exclude, size_t n) const {
  uint32_t count = v_.blockCount();
  if (count < kTopSpareBlocks + 1) return 0;
  for (uint32_t a = start; a <= count - kTopSpareBlocks - 1; ++a) {
    if (v_.image.mapEntry(a) != blockmap::kFree || v_.badBlocks.contains(a)) continue;
    if (exclude && std::find(exclude, exclude + n, a) != exclude + n) continue;
    return a;
  }
  return 0;
}

uint32_t Chains::writableBlockCount(uint32_t start) const {
  const uint32_t count = v_.blockCount();
  uint32_t n = 0;
  for (uint32_t a = start; a + kTopSpareBlocks < count; ++a)
    if (v_.image.mapEntry(a) == blockmap::kFree && !v_.badBlocks.contains(a)) ++n;
  return n;
}

int Chains::GetFlashAvaliableBlockCount() const {
  return static_cast<int>(v_.blockCount()) - static_cast<int>(v_.image.totalBlocksUsed()) -
         static_cast<int>(v_.image.badBlockCount()) - static_cast<int>(kUnavailableBlocks);
}

}  // namespace recorder
