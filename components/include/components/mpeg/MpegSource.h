// An MPEG audio file loaded for playing: its figures (from the same frame
// walk as scanMpegFile), a frame position, and decoding to 16-bit
// interleaved PCM. Not thread-safe: the owner's thread calls everything,
// including the reads that fill an output's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "components/mpeg/MpegInfo.h"

namespace components {

class MpegSource {
 public:
  MpegSource();
  ~MpegSource();
  MpegSource(const MpegSource &) = delete;
  MpegSource &operator=(const MpegSource &) = delete;

  // Unloads, then loads the file when it is MPEG audio with at least one
  // frame; positioned at the first frame.
  bool load(const std::string &path);
  void unload();
  bool isLoaded() const { return loaded_; }
  // Changes at every load and unload: an output can tell that the file it
  // started on is gone.
  uint64_t loadId() const { return loadId_; }

  // The loaded file's figures; all 0 when nothing is loaded.
  const MpegInfo &info() const { return info_; }
  long frames() const { return info_.frames; }
  double msPerFrame() const { return info_.msPerFrame; }
  int bitrateKbps() const { return info_.bitrateKbps; }
  int channelMode() const { return info_.channelMode; }
  long sampleRate() const { return info_.sampleRate; }
  int channels() const { return info_.channels; }
  int samplesPerFrame() const { return info_.samplesPerFrame; }
  // Bytes of decoded PCM per sample frame (2 per channel) and per MPEG frame.
  uint32_t blockAlign() const { return static_cast<uint32_t>(info_.channels) * 2u; }
  uint32_t frameBytes() const { return blockAlign() * static_cast<uint32_t>(info_.samplesPerFrame); }

  // The frame that the next read decodes (frames() once the end is reached).
  long currentFrame() const;
  // Moves to a frame, clamped to 0..frames(); frames() means the end. False
  // when nothing is loaded or the decoder cannot get there.
  bool seekFrame(long frame);

  // Decodes up to `bytes` (whole sample frames) of 16-bit interleaved PCM.
  // Fewer only at the end of the stream (or where the file stops making
  // sense); 0 from then on, and when nothing is loaded.
  size_t read(uint8_t *out, size_t bytes);

 private:
  struct Decoder;
  std::unique_ptr<Decoder> decoder_;
  MpegInfo info_;
  bool loaded_ = false;
  bool ended_ = false;
  uint64_t loadId_ = 0;
  uint64_t sample_ = 0;  // sample frames decoded since the first frame
};

}  // namespace components
