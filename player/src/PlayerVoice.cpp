// Voice playback: a voice file from the PC or a recording straight from the
// recorder's flash, decoded block by block while it plays.
#include "player/Player.h"

#include "PlayerInternal.h"
#include "voice/VoiceHeader.h"

namespace player {

bool Player::PlayG729(const fs::path &path) {
  const int list = state_.activeList;
  const int fileIndex = info_.fileIndex;
  info_ = VoiceInfo{};
  info_.fileIndex = fileIndex;
  std::unique_ptr<VoiceSource> source;
  auto refuse = [&](std::string_view caption, std::string_view text) {
    if (!text.empty()) playbackError(caption, text);
    Stop();
    return false;
  };

  if (list == 0) {
    state_.recorderSource = false;
    std::unique_ptr<PcVoiceSource> pc;
    if (PcVoiceSource::open(path, pc) != PcVoiceSource::Open::Ok)
      return refuse(keys::kKindProgram, keys::kNotVoice);
    info_.kind = voice::header::kKindG729;
    source = std::move(pc);
  } else {
    state_.recorderSource = true;
    info_.folder = list;
    std::unique_ptr<RecorderVoiceSource> rec;
    auto opened = recorder_ ? RecorderVoiceSource::open(*recorder_, list, fileIndex, rec)
                            : RecorderVoiceSource::Open::NotVoice;
    switch (opened) {
      case RecorderVoiceSource::Open::Ok:
        break;
      case RecorderVoiceSource::Open::NotVoice:
        return refuse(keys::kKindProgram, keys::kNotVoice);
      case RecorderVoiceSource::Open::NoMemory:
        return refuse(keys::kKindProgram, keys::kNoMemory);
      case RecorderVoiceSource::Open::LinkLost:
        playbackError(keys::kKindRecorder, keys::kLinkLost);
        disconnectRecorder();
        return refuse({}, {});
      case RecorderVoiceSource::Open::Damaged:
        // The read has shown why; one box is enough.
        playbackErrorShown_ = true;
        disconnectRecorder();
        return refuse({}, {});
    }
    info_.kind = voice::header::kKindG729;
    source = std::move(rec);
  }

  info_.fileName = path;
  info_.frameBytes = kVoiceFrameBytes;
  info_.bits = voice::kBitsPerSample;
  info_.rate = voice::kSampleRate;
  info_.channels = voice::kChannels;
  display_.showPlayKind("DVG");
  display_.showBitRate(8, 0);
  display_.showStereo(false);
  info_.dataSize = source->dataSize();
  info_.totalPcmBytes = voice::pcmBytesForCoded(info_.dataSize);
  showTotalSeconds(info_.totalPcmBytes / kVoiceBytesPerSecond);

  voiceNumber_ = ++counter_;
  if (!voice_.start(std::move(source))) return refuse(keys::kKindProgram, keys::kCannotPlay);
  return true;
}

void Player::VoiceFault(SourceFault fault) {
  // The output plays out what it holds; its stop event then runs Stop.
  if (fault == SourceFault::FileLost) playbackError(keys::kKindProgram, keys::kCannotPlay);
  if (fault == SourceFault::LinkLost) disconnectRecorder();
  SetPlayAndRecButton(ButtonState::Idle);
}

void Player::disconnectRecorder() {
  if (recorder_) recorder_->link.DisconnectUSB();
}

void Player::OnG729WaveOutStop(uint64_t number) {
  if (number == 0 || number != voiceNumber_) return;
  Stop();
}

void Player::VoiceSeek(int percent) {
  SourceFault fault = voice_.seek(percent);
  // The recorder source keeps off both ends and moves the slider there.
  if (state_.recorderSource) showPosition(percent);
  if (fault == SourceFault::LinkLost) {
    disconnectRecorder();
    Stop();
  } else if (!voice_.active()) {
    playbackError(keys::kKindProgram, keys::kCannotPlay);
    Stop();
  }
}

}  // namespace player
