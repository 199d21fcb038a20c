// What the editor knows of each pane: the file it shows and where the user
// is in it. Positions are sample frames of the pane's working wave.
#pragma once

#include <cstdint>
#include <string>

namespace editor {

enum class Pane { Reference = 1, Edit = 2 };

inline Pane otherPane(Pane p) { return p == Pane::Edit ? Pane::Reference : Pane::Edit; }

// The range an empty pane shows.
inline constexpr int64_t kEmptyRange = 44100;

// The facts of a WAV file that the editor accepts.
struct WaveFacts {
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;
  int64_t samples = 0;
  bool operator==(const WaveFacts &) const = default;
};

struct PaneState {
  std::string fileName;  // the file the user opened (a DVG's converted WAV); empty when none
  bool open = false;
  WaveFacts wave;
  int64_t selStart = -1, selEnd = -1;  // nothing selected when either is below 0
  int64_t locator = -1;
  int64_t zoomMin = 0, zoomMax = kEmptyRange;  // remembered for "View Normal Range" and after edits
  bool cutsEmpty = true;

  bool hasSelection() const { return selStart >= 0 && selEnd >= 0; }
  int64_t rangeEnd() const { return open ? wave.samples : kEmptyRange; }
  bool wholeSelected() const { return hasSelection() && selStart <= 0 && selEnd >= rangeEnd(); }
  int64_t selectionLength() const { return hasSelection() ? (selEnd > selStart ? selEnd - selStart : selStart - selEnd) : 0; }
};

}  // namespace editor
