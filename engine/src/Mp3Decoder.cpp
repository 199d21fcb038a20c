#include "Mp3Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>

#include "Mp3Frames.h"

namespace sonavel {

namespace {
struct Library {
  Library() { mpg123_init(); }
};
}  // namespace

Mp3Decoder::Mp3Decoder() {
  static Library library;
  int err = MPG123_OK;
  mpg123_handle *mh = mpg123_new(nullptr, &err);
  if (!mh) return;
  // Whole frames are counted, so no gapless trimming; frames are fed whole,
  // so no read-ahead; the info frame decodes as the silent frame it is.
  long flags = MPG123_FORCE_STEREO | MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_IGNORE_INFOFRAME | MPG123_SKIP_ID3V2;
  mpg123_param(mh, MPG123_FLAGS, flags, 0);
  mpg123_param(mh, MPG123_RESYNC_LIMIT, long(kResyncLimit), 0);
  mpg123_format_none(mh);
  for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
    mpg123_format(mh, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  handle_ = mh;
  reset();
}

Mp3Decoder::~Mp3Decoder() {
  if (handle_) mpg123_delete(handle_);
}

void Mp3Decoder::reset() {
  if (!handle_) return;
  mpg123_close(handle_);
  mpg123_open_feed(handle_);
}

void Mp3Decoder::decode(const uint8_t *frame, size_t size, uint32_t samples, uint8_t *pcm) {
  const size_t want = size_t(samples) * 4;
  size_t have = 0;
  if (handle_ && mpg123_feed(handle_, frame, size) == MPG123_OK) {
    off_t number = 0;
    unsigned char *audio = nullptr;
    size_t bytes = 0;
    int r = mpg123_decode_frame(handle_, &number, &audio, &bytes);
    if (r == MPG123_NEW_FORMAT) r = mpg123_decode_frame(handle_, &number, &audio, &bytes);
    if (r == MPG123_OK && audio) {
      have = std::min(bytes, want);
      std::memcpy(pcm, audio, have);
    } else if (r != MPG123_NEED_MORE) {
      reset();  // a decoder in trouble starts over at the next frame
    }
  }
  std::memset(pcm + have, 0, want - have);
}

}  // namespace sonavel
