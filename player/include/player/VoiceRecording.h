// Recording from the sound card into a voice file (m_G729WaveIn and
// tRECORDINFO): 16-bit mono 8000 Hz in buffers of 8000 bytes, each encoded
// whole with the recording's own encoder and appended as 500 coded bytes to
// the temporary voice file, which is opened, appended and closed for every
// buffer, so that it is always a valid voice file. Saving copies it beside
// the chosen name under a temporary name and renames it over the target.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "components/wave/InputDevice.h"
#include "player/CommandGate.h"
#include "player/Levels.h"
#include "voice/Codec.h"

namespace player {

using InputFactory = std::function<std::unique_ptr<components::wave::InputDevice>(
    components::wave::DoneQueue &, components::wave::BufferListener &)>;

inline constexpr const char *kTempRecordingName = "TempRecording.dvg";

class VoiceRecording final : public components::wave::BufferListener {
 public:
  static constexpr size_t kBuffers = 4;
  static constexpr uint32_t kBufferBytes = voice::kPcmBlockBytes;

  VoiceRecording(components::wave::DoneQueue &queue, const InputFactory &makeDevice, CommandGate &gate,
                 LevelAnalyzer &levels, std::filesystem::path tempFile);
  ~VoiceRecording();
  VoiceRecording(const VoiceRecording &) = delete;
  VoiceRecording &operator=(const VoiceRecording &) = delete;

  const std::filesystem::path &tempFile() const { return tempFile_; }
  uint8_t mode() const { return mode_; }
  void setMode(uint8_t mode) { mode_ = mode; }

  // The temporary voice file: an existing one is deleted, a new one created
  // with the voice header for its path (bits 16, rate 8000, mono). False
  // when it cannot be created.
  bool createTempFile();
  // Opens the input and starts it with its buffers queued; false when there
  // is no input or it cannot be opened.
  bool startInput();
  void pauseInput();
  void resumeInput();
  // Stops and closes the input; a partly filled last buffer is encoded whole.
  void stopInput();
  bool inputRunning() const { return open_; }
  // Bytes recorded since the input opened.
  uint64_t bytesRecorded() const;

  // EncodeG729InRecord: encodes one block of 8000 PCM bytes (shorter is
  // filled with silence) and appends the 500 coded bytes to the temporary
  // file. False when the file cannot be opened for appending.
  bool EncodeG729InRecord(const uint8_t *pcm, size_t bytes);

  // Runs after a buffer could not be appended: the input has been stopped.
  std::function<void()> onWriteFailed;

  void bufferDone(components::wave::Buffer &buffer) override;

 private:
  void handleDone(components::wave::Buffer &buffer);
  void take(components::wave::Buffer &buffer);

  CommandGate &gate_;
  LevelAnalyzer &levels_;
  std::filesystem::path tempFile_;
  uint8_t mode_ = 0xAA;
  std::unique_ptr<components::wave::InputDevice> device_;
  std::unique_ptr<voice::EncoderStream> encoder_;
  std::array<std::array<uint8_t, kBufferBytes>, kBuffers> storage_{};
  std::array<components::wave::Buffer, kBuffers> buffers_{};
  std::deque<components::wave::Buffer *> queued_;  // with the device, in order
  uint64_t opening_ = 0;
  bool open_ = false;
};

// --- Saving -------------------------------------------------------------------------------

// The name a recording is saved under: the chosen path, with ".DVG" appended
// unless it already ends in ".DVG" (any case).
std::filesystem::path savedRecordingPath(const std::filesystem::path &chosen);

enum class SaveResult {
  Saved,          // the target holds the recording; the temporary file is gone
  NoRecording,    // there is no temporary file
  Failed,         // nothing was replaced; the temporary file is kept
};

// Copies the temporary recording beside `target` under a temporary name,
// patches the copy's header (name field: the target's file name without its
// last four characters, cut at a character boundary to fit, the rest 0xFF;
// the first three bytes of the extension field "DVG"), renames it over the
// target and only then removes the temporary recording.
SaveResult saveRecording(const std::filesystem::path &tempFile, const std::filesystem::path &target);

}  // namespace player
