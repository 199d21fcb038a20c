#include "ChipImage.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "components/ScriptedJobUi.h"
#include "recorder/Layout.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/DefaultImage.h"
#include "testsupport/MemoryFlashIo.h"
#include "voice/VoiceHeader.h"

namespace fuzz {

using namespace recorder;

void InputBytes::take(uint8_t *out, size_t n) {
  size_t have = pos_ < size_ ? std::min(n, size_ - pos_) : 0;
  if (have) std::memcpy(out, data_ + pos_, have);
  std::memset(out + have, 0xFF, n - have);
  pos_ += n;
}

uint8_t InputBytes::byte() {
  uint8_t b;
  take(&b, 1);
  return b;
}

uint32_t InputBytes::u16() {
  uint8_t b[2];
  take(b, 2);
  return readU16(b);
}

uint32_t InputBytes::u24() {
  uint8_t b[3];
  take(b, 3);
  return readU24(b);
}

namespace {

uint8_t *scratchBlock() {
  static std::vector<uint8_t> raw(kRawBlockSize);
  return raw.data();
}

// Data bytes of the blocks that block records lay: no byte is 0xFF.
const uint8_t *pattern() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> b(kBlockDataSize);
    for (uint32_t i = 0; i < kBlockDataSize; ++i) b[i] = static_cast<uint8_t>((i * 7u + i / 251u + 1u) % 255u);
    return b;
  }();
  return bytes.data();
}

}  // namespace

uint32_t describedBlockCount(const uint8_t *data, size_t size) {
  uint8_t options = size ? data[0] : 0xFF;
  return options & chip::kLargeChip ? 2048 : 1024;
}

void layBlocks(q417io::Flash &flash, InputBytes &in) {
  uint8_t *raw = scratchBlock();
  const uint32_t blocks = flash.blockCount();
  for (size_t n = 0; n < chip::kMaxBlockRecords && !in.done(); ++n) {
    uint32_t block = in.u16() % blocks;
    std::memset(raw, 0xFF, kRawBlockSize);
    in.take(raw + rawSpareOffset(0), chip::kSpareBytes);
    in.take(raw + rawSpareOffset(kLastPage), 3);
    uint32_t length = std::min(in.u24(), kBlockDataSize);
    in.take(raw, chip::kBlockHeaderBytes);
    for (uint32_t at = chip::kBlockHeaderBytes; at < length;) {
      uint32_t n = std::min(length, (at / kPageSize + 1) * kPageSize) - at;
      std::memcpy(raw + (at / kPageSize) * kRawPageSize + at % kPageSize, pattern() + at, n);
      at += n;
    }
    flash.poke(block, raw);
  }
}

void layChip(q417io::Flash &flash, const uint8_t *data, size_t size) {
  InputBytes in(data, size);
  const uint8_t options = in.byte();
  const uint32_t blocks = flash.blockCount();
  uint8_t *raw = scratchBlock();
  std::memset(raw, 0xFF, kRawBlockSize);
  in.take(raw + rawDataOffset(sysblock::kHeaderPage), chip::kHeaderBytes);
  for (int f = 1; f <= sysblock::kFolders; ++f) in.take(raw + rawDataOffset(static_cast<uint32_t>(f)), chip::kFolderBytes);
  for (uint32_t done = 0, page = sysblock::kBlockMapPage; done < blocks * 2; done += kPageSize, ++page)
    in.take(raw + rawDataOffset(page), kPageSize);
  in.take(raw + rawSpareOffset(0), chip::kSpareBytes);
  uint8_t checks[chip::kCheckBytes];
  in.take(checks, sizeof checks);
  for (uint32_t p = 0; p < kPagesPerBlock; ++p) {
    uint8_t check = SystemBlock::pageCheckByte(raw + rawDataOffset(p));
    if (options & chip::kGivenCheckBytes && p < chip::kCheckBytes) check = checks[p];
    raw[rawSpareOffset(p) + sysblock::kCheckByte] = check;
  }
  const uint32_t backup = readU16(raw + header::kBackupBlock);
  if (!(options & chip::kNoBackup) && backup != 0 && backup < blocks) flash.poke(backup, raw);
  if (!(options & chip::kNoBlock0)) flash.poke(0, raw);
  layBlocks(flash, in);
}

uint32_t rawDataLength(const uint8_t *raw) {
  for (uint32_t p = kPagesPerBlock; p-- > 0;) {
    const uint8_t *page = raw + rawDataOffset(p);
    for (uint32_t i = kPageSize; i-- > 0;)
      if (page[i] != 0xFF) return p * kPageSize + i + 1;
  }
  return 0;
}

void appendBlockRecord(std::vector<uint8_t> &out, q417io::Flash &flash, uint32_t block) {
  std::vector<uint8_t> raw = flash.peek(block);
  uint8_t b[3];
  writeU16(b, block);
  out.insert(out.end(), b, b + 2);
  const uint8_t *spare0 = raw.data() + rawSpareOffset(0);
  out.insert(out.end(), spare0, spare0 + chip::kSpareBytes);
  const uint8_t *spare63 = raw.data() + rawSpareOffset(kLastPage);
  out.insert(out.end(), spare63, spare63 + 3);
  writeU24(b, rawDataLength(raw.data()));
  out.insert(out.end(), b, b + 3);
  out.insert(out.end(), raw.data(), raw.data() + chip::kBlockHeaderBytes);
}

