// Where a voice playback takes its coded bytes: a voice file on the PC, read
// 500 bytes at a time with the file reopened for each, or a recording
// straight from the recorder's flash, one block of 131072 bytes in memory at
// a time. Both deliver exactly the bytes of the voice data, in chunks of
// 500 bytes; the chunk that ends the data is zero-filled behind its bytes
// and marked last.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "recorder/FlashVolume.h"
#include "voice/Codec.h"

namespace player {

// Why a source stopped delivering before its end.
enum class SourceFault {
  None,
  FileLost,  // the PC file cannot be opened again
  LinkLost,  // the recorder is disconnected, or a block read failed
};

struct Chunk {
  std::array<uint8_t, voice::kCodedBlockBytes> bytes{};  // 0 behind `size`
  uint32_t size = 0;   // coded bytes of the voice data in it
  bool last = false;   // nothing follows (the end, or a fault)
  SourceFault fault = SourceFault::None;
};

class VoiceSource {
 public:
  virtual ~VoiceSource() = default;
  // The next chunk of voice data. A chunk of size 0 comes only with last.
  virtual Chunk next() = 0;
  // Moves to `percent` of the data (whole chunks, counted down); percent
  // receives the position the slider shows. A fault leaves the position
  // undefined.
  virtual SourceFault seek(int &percent) = 0;
  // Coded bytes of voice data.
  virtual uint64_t dataSize() const = 0;
  // PCM bytes delivered so far (16 per coded byte).
  virtual uint64_t pcmDelivered() const = 0;
};

// --- A voice file on the PC ----------------------------------------------------

class PcVoiceSource final : public VoiceSource {
 public:
  enum class Open {
    Ok,
    CannotOpen,  // the file cannot be opened or read
    NotVoice,    // 256 bytes or less, or a header that is not a playable voice header
  };
  // Checks the file (its header with CheckG729File, the kind read afresh
  // for every file) and positions after the header.
  static Open open(const std::filesystem::path &file, std::unique_ptr<PcVoiceSource> &source);

  Chunk next() override;
  SourceFault seek(int &percent) override;
  uint64_t dataSize() const override { return dataSize_; }
  uint64_t pcmDelivered() const override { return pcmBytes_; }
  // The offset of the next read (256 at the start).
  uint64_t filePosition() const { return position_; }

 private:
  PcVoiceSource(std::filesystem::path file, uint64_t dataSize) : file_(std::move(file)), dataSize_(dataSize) {}
  std::filesystem::path file_;
  uint64_t dataSize_;
  uint64_t position_ = 256;
  uint64_t pcmBytes_ = 0;
  bool ended_ = false;
};

// --- A recording on the recorder -----------------------------------------------------

class RecorderVoiceSource final : public VoiceSource {
 public:
  enum class Open {
    Ok,
    NotVoice,  // not an SP recording, or a directory record that cannot be a whole recording
    LinkLost,  // not connected, or the last block cannot be read
    Damaged,   // the last block stayed damaged: the checked read has said so
    NoMemory,  // the block buffer cannot be allocated
  };
  // Recording `index` (from 0) of folder 1..8. Checks the directory record
  // (mode "SP", a length within the chip, a chain that stays on the chip and
  // visits no block twice), reads the last block for the byte count of the
  // last page (1..2048) and refuses a recording without voice data.
  static Open open(recorder::FlashVolume &volume, int folder, int index, std::unique_ptr<RecorderVoiceSource> &source);

  Chunk next() override;
  // The position is clamped to 1..99 %; the block holding it is read.
  SourceFault seek(int &percent) override;
  uint64_t dataSize() const override { return totalBytes_ - recorder::kPageSize; }
  uint64_t pcmDelivered() const override { return pcmBytes_; }

  const std::vector<uint32_t> &blocks() const { return blocks_; }
  uint32_t pageCount() const { return pages_; }
  uint32_t lastPageBytes() const { return lastPageBytes_; }
  // Bytes of the recording passed so far, counting the 2048-byte header page.
  uint64_t consumed() const { return consumed_; }
  // Chain blocks read into the block buffer so far: the list index of the
  // block in the buffer plus 1 (0 before the first read).
  uint32_t nextBlock() const { return loaded_ == kNone ? 0 : loaded_ + 1; }
  uint32_t blockOffset() const { return uint32_t(consumed_ % recorder::kBlockDataSize); }

 private:
  RecorderVoiceSource(recorder::FlashVolume &volume) : v_(volume) {}
  bool linkUp() const;
  // Reads list entry k into the block buffer unless it is there.
  SourceFault load(uint32_t k);

  recorder::FlashVolume &v_;
  std::vector<uint32_t> blocks_;
  std::unique_ptr<uint8_t[]> buffer_;  // one block's data
  static constexpr uint32_t kNone = UINT32_MAX;
  uint32_t loaded_ = kNone;
  uint32_t pages_ = 0;
  uint32_t lastPageBytes_ = 0;
  uint64_t totalBytes_ = 0;  // of the recording, its header page included
  uint64_t consumed_ = recorder::kPageSize;
  uint64_t pcmBytes_ = 0;
  bool ended_ = false;
};

}  // namespace player
