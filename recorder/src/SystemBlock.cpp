#include "recorder/SystemBlock.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "recorder/BlockIo.h"

namespace recorder {

namespace {

void showNoMemory(components::JobUi &ui) {
  ui.messageBox("FM_kind_errormsg0", "FM_text_system_errmsg0", components::MsgKind::Error, components::kButtonsOk);
}

}  // namespace

uint8_t SystemBlock::pageCheckByte(const uint8_t *pageData) {
  uint8_t x = 0;
  for (uint32_t i = 0; i < sysblock::kCheckedBytes; ++i) x ^= pageData[i];
  return static_cast<uint8_t>(x + 1);
}

void SystemBlock::GetCheckSum(const uint8_t *data, uint8_t *spare) {
  std::memset(spare, 0xFF, kSpareImageSize);
  for (uint32_t p = 0; p < kPagesPerBlock; ++p)
    spare[p * kSpareSize + sysblock::kCheckByte] = pageCheckByte(data + p * kPageSize);
}

bool SystemBlock::checkPages(const uint8_t *raw, uint32_t lastPage) {
  for (uint32_t p = 0; p <= lastPage && p < kPagesPerBlock; ++p)
    if (raw[rawSpareOffset(p) + sysblock::kCheckByte] != pageCheckByte(raw + rawDataOffset(p))) return false;
  return true;
}

bool SystemBlock::validSystemBlock(const uint8_t *raw) const { return BlockIo::hasSignature(raw) && CheckCheckSum(raw); }

void SystemBlock::SetDefaultFAT0Info(SystemImage &image, const BadBlockList &bad, uint32_t blockCount) {
  uint8_t *h = image.header();
  uint8_t model[header::kModelNameLength];
  std::memcpy(model, h + header::kModelName, sizeof model);
  std::memset(h, 0xFF, kPageSize);
  std::memcpy(h + header::kSignatureOffset, header::kSignature.data(), header::kSignature.size());
  std::memcpy(h + header::kModelName, model, sizeof model);
  h[header::kFolderCount] = header::kDefaultFolderCount;
  h[header::kFilesPerFolder] = header::kDefaultFilesPerFolder;
  for (const auto &d : header::kDefaultSettings) std::memcpy(h + d.offset, d.bytes.data(), d.bytes.size());
  bad.storeTo(image);

  for (int f = 1; f <= sysblock::kFolders; ++f) {
    std::memset(image.folderPage(f), 0xFF, kPageSize);
    image.setFileCount(f, 0);
    image.setBlocksUsed(f, 0);
  }

  std::memset(image.blockMap(), 0xFF, sysblock::kImageSize - sysblock::kBlockMapPage * kPageSize);
  for (uint16_t b : bad.blocks())
    if (b < blockCount) image.setMapEntry(b, blockmap::kBad);

  auto firstFreeFrom = [&](uint32_t from, uint32_t fallback) {
    for (uint32_t b = from; b < blockCount; ++b)
      if (image.mapEntry(b) == blockmap::kFree) return b;
    return fallback;
  };
  uint32_t a = firstFreeFrom(1, 1);
  uint32_t b = firstFreeFrom(a + 1, 2);
  uint32_t c = firstFreeFrom(b + 1, 3);
  writeU16(h + header::kSystemBlock, 0);
  writeU16(h + header::kBackupBlock, a);
  writeU16(h + header::kReservedBlock, b);
  writeU16(h + header::kReservedBlock2, c);
  for (uint32_t r : {0u, a, b, c}) image.setMapEntry(r, blockmap::kReserved);
}

void SystemBlock::SetFAT0InfoToBuffer(const SystemImage &image, uint32_t blockCount, uint8_t *data) {
  std::memset(data, 0xFF, kBlockDataSize);
  std::memcpy(data, image.header(), kPageSize);
  for (int f = 1; f <= sysblock::kFolders; ++f)
    std::memcpy(data + (sysblock::kFirstFolderPage + f - 1) * kPageSize, image.folderPage(f), kPageSize);
  uint32_t mapBytes = std::min(blockCount, kMaxBlocks) * sysblock::kMapEntrySize;
  std::memcpy(data + sysblock::kBlockMapPage * kPageSize, image.blockMap(), mapBytes);
}

bool SystemBlock::WriteFATInfoToFlash(uint32_t backup, const uint8_t *data, const uint8_t *spare) {
  BlockIo io(v_);
  v_.loadedBlock0.clear();
  if (io.WriteFlashBlock(0, data, spare) != 0) return false;
  // A backup number of 0 or beyond the chip would only rewrite block 0 or
  // fail; such a header is refused when the index loads.
  if (backup != 0 && backup < v_.blockCount()) io.WriteFlashBlock(backup, data, spare);
  return true;
}

bool SystemBlock::WriteSystemImage(const PendingJob *job) {
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[kBlockDataSize]);
  std::unique_ptr<uint8_t[]> spare(new (std::nothrow) uint8_t[kSpareImageSize]);
  if (!data || !spare) {
    showNoMemory(v_.ui);
    return false;
  }
  SetFAT0InfoToBuffer(v_.image, v_.blockCount(), data.get());
  GetCheckSum(data.get(), spare.get());
  if (job) job->storeTo(spare.get());
  return WriteFATInfoToFlash(v_.image.backupBlock(), data.get(), spare.get());
}

