#include "player/VoiceOutput.h"

#include <algorithm>
#include <cstring>

namespace player {

namespace {
const components::wave::PcmFormat kVoiceFormat{voice::kChannels, voice::kSampleRate, voice::kBitsPerSample};
}

VoiceOutput::VoiceOutput(components::wave::DoneQueue &queue, const OutputFactory &makeDevice, CommandGate &gate,
                         LevelAnalyzer &levels)
    : gate_(gate), levels_(levels) {
  if (makeDevice) device_ = makeDevice(queue, *this);
  for (size_t i = 0; i < kBuffers; ++i) buffers_[i].data = storage_[i].data();
}

VoiceOutput::~VoiceOutput() {
  if (device_ && open_) device_->close();
}

bool VoiceOutput::openDevice() {
  ++opening_;
  inFlight_.clear();
  ended_ = false;
  if (!device_ || !device_->open(kVoiceFormat)) {
    open_ = false;
    return false;
  }
  open_ = true;
  if (paused_) device_->pause();
  // Each stretch of playback decodes with a state of its own: the same
  // position always sounds the same.
  decoder_ = std::make_unique<voice::DecoderStream>();
  return true;
}

bool VoiceOutput::start(std::unique_ptr<VoiceSource> source) {
  stop();
  paused_ = false;
  source_ = std::move(source);
  if (!source_ || !openDevice()) {
    source_.reset();
    return false;
  }
  fill();
  return true;
}

void VoiceOutput::fill() {
  for (auto &b : buffers_) {
    if (ended_ || !open_) break;
    load(b);
  }
  feedLevels();
  if (open_ && ended_ && inFlight_.empty() && onEnd) onEnd();
}

void VoiceOutput::load(components::wave::Buffer &buffer) {
  Chunk chunk = source_->next();
  if (chunk.last) ended_ = true;
  if (chunk.size > 0) {
    const uint8_t *pcm = decoder_->decode(chunk.bytes.data());
    buffer.length = uint32_t(voice::pcmBytesForCoded(chunk.size));
    std::memcpy(buffer.data, pcm, buffer.length);
    if (device_->write(buffer)) {
      inFlight_.push_back(&buffer);
    } else {
      ended_ = true;
    }
  }
  if (chunk.fault != SourceFault::None && onFault) onFault(chunk.fault);
}

void VoiceOutput::feedLevels() {
  // The oldest buffer with the device is the one playing now.
  if (!inFlight_.empty()) levels_.feed(inFlight_.front()->data, inFlight_.front()->length, kVoiceFormat);
}

void VoiceOutput::bufferDone(components::wave::Buffer &buffer) {
  // A buffer that waited for a command belongs to an opening that may be gone.
  gate_.run([this, b = &buffer, opening = opening_] {
    if (opening == opening_) handleDone(*b);
  });
}

void VoiceOutput::handleDone(components::wave::Buffer &buffer) {
  if (!open_) return;
  auto it = std::find(inFlight_.begin(), inFlight_.end(), &buffer);
  if (it == inFlight_.end()) return;  // not one of this opening's buffers
  inFlight_.erase(it);
  feedLevels();
  if (!ended_) load(buffer);
  if (open_ && ended_ && inFlight_.empty() && onEnd) onEnd();
}

void VoiceOutput::pause() {
  paused_ = true;
  if (open_) device_->pause();
}

void VoiceOutput::resume() {
  paused_ = false;
  if (open_) device_->resume();
}

SourceFault VoiceOutput::seek(int &percent) {
  if (!open_ || !source_) return SourceFault::None;
  // Closing hands the queued buffers back in this opening; the next one
  // drops those notifications, so a discarded buffer is never refilled twice.
  device_->close();
  open_ = false;
  if (SourceFault f = source_->seek(percent); f != SourceFault::None) return f;
  if (!openDevice()) return SourceFault::None;
  fill();
  return SourceFault::None;
}

void VoiceOutput::stop() {
  if (device_ && open_) device_->close();
  ++opening_;
  open_ = false;
  ended_ = false;
  inFlight_.clear();
  source_.reset();
  decoder_.reset();
}

}  // namespace player
