#include "recorder/Fsck.h"

#include <cstring>

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

void Fsck::add(const char *code, std::string message, Severity severity) {
  found_.push_back({code, std::move(message), severity});
}

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
    // The index check names the number. Without a usable header, the copy
    // is the first valid system block.
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

  // --- Header, folders, chains and block map --------------------------------------
  IndexCheck index = checkIndex(image, chip);
  found_.insert(found_.end(), index.violations.begin(), index.violations.end());

  // --- The chains on the flash ------------------------------------------------------
  std::vector<uint8_t> raw;
  for (const ListedChain &chain : index.chains) {
    if (!chain.sound) continue;
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
