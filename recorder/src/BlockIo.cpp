#include "recorder/BlockIo.h"

#include <algorithm>
#include <cstring>
#include <new>


namespace recorder {

std::unique_ptr<uint8_t[]> allocRawBlock() { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kRawBlockSize]); }

bool BlockIo::readRaw(uint32_t block, uint8_t *raw) {
  if (!v_.link.io) return false;
  try {
    return v_.link.io->readBlock(raw, block) == 1;
  } catch (...) {
    return false;
  }
}

BlockIo::Read BlockIo::readClean(uint32_t block, uint8_t *raw, SpareRange range, Retry retry) {
  int damaged = 0;
  for (;;) {
    bool read = readRaw(block, raw);
    if (read && spareClean(raw, range)) return Read::Ok;
    if (!read && !retry.retryFailures) return Read::Failed;
    if (retry.countOnPanel) v_.setRetryCount(v_.retryCount + 1);
    if (++damaged >= kMaxDamagedReads) return Read::Damaged;
    if (retry.pump) v_.ui.pump();
  }
}

bool BlockIo::checkedRead(uint32_t block, uint8_t *raw) {
  SpareRange test = block == 0 ? damage::kSystemBlock : damage::kDataBlock;
  // The backup block holds a system image; while the index is loaded it is
  // read as it stands.
  if (block != 0 && v_.link.indexed && block == v_.image.backupBlock()) test = damage::kUntested;
  Read r = readClean(block, raw, test, Retry{false, true, true});
  if (r == Read::Ok) return true;
  if (r == Read::Damaged) {
    v_.ui.progressClose();
    v_.ui.messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg13", components::MsgKind::Error, components::kButtonsOk);
  }
  return false;
}

int BlockIo::GetFlashBlockInfo(uint32_t block, uint8_t *data, uint32_t &next) {
  auto raw = allocRawBlock();
  if (!raw) {
    v_.ui.messageBox("FM_kind_errormsg0", "FM_text_system_errmsg0", components::MsgKind::Error, components::kButtonsOk);
    return -2;
  }
  if (!checkedRead(block, raw.get())) return -2;
  if (data) rawToData(raw.get(), data);
  if (next == 0) return hasSignature(raw.get()) ? 0 : -1;
  next = nextLink(raw.get());
  return static_cast<int>(lastPageByteCount(raw.get()));
}

void BlockIo::reinitialize() {
  try {
    if (v_.link.io) v_.link.io->initialize();
  } catch (...) {
  }
}

int BlockIo::erase(uint32_t block) {
  if (!v_.link.io) return -1;
  try {
    if (v_.link.io->eraseBlock(block) == 1) return 0;
  } catch (...) {
    reinitialize();
    return -2;
  }
  reinitialize();
  return -1;
}

int BlockIo::writeRaw(uint32_t block, const uint8_t *raw) {
  if (!v_.link.io) return -1;
  try {
    if (v_.link.io->eraseBlock(block) != 1) {
      reinitialize();
      return -1;
    }
    if (v_.link.io->writeBlock(const_cast<uint8_t *>(raw), block) != 1) {
      reinitialize();
      return -1;
    }
    return 0;
  } catch (...) {
    reinitialize();
    return -2;
  }
}

int BlockIo::programErased(uint32_t block, const uint8_t *raw) {
  if (!v_.link.io) return -1;
  try {
    if (v_.link.io->writeBlock(const_cast<uint8_t *>(raw), block) == 1) return 0;
  } catch (...) {
    reinitialize();
    return -2;
  }
  reinitialize();
  return -1;
}

int BlockIo::WriteFlashBlock(uint32_t block, const uint8_t *data, const uint8_t *spare) {
  auto raw = allocRawBlock();
  if (!raw) return -2;
  dataToRaw(data, spare, raw.get());
  return writeRaw(block, raw.get());
}

void BlockIo::rawToData(const uint8_t *raw, uint8_t *data) {
  for (uint32_t p = 0; p < kPagesPerBlock; ++p) std::memcpy(data + p * kPageSize, raw + rawDataOffset(p), kPageSize);
}

void BlockIo::dataToRaw(const uint8_t *data, const uint8_t *spare, uint8_t *raw) {
  for (uint32_t p = 0; p < kPagesPerBlock; ++p) {
    std::memcpy(raw + rawDataOffset(p), data + p * kPageSize, kPageSize);
    if (spare)
      std::memcpy(raw + rawSpareOffset(p), spare + p * kSpareSize, kSpareSize);
    else
      std::memset(raw + rawSpareOffset(p), 0xFF, kSpareSize);
  }
}

bool BlockIo::spareClean(const uint8_t *raw, SpareRange range) {
  const uint8_t *spare = raw + rawSpareOffset(0);
  for (uint32_t i = range.first; i <= range.last; ++i)
    if (spare[i] != 0xFF) return false;
  return true;
}

uint16_t BlockIo::nextLink(const uint8_t *raw) {
  return readU16(raw + rawSpareOffset(dataspare::kNextPage) + dataspare::kNext);
}

uint32_t BlockIo::lastPageByteCount(const uint8_t *raw) {
  const uint8_t *s = raw + rawSpareOffset(dataspare::kCountPage) + dataspare::kCount;
  uint16_t r = readU16(s);
  if (r == 0xFFFF) return 0;
  return r + static_cast<uint32_t>(s[2]) * 512;
}

bool BlockIo::hasSignature(const uint8_t *raw) {
  return std::memcmp(raw + header::kSignatureOffset, header::kSignature.data(), header::kSignature.size()) == 0;
}

}  // namespace recorder