std::vector<uint8_t> describeChip(q417io::Flash &flash, uint8_t options) {
  const uint32_t blocks = flash.blockCount();
  options = static_cast<uint8_t>((options & ~chip::kLargeChip) | (blocks == 2048 ? chip::kLargeChip : 0));
  std::vector<uint8_t> raw = flash.peek(0);
  std::vector<uint8_t> out{options};
  auto append = [&](size_t at, size_t n) { out.insert(out.end(), raw.data() + at, raw.data() + at + n); };
  append(rawDataOffset(0), chip::kHeaderBytes);
  for (uint32_t f = 1; f <= sysblock::kFolders; ++f) append(rawDataOffset(f), chip::kFolderBytes);
  for (uint32_t done = 0, page = sysblock::kBlockMapPage; done < blocks * 2; done += kPageSize, ++page)
    append(rawDataOffset(page), kPageSize);
  append(rawSpareOffset(0), chip::kSpareBytes);
  for (uint32_t p = 0; p < chip::kCheckBytes; ++p) out.push_back(raw[rawSpareOffset(p)]);
  const uint8_t *map = raw.data() + rawDataOffset(sysblock::kBlockMapPage);
  size_t records = 0;
  for (uint32_t b = 1; b < blocks && records < chip::kMaxBlockRecords; ++b) {
    uint16_t entry = readU16(map + 2 * b);
    if (entry == blockmap::kFree || entry == blockmap::kBad || entry == blockmap::kReserved) continue;
    appendBlockRecord(out, flash, b);
    ++records;
  }
  return out;
}

namespace {

std::vector<uint8_t> voiceBytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  uint32_t x = seed * 2654435761u + 12345u;
  for (auto &b : out) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<uint8_t>(x % 255u);
  }
  return out;
}

void writeFile(const std::filesystem::path &path, const std::vector<uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::abort();
  }
}

std::filesystem::path voiceFile(const std::filesystem::path &dir, const std::string &name, size_t dataBytes,
                                uint32_t seed) {
  std::filesystem::path path = dir / name;
  std::vector<uint8_t> bytes(voice::header::kSize);
  voice::MakeG729FileHeader(bytes.data(), 16, 8000, 1, path.string(), true, voice::HeaderTime{2024, 5, 17, 13, 5, 9});
  std::vector<uint8_t> data = voiceBytes(dataBytes, seed);
  bytes.insert(bytes.end(), data.begin(), data.end());
  writeFile(path, bytes);
  return path;
}

std::filesystem::path plainFile(const std::filesystem::path &dir, const std::string &name, size_t bytes, uint32_t seed) {
  std::filesystem::path path = dir / name;
  writeFile(path, voiceBytes(bytes, seed));
  return path;
}

}  // namespace

BaseChip makeBaseChip(const std::string &name, uint32_t blocks, const std::vector<uint32_t> &factoryBad,
                      const std::vector<PlacedFile> &files) {
  auto flash = q417io::Flash::inMemory(blocks);
  flash->faults().bad.insert(factoryBad.begin(), factoryBad.end());
  recorder::MemoryFlashIo io(*flash);
  components::ScriptedJobUi ui;
  std::vector<recorder::jobs::PlacedFile> placed;
  for (const PlacedFile &f : files) placed.push_back({f.folder, f.file});
  std::string error;
  if (!recorder::jobs::formatAndFill(io, ui, placed, &error)) {
    std::fprintf(stderr, "making the recorder %s failed: %s\n", name.c_str(), error.c_str());
    std::abort();
  }
  return BaseChip{name, blocks, flash->memory()->snapshot()};
}

const std::vector<BaseChip> &baseChips() {
  static const std::vector<BaseChip> chips = [] {
    char pattern[] = "/tmp/quillorn-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::filesystem::path dir(pattern);
    std::vector<BaseChip> made;
    made.push_back(makeBaseChip("filled-1024", 1024, {},
                                {{1, voiceFile(dir, "MEMO0001.DVG", 150000, 1)},
                                 {1, voiceFile(dir, "MEMO0002.DVG", 990, 2)},
                                 {2, voiceFile(dir, "LECTURE.dvg", 300000, 3)},
                                 {3, plainFile(dir, "NOTES.TXT", 3000, 4)}}));
    made.push_back(makeBaseChip("filled-2048", 2048, {},
                                {{4, voiceFile(dir, "MEMO0003.DVG", 40000, 5)},
                                 {1, plainFile(dir, "DATA.BIN", 140000, 6)}}));
    made.push_back(makeBaseChip("bad-blocks-1024", 1024, {7, 300, 301},
                                {{2, voiceFile(dir, "MEMO0004.DVG", 5000, 7)},
                                 {2, voiceFile(dir, "MEMO0005.DVG", 131072, 8)}}));
    made.push_back(makeBaseChip("empty-1024", 1024, {}, {}));
    std::filesystem::remove_all(dir);
    return made;
  }();
  return chips;
}

}  // namespace fuzz
