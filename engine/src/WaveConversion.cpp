// The WAV conversion job of the MP3 source, run on its own thread.
#include <cstring>

#include "Mp3Source.h"
#include "RiffWriter.h"

namespace sonavel {

namespace {
// The RIFF and data sizes are 32-bit: stop before they would overflow.
constexpr uint64_t kMaxData = 0xFFFFFFFFull - 64;
}  // namespace

void Mp3Source::prepareConversion(const char *source, const char *destination) {
  sourcePath_ = source ? source : "";
  destinationPath_ = destination ? destination : "";
  progress_.store(0);
  stopRequest_.store(0);
}

void Mp3Source::runWaveConversion(const FrameObserver &observer) {
  if (!openStream(sourcePath_.c_str())) {
    progress_.store(100);  // nothing to convert: no file, and the job is over
    return;
  }
  SonavelWaveFormat format{1, 2, sampleRate_, 4 * sampleRate_, 4, 16, 0};
  const uint32_t total = estimatedFrames_;

  RiffWriter out;
  if (!out.create(destinationPath_)) {
    close();
    return;
  }
  static_assert(sizeof format == 18);
  if (!out.beginRiff("WAVE") || out.writeChunk("fmt ", &format, sizeof format) < sizeof format) {
    out.close();
    close();
    return;
  }
  out.beginChunk("data");

  reader_.rewind();
  decoder_.reset();
  uint32_t count = 0;
  while (!stopRequest_.load()) {
    if (!decodeNext()) break;
    if (out.chunkBytes() + frameBytes() > kMaxData) break;
    if (!out.write(scratch_.data(), frameBytes())) break;
    ++count;
    progress_.store(progressOf(count, total));
    if (observer) observer(count);
  }
  out.endChunk();
  out.endRiff();
  out.close();
  close();
  // Only now is the file complete: a caller that waits for 100 may open it.
  progress_.store(100);
}

}  // namespace sonavel
