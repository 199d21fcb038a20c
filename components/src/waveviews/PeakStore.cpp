// The side file of a peak cache, every number little-endian:
//   magic[8] version:u32 baseFrames:u32 levelFactor:u32
//   channels:u16 reserved:u16 sampleRate:u32
//   sourceBytes:u64 sourceMtimeNs:i64 frames:u64
//   levelCount:u32 entries:u64 x levelCount
//   (min:i16 max:i16) x every entry of every level, level 0 first
//   crc32:u32 of everything before it
// A load trusts nothing in it: sizes are checked against the file's own
// length before anything is allocated.
#include "PeakStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "components/base/PendingFile.h"
#include "components/waveviews/PeakCache.h"

namespace components::waveviews {

namespace {

constexpr std::array<uint8_t, 8> kMagic = {'Q', 'L', 'P', 'K', '\r', '\n', 0x1a, '\n'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 8 + 4 + 4 + 4 + 2 + 2 + 4 + 8 + 8 + 8 + 4;
constexpr size_t kCrcBytes = 4;
constexpr size_t kEntryBytes = 4;
// 4^33 base entries would be beyond any 64-bit frame count.
constexpr uint32_t kMaxLevels = 34;

void putLe16(std::vector<uint8_t> &out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void putLe32(std::vector<uint8_t> &out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putLe64(std::vector<uint8_t> &out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint16_t getLe16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t getLe32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint64_t getLe64(const uint8_t *p) { return static_cast<uint64_t>(getLe32(p)) | static_cast<uint64_t>(getLe32(p + 4)) << 32; }

constexpr std::array<uint32_t, 256> kCrcTable = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}();

uint32_t crc32(const uint8_t *data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
  return ~crc;
}

int64_t ceilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

bool fail(std::string *error, const std::string &why) {
  if (error) *error = why;
  return false;
}

std::shared_ptr<PeakCache> refuse(std::string *error, const std::string &why) {
  fail(error, why);
  return nullptr;
}

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool readExactly(std::FILE *f, uint8_t *to, size_t size) { return std::fread(to, 1, size, f) == size; }

}  // namespace

bool stampOf(const std::string &path, SourceStamp &stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp.bytes = static_cast<int64_t>(st.st_size);
  stamp.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return true;
}

bool PeakCache::save(const std::string &peaksPath, std::string *error) const {
  if (path_.empty() || !complete()) return fail(error, "the display data is not complete");
  SourceStamp now;
  if (sourceBytes_ < 0 || !stampOf(path_, now) || !(now == SourceStamp{sourceBytes_, sourceMtimeNs_}))
    return fail(error, "the wave file changed since its display data was built: " + path_);

  size_t entries = 0;
  for (const auto &level : levels_) entries += level.size();
  std::vector<uint8_t> out;
  out.reserve(kHeaderBytes + levels_.size() * 8 + entries * kEntryBytes + kCrcBytes);
  out.insert(out.end(), kMagic.begin(), kMagic.end());
  putLe32(out, kVersion);
  putLe32(out, static_cast<uint32_t>(kBaseFrames));
  putLe32(out, static_cast<uint32_t>(kLevelFactor));
  putLe16(out, static_cast<uint16_t>(channels_));
  putLe16(out, 0);
  putLe32(out, static_cast<uint32_t>(sampleRate_));
  putLe64(out, static_cast<uint64_t>(sourceBytes_));
  putLe64(out, static_cast<uint64_t>(sourceMtimeNs_));
  putLe64(out, static_cast<uint64_t>(frames()));
  putLe32(out, static_cast<uint32_t>(levels_.size()));
  for (const auto &level : levels_) putLe64(out, level.size());
  for (const auto &level : levels_) {
    for (const Peak &p : level) {
      putLe16(out, static_cast<uint16_t>(p.min));
      putLe16(out, static_cast<uint16_t>(p.max));
    }
  }
  putLe32(out, crc32(out.data(), out.size()));

  PendingFile pending(peaksPath);
  if (!pending.created()) return fail(error, "cannot create a file beside " + peaksPath);
  {
    File f(std::fopen(pending.path().c_str(), "wb"));
    if (!f) return fail(error, "cannot write " + pending.path().string());
    const bool written = std::fwrite(out.data(), 1, out.size(), f.get()) == out.size();
    if (!written || std::fclose(f.release()) != 0) return fail(error, "cannot write " + pending.path().string());
  }
  if (!pending.commit()) return fail(error, "cannot rename the display data to " + peaksPath);
  return true;
}

std::shared_ptr<PeakCache> PeakCache::load(const std::string &peaksPath, const std::string &sourcePath,
                                           std::string *error) {
  const std::string damaged = "damaged display data file: " + peaksPath;
  File f(std::fopen(peaksPath.c_str(), "rb"));
  if (!f) return refuse(error, "cannot read " + peaksPath);
  struct stat st {};
  if (::fstat(fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode)) return refuse(error, "cannot read " + peaksPath);
  const uint64_t fileBytes = static_cast<uint64_t>(st.st_size);
  if (fileBytes < kHeaderBytes + kCrcBytes) return refuse(error, damaged);

  std::vector<uint8_t> head(kHeaderBytes);
  if (!readExactly(f.get(), head.data(), head.size())) return refuse(error, damaged);
  const uint8_t *p = head.data();
  if (!std::equal(kMagic.begin(), kMagic.end(), p)) return refuse(error, "not a display data file: " + peaksPath);
  if (getLe32(p + 8) != kVersion) return refuse(error, "unknown display data version: " + peaksPath);
  if (getLe32(p + 12) != kBaseFrames || getLe32(p + 16) != static_cast<uint32_t>(kLevelFactor))
    return refuse(error, "display data of another layout: " + peaksPath);
  const uint16_t channels = getLe16(p + 20);
  const uint32_t rate = getLe32(p + 24);
  const SourceStamp saved{static_cast<int64_t>(getLe64(p + 28)), static_cast<int64_t>(getLe64(p + 36))};
  const uint64_t frames = getLe64(p + 44);
  const uint32_t levelCount = getLe32(p + 52);
  if (channels == 0 || rate == 0 || rate > INT32_MAX || saved.bytes < 0 || levelCount > kMaxLevels)
    return refuse(error, damaged);

  // The source before the bulk of the file: a stale side file is the common case.
  SourceStamp now;
  if (!stampOf(sourcePath, now)) return refuse(error, "cannot find the wave file " + sourcePath);
  if (!(now == saved)) return refuse(error, "the wave file changed since its display data was saved: " + sourcePath);

  // Level sizes, each bounded by what the file can hold, then the chain of
  // fourfold summaries a build makes.
  const uint64_t room = fileBytes - kHeaderBytes - kCrcBytes;
  if (uint64_t{levelCount} * 8 > room) return refuse(error, damaged);
  std::vector<uint8_t> sizeBytes(levelCount * 8);
  if (!readExactly(f.get(), sizeBytes.data(), sizeBytes.size())) return refuse(error, damaged);
  const uint64_t entryRoom = (room - sizeBytes.size()) / kEntryBytes;
  std::vector<int64_t> sizes(levelCount);
  uint64_t entries = 0;
  for (uint32_t l = 0; l < levelCount; ++l) {
    const uint64_t n = getLe64(sizeBytes.data() + 8 * l);
    if (n == 0 || n > entryRoom - entries) return refuse(error, damaged);
    entries += n;
    sizes[l] = static_cast<int64_t>(n);
    if (l > 0 && sizes[l] != ceilDiv(sizes[l - 1], kLevelFactor)) return refuse(error, damaged);
  }
  if (levelCount > 0 && sizes.back() != 1) return refuse(error, damaged);
  if (levelCount > 1 && sizes[levelCount - 2] == 1) return refuse(error, damaged);
  if (kHeaderBytes + sizeBytes.size() + entries * kEntryBytes + kCrcBytes != fileBytes)
    return refuse(error, damaged);
  // A build that stopped decoding early keeps the levels sized for the
  // declared length, so the base level may outlast the frames, never fall short.
  if (levelCount == 0 ? frames != 0 : frames > static_cast<uint64_t>(sizes[0]) * kBaseFrames)
    return refuse(error, damaged);

  std::vector<uint8_t> body(static_cast<size_t>(entries * kEntryBytes + kCrcBytes));
  if (!readExactly(f.get(), body.data(), body.size())) return refuse(error, damaged);
  uint32_t crc = crc32(head.data(), head.size());
  crc = crc32(sizeBytes.data(), sizeBytes.size(), crc);
  crc = crc32(body.data(), body.size() - kCrcBytes, crc);
  if (crc != getLe32(body.data() + body.size() - kCrcBytes)) return refuse(error, damaged);

  auto cache = std::make_shared<PeakCache>();
  cache->levels_.reserve(levelCount);
  const uint8_t *at = body.data();
  for (int64_t n : sizes) {
    std::vector<Peak> &level = cache->levels_.emplace_back(static_cast<size_t>(n));
    for (Peak &peak : level) {
      peak.min = static_cast<int16_t>(getLe16(at));
      peak.max = static_cast<int16_t>(getLe16(at + 2));
      at += kEntryBytes;
    }
  }
  cache->path_ = sourcePath;
  cache->sourceBytes_ = saved.bytes;
  cache->sourceMtimeNs_ = saved.mtimeNs;
  cache->channels_ = channels;
  cache->sampleRate_ = static_cast<int>(rate);
  cache->frames_.store(static_cast<int64_t>(frames), std::memory_order_release);
  cache->filled_.store(static_cast<int64_t>(frames), std::memory_order_release);
  return cache;
}

}  // namespace components::waveviews
