#include "player/VoiceSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "player/DisplayMath.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "voice/VoiceHeader.h"

namespace player {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

File openRead(const std::filesystem::path &file) { return File(std::fopen(file.c_str(), "rb"), &std::fclose); }

constexpr uint64_t kHeader = voice::header::kSize;
constexpr uint64_t kChunk = voice::kCodedBlockBytes;
constexpr uint64_t kBlock = recorder::kBlockDataSize;
constexpr uint64_t kPage = recorder::kPageSize;

}  // namespace

// --- PC --------------------------------------------------------------------------------

PcVoiceSource::Open PcVoiceSource::open(const std::filesystem::path &file, std::unique_ptr<PcVoiceSource> &source) {
  source.reset();
  File f = openRead(file);
  if (!f) return Open::CannotOpen;
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return Open::CannotOpen;
  off_t size = ftello(f.get());
  if (size < 0) return Open::CannotOpen;
  if (uint64_t(size) < voice::header::kMinVoiceFileSize) return Open::NotVoice;
  uint8_t header[kHeader];
  std::rewind(f.get());
  if (std::fread(header, 1, kHeader, f.get()) != kHeader) return Open::NotVoice;
  // A fresh kind for every file: a refused file never passes on the kind of
  // the file checked before it.
  int bits = 0, channels = 0, rate = 0, kind = 0;
  voice::CheckG729File(header, bits, channels, rate, kind);
  if (kind != voice::header::kKindG729) return Open::NotVoice;
  source.reset(new PcVoiceSource(file, uint64_t(size) - kHeader));
  return Open::Ok;
}

Chunk PcVoiceSource::next() {
  Chunk chunk;
  const uint64_t end = dataSize_ + kHeader;
  if (ended_ || position_ >= end) {
    ended_ = true;
    chunk.last = true;
    return chunk;
  }
  // No handle is held between chunks.
  File f = openRead(file_);
  if (!f || fseeko(f.get(), off_t(position_), SEEK_SET) != 0) {
    ended_ = true;
    chunk.last = true;
    chunk.fault = SourceFault::FileLost;
    return chunk;
  }
  const size_t want = size_t(std::min(kChunk, end - position_));
  size_t n = std::fread(chunk.bytes.data(), 1, want, f.get());
  chunk.size = uint32_t(n);
  position_ += n;
  pcmBytes_ += voice::pcmBytesForCoded(n);
  // A file that shrank since it was opened ends at the short read.
  chunk.last = n < want || position_ >= end;
  ended_ = chunk.last;
  return chunk;
}

SourceFault PcVoiceSource::seek(int &percent) {
  percent = clampPercent(percent);
  uint64_t chunks = partAt(dataSize_, percent) / kChunk;
  position_ = chunks * kChunk + kHeader;
  pcmBytes_ = voice::pcmBytesForCoded(chunks * kChunk);
  ended_ = false;
  return SourceFault::None;
}

// --- Recorder ----------------------------------------------------------------------------

RecorderVoiceSource::Open RecorderVoiceSource::open(recorder::FlashVolume &volume, int folder, int index,
                                                    std::unique_ptr<RecorderVoiceSource> &source) {
  source.reset();
  if (folder < 1 || folder > recorder::sysblock::kFolders) return Open::NotVoice;
  const auto &records = volume.directory.records(folder);
  if (index < 0 || size_t(index) >= records.size()) return Open::NotVoice;
  const recorder::tFLASHFILEINFO record = records[size_t(index)];
  if (record.mode != "SP") return Open::NotVoice;

  std::unique_ptr<RecorderVoiceSource> s(new (std::nothrow) RecorderVoiceSource(volume));
  if (!s) return Open::NoMemory;
  if (!recorder::Chains(volume).fileBlocks(record.firstBlock, record.pages, s->blocks_)) return Open::NotVoice;
  // A chain that comes back to one of its blocks would play its data twice.
  std::vector<bool> seen(volume.blockCount(), false);
  for (uint32_t b : s->blocks_) {
    if (seen[b]) return Open::NotVoice;
    seen[b] = true;
  }
  s->buffer_.reset(new (std::nothrow) uint8_t[kBlock]);
  if (!s->buffer_) return Open::NoMemory;
  s->pages_ = record.pages;

  // The last block's spare holds the byte count of the last page.
  if (!s->linkUp()) return Open::LinkLost;
  uint32_t next = 1;  // non-zero: the chain information is wanted
  const int retries = volume.retryCount;
  int count = recorder::BlockIo(volume).GetFlashBlockInfo(s->blocks_.back(), s->buffer_.get(), next);
  // The checked read counts every damaged read and reports a block that
  // stays damaged itself.
  if (count == -2) return volume.retryCount - retries >= recorder::kMaxDamagedReads ? Open::Damaged : Open::LinkLost;
  s->loaded_ = uint32_t(s->blocks_.size() - 1);
  if (count < 1 || count > int(kPage)) return Open::NotVoice;
  s->lastPageBytes_ = uint32_t(count);
  s->totalBytes_ = (uint64_t(record.pages) - 1) * kPage + s->lastPageBytes_;
  if (s->totalBytes_ <= kPage) return Open::NotVoice;
  source = std::move(s);
  return Open::Ok;
}

bool RecorderVoiceSource::linkUp() const { return v_.link.deviceOpen && v_.link.connected; }

SourceFault RecorderVoiceSource::load(uint32_t k) {
  if (k == loaded_) return SourceFault::None;
  if (!linkUp()) return SourceFault::LinkLost;
  loaded_ = kNone;
  uint32_t next = 1;
  if (recorder::BlockIo(v_).GetFlashBlockInfo(blocks_[k], buffer_.get(), next) == -2) return SourceFault::LinkLost;
  loaded_ = k;
  return SourceFault::None;
}

Chunk RecorderVoiceSource::next() {
  Chunk chunk;
  auto fail = [&](SourceFault fault) {
    ended_ = true;
    chunk.size = 0;
    chunk.bytes.fill(0);
    chunk.last = true;
    chunk.fault = fault;
    return chunk;
  };
  if (ended_ || consumed_ >= totalBytes_) {
    ended_ = true;
    chunk.last = true;
    return chunk;
  }
  if (!linkUp()) return fail(SourceFault::LinkLost);
  // Only the recording's own bytes go into the chunk, across a block
  // boundary if one falls inside it; the rest stays 0 and is not delivered.
  const uint64_t want = std::min(kChunk, totalBytes_ - consumed_);
  uint64_t pos = consumed_, filled = 0;
  while (filled < want) {
    const uint32_t k = uint32_t(pos / kBlock);
    const uint64_t off = pos % kBlock;
    if (SourceFault f = load(k); f != SourceFault::None) return fail(f);
    const uint64_t n = std::min(want - filled, kBlock - off);
    std::memcpy(chunk.bytes.data() + filled, buffer_.get() + off, n);
    filled += n;
    pos += n;
  }
  consumed_ = pos;
  chunk.size = uint32_t(want);
  pcmBytes_ += voice::pcmBytesForCoded(want);
  chunk.last = consumed_ >= totalBytes_;
  ended_ = chunk.last;
  return chunk;
}

SourceFault RecorderVoiceSource::seek(int &percent) {
  percent = std::clamp(percent, 1, 99);
  uint64_t chunks = partAt(dataSize(), percent) / kChunk;
  consumed_ = chunks * kChunk + kPage;
  pcmBytes_ = voice::pcmBytesForCoded(chunks * kChunk);
  ended_ = false;
  if (!linkUp()) return SourceFault::LinkLost;
  return load(uint32_t(consumed_ / kBlock));
}

}  // namespace player
