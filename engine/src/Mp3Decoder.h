// One libmpg123 decoder fed whole frames: every frame gives exactly its
// samples as 16-bit stereo, silence where the decoder produces nothing
// (an info frame, a frame whose bit reservoir is missing, a damaged frame).
#pragma once

#include <cstddef>
#include <cstdint>

struct mpg123_handle_struct;

namespace sonavel {

class Mp3Decoder {
 public:
  Mp3Decoder();
  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder &) = delete;
  Mp3Decoder &operator=(const Mp3Decoder &) = delete;

  bool ok() const { return handle_ != nullptr; }
  // Forgets the bit reservoir and the synthesis state (a new stream, a seek).
  void reset();
  // Decodes one whole frame into samples × 4 bytes at `pcm`.
  void decode(const uint8_t *frame, size_t size, uint32_t samples, uint8_t *pcm);

 private:
  mpg123_handle_struct *handle_ = nullptr;
};

}  // namespace sonavel
