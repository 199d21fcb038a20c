// The engine reads a WAV file as a 44-byte header followed by 8- or 16-bit
// PCM up to the end of the file. A file laid out otherwise (other chunks,
// a longer format block, another encoding, data shorter or longer than its
// header says) plays through a canonical copy made here, which the wave
// views show too, so that what is seen is what is heard.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "components/JobUi.h"

namespace speed {

struct WaveLayout {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint64_t dataOffset = 0;    // first byte of the "data" chunk's body
  uint64_t declaredSize = 0;  // the "data" chunk's size field
  uint64_t fileSize = 0;

  // Bytes of sample data the file really holds.
  uint64_t availableData() const { return fileSize > dataOffset ? fileSize - dataOffset : 0; }
  // The engine plays it as it stands.
  bool canonical() const;
};

// Walks the RIFF chunks; nothing when the file is no RIFF WAVE file with a
// "fmt " and a "data" chunk.
std::optional<WaveLayout> inspectWave(const std::filesystem::path &path);

class PlayableWave {
 public:
  // Copies go into `folder` (the application's temporary folder).
  PlayableWave(components::JobUi &ui, std::filesystem::path folder);
  ~PlayableWave();
  PlayableWave(const PlayableWave &) = delete;
  PlayableWave &operator=(const PlayableWave &) = delete;

  enum class Outcome { Ready, Cancelled, Failed };
  // The file itself when the engine plays it as it stands, else a canonical
  // copy (16-bit PCM for encodings other than 8- and 16-bit PCM, the first
  // two channels of more), made in the progress window. The previous copy
  // stays until the new file is ready.
  Outcome prepare(const std::filesystem::path &wave);
  const std::filesystem::path &path() const { return path_; }
  bool isCopy() const { return copy_; }
  // Removes the copy, if any.
  void release();

 private:
  bool copyPcm(const std::filesystem::path &wave, const WaveLayout &layout, const std::filesystem::path &out);
  bool copyDecoded(const std::filesystem::path &wave, const std::filesystem::path &out);
  bool step(uint64_t done, uint64_t all);

  components::JobUi &ui_;
  std::filesystem::path folder_;
  std::filesystem::path path_;
  bool copy_ = false;
};

}  // namespace speed
