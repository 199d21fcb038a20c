// The editor's clipboard: its audio "clip.tmp" and its region file
// "clipcut.tmp" in the temporary folder, with the description of what the
// audio holds (range, markers, volume points). It outlives the files that
// are opened and closed; the window removes the region file when it closes
// and both files at program end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "components/waveedit/WaveDescription.h"
#include "components/wavefile/WaveFormat.h"

namespace editor {

class Clipboard {
 public:
  explicit Clipboard(std::filesystem::path tempDir);

  std::filesystem::path audioFile() const;   // tempDir / "clip.tmp"
  std::filesystem::path regionFile() const;  // tempDir / "clipcut.tmp"

  // What the clipboard holds: fileName is audioFile() when it holds audio,
  // empty otherwise; start 0, end = its length in samples; markers and
  // volume points based at 0.
  const components::WaveDescription &wave() const { return wave_; }
  bool valid() const { return !wave_.fileName.empty() && wave_.end > 0; }
  int64_t samples() const { return valid() ? wave_.end : 0; }
  // The audio's format (sample rate, channels, bits) as its header says.
  const components::WaveFormat &format() const { return format_; }

  // Whether the content came from the reference pane or Insert Blank.
  bool fromReference() const { return fromReference_; }
  void setFromReference(bool v) { fromReference_ = v; }

  // Takes a finished audio file (renamed over audioFile()) and the lists
  // that go with it; writes the region file when writeRegion. False (and
  // the clipboard as it was, the file removed) when the rename fails.
  bool take(const std::filesystem::path &renderedAudio, const components::WaveDescription &lists, bool writeRegion,
            std::string *error = nullptr);
  // Reads the region file (it must name audioFile()); false and empty when
  // it is missing or invalid.
  bool load();
  // Re-reads the region file when the audio's size on disk differs from
  // what the clipboard knows (another copy of the window changed it).
  void refreshIfChanged();
  void clear();
  // The window closes: the region file goes, the audio stays.
  void removeRegionFile();
  // Program end: both files go.
  void removeFiles();

 private:
  std::filesystem::path tempDir_;
  components::WaveDescription wave_;
  components::WaveFormat format_;
  uint64_t knownSize_ = 0;
  bool fromReference_ = false;
};

}  // namespace editor