void SystemBlock::loadImage(const uint8_t *raw, uint32_t blockCount, SystemImage &image, BadBlockList &bad) {
  std::memcpy(image.header(), raw + rawDataOffset(sysblock::kHeaderPage), kPageSize);
  bad.loadFrom(image);
  for (int f = 1; f <= sysblock::kFolders; ++f) {
    uint8_t *page = image.folderPage(f);
    std::memcpy(page, raw + rawDataOffset(sysblock::kFirstFolderPage + f - 1), kPageSize);
    // An erased blocks-used field counts as 0.
    if (page[folderpage::kBlocksUsed] == 0xFF) writeU24(page + folderpage::kBlocksUsed, 0);
  }
  uint32_t mapBytes = std::min(blockCount, kMaxBlocks) * sysblock::kMapEntrySize;
  std::memset(image.blockMap(), 0xFF, sysblock::kImageSize - sysblock::kBlockMapPage * kPageSize);
  for (uint32_t done = 0, page = sysblock::kBlockMapPage; done < mapBytes; done += kPageSize, ++page)
    std::memcpy(image.blockMap() + done, raw + rawDataOffset(page), std::min(kPageSize, mapBytes - done));
}

bool SystemBlock::GetFlashHeaderInfo() {
  auto raw = allocRawBlock();
  if (!raw) {
    showNoMemory(v_.ui);
    return false;
  }
  BlockIo io(v_);
  v_.loadedBlock0.clear();
  // A block 0 that a cut-off write left with its signature but torn or
  // erased system pages fails its check bytes and is treated as missing.
  bool valid = io.checkedRead(0, raw.get()) && validSystemBlock(raw.get());
  bool fromBlock0 = valid;
  if (!valid) {
    if (v_.readOnly) {
      valid = findValidCopy(1, raw.get()) != 0;
    } else if (FindFAT1ToLinear(1)) {
      valid = fromBlock0 = io.checkedRead(0, raw.get()) && validSystemBlock(raw.get());
    }
  }
  if (!valid) {
    v_.link.indexed = false;
    v_.link.DisconnectUSB();
    return false;
  }
  loadImage(raw.get());
  if (fromBlock0) v_.loadedBlock0.assign(raw.get(), raw.get() + kRawBlockSize);
  return true;
}

uint32_t SystemBlock::findValidCopy(uint32_t first, uint8_t *raw) {
  BlockIo io(v_);
  uint32_t count = v_.blockCount();
  std::string label = v_.ui.text("FM_Caption_text4") + " - ";
  v_.ui.noticeOpen(label + std::to_string(count > first ? count - first : 0));
  uint32_t found = 0;
  for (uint32_t b = first; b < count; ++b) {
    v_.ui.noticeText(label + std::to_string(count - b));
    if (!v_.link.deviceOpen) break;
    BlockIo::Read r = io.readClean(b, raw, damage::kCopySearch, BlockIo::Retry{false, false, false});
    if (r == BlockIo::Read::Failed) break;
    if (r == BlockIo::Read::Damaged || !BlockIo::hasSignature(raw)) continue;
    // Read once more until clean, whatever the library says, then test the
    // check bytes of the system pages.
    if (io.readClean(b, raw, damage::kCopySearch, BlockIo::Retry{true, false, false}) != BlockIo::Read::Ok) continue;
    if (!CheckCheckSum(raw)) continue;
    found = b;
    break;
  }
  v_.ui.noticeClose();
  return found;
}

bool SystemBlock::FindFAT1ToLinear(uint32_t first) {
  auto raw = allocRawBlock();
  if (!raw) {
    showNoMemory(v_.ui);
    return false;
  }
  if (findValidCopy(first, raw.get()) == 0) return false;
  // A refused erase or write only initialises the library again; the
  // caller's second read of block 0 tells whether the copy arrived.
  BlockIo(v_).writeRaw(0, raw.get());
  return true;
}

}  // namespace recorder
