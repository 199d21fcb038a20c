#include "Mp3Source.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace sonavel {

float Mp3Source::timePerFrame(uint32_t sampleRate, uint32_t samplesPerFrame) {
  return sampleRate ? float(double(samplesPerFrame) * 1000.0 / double(sampleRate)) : 0.0f;
}

uint32_t Mp3Source::estimateFrames(uint64_t fileSize, const FrameHeader &first) {
  return uint32_t(std::min<uint64_t>(fileSize / (uint64_t(first.lengthWithoutPadding()) + 1), UINT32_MAX));
}

int32_t Mp3Source::progressOf(uint64_t count, uint32_t total) {
  return int32_t(std::min<uint64_t>(count * 100 / std::max<uint32_t>(total, 1), INT32_MAX));
}

bool Mp3Source::openStream(const char *path) {
  close();
  FrameHeader first;
  if (!decoder_.ok() || !reader_.open(path)) return false;
  // Only Layer III is decoded, and a free-format stream has no frame length to go by.
  if (!reader_.findFirst(first) || !first.layer3() || first.freeFormat()) {
    reader_.close();
    return false;
  }
  sampleRate_ = first.sampleRate;
  samplesPerFrame_ = first.samples();
  timePerFrame_ = timePerFrame(sampleRate_, samplesPerFrame_);
  estimatedFrames_ = estimateFrames(reader_.fileSize(), first);
  bytesPerFrameEstimate_ = uint32_t(uint64_t(sampleRate_) * 4608 / 44100);
  totalTime_ = uint32_t(double(timePerFrame_) * double(estimatedFrames_));
  decodedFrames_ = 0;
  reader_.rewind();
  decoder_.reset();
  scratch_.assign(std::max<size_t>(size_t(bytesPerFrameEstimate_) * 3, frameBytes()), 0);
  return true;
}

int32_t Mp3Source::open(const char *path, SonavelWaveFormat &format) {
  if (!openStream(path)) return 0;
  path_ = path;
  ring_.allocate(sampleRate_ * 4);
  format.formatTag = 1;
  format.channels = 2;
  format.samplesPerSec = sampleRate_;
  format.avgBytesPerSec = 4 * sampleRate_;
  format.blockAlign = 4;
  format.bitsPerSample = 16;
  format.extraSize = 0;
  return 1;
}

void Mp3Source::close() { reader_.close(); }

bool Mp3Source::decodeNext() {
  FrameHeader header;
  if (!reader_.next(frame_, header)) return false;
  decoder_.decode(frame_.data(), frame_.size(), samplesPerFrame_, scratch_.data());
  return true;
}

int32_t Mp3Source::read(uint8_t *destination, int32_t length) {
  if (!destination || length <= 0 || !reader_.isOpen()) return 0;
  // The ring must take a whole frame while it holds less than the request:
  // longer requests are served in parts.
  const uint32_t part = ring_.capacity() - frameBytes();
  if (uint32_t(length) > part) {
    int32_t done = 0;
    while (done < length) {
      int32_t want = int32_t(std::min<uint32_t>(part, uint32_t(length - done)));
      int32_t got = read(destination + done, want);
      done += got;
      if (got < want) break;
    }
    return done;
  }
  uint32_t sum = 0;
  while (ring_.filled() < uint32_t(length)) {
    if (decodedFrames_ >= estimatedFrames_ || !decodeNext()) {
      // End of data: what this call decoded, oldest bytes first.
      uint32_t n = std::min(sum, ring_.filled());
      ring_.read(destination, n);
      return int32_t(n);
    }
    ++decodedFrames_;
    ring_.write(scratch_.data(), frameBytes());
    sum += frameBytes();
  }
  ring_.read(destination, uint32_t(length));
  return length;
}

void Mp3Source::seek(uint32_t value, int32_t unit) {
  if (!reader_.isOpen() || sampleRate_ == 0 || timePerFrame_ <= 0) return;
  double t = unit == kMilliseconds ? double(value) : double(value) * 1000.0 / double(sampleRate_);
  double frame = t / double(timePerFrame_);
  if (frame >= double(estimatedFrames_) + 1.0) return;
  uint32_t n = uint32_t(frame);
  // Frame n is read only for the bit reservoir; decoding resumes at n + 1.
  reader_.seekFrame(n);
  decoder_.reset();
  decodeNext();
  decodedFrames_ = n + 1;
  ring_.clear();
}

uint32_t Mp3Source::position(int32_t unit) const {
  double x = double(timePerFrame_) * double(decodedFrames_);
  if (unit == kMilliseconds) return uint32_t(x);
  return uint32_t(x * double(sampleRate_) * 0.001);
}

int32_t Mp3Source::convertToPcm() {
  if (!reader_.isOpen()) return 0;
  std::filesystem::path target(path_);
  target.replace_extension(".PCM");
  std::FILE *out = std::fopen(target.c_str(), "wb");
  if (!out) return 0;
  reader_.rewind();
  decoder_.reset();
  ring_.clear();
  decodedFrames_ = 0;
  bool written = true;
  while (written && decodeNext()) {
    ++decodedFrames_;
    written = std::fwrite(scratch_.data(), 1, frameBytes(), out) == frameBytes();
  }
  if (std::fclose(out) != 0) written = false;
  return written ? 1 : 0;
}

}  // namespace sonavel
