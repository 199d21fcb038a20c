// The edit operations as rendering steps, without widgets: each reads a
// pane's wave (file, range and lists), writes one new WAV file and tells
// what the new state's lists are. Nothing here changes an input file; a
// step that does not finish leaves no file behind.
//
// Edits render without the envelope: the volume points travel with the new
// state and are applied once, when the user saves (Save As, Save Block).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "components/waveedit/WaveDescription.h"
#include "components/waveedit/WaveObject.h"
#include "components/waveedit/WaveWriter.h"
#include "editor/edit/Clipboard.h"

namespace editor {

enum class EditResult { Done, Cancelled, Failed };

// What a step needs beyond its input.
struct StepIo {
  components::RenderProgress progress;   // bytes done, bytes in all; false cancels
  components::FreeSpaceProbe freeSpace;  // tests; the file system's figure when empty
};

struct EditOutcome {
  EditResult result = EditResult::Failed;
  components::WaveDescription wave;  // the new state; fileName is the target (Done only)
  int64_t length = 0;                // samples of the new file (Done only)
  int64_t pasted = 0;                // Paste: samples of the clipboard written (Done only)
  std::string error;
};

// Copy: [s, e) of source, its cut regions ignored, becomes the clipboard
// (audio renamed over clip.tmp, markers and volume points extracted, the
// region file written). The clipboard stays as it was unless Done.
EditResult copyToClipboard(const components::WaveDescription &source, int64_t s, int64_t e, Clipboard &clip,
                           const StepIo &io, std::string *error = nullptr);

// Cut's delete step: source without [s, e) into target (an existing empty
// temporary file that the step fills). Markers inside go (with their
// partners), later ones move left; the envelope keeps its volumes on both
// sides; cut regions inside are dropped, those across an edge clipped,
// later ones moved.
EditOutcome deleteSelection(const components::WaveDescription &source, int64_t s, int64_t e,
                            const std::filesystem::path &target, const StepIo &io);

// Trim: only [s, e) of source stays, its cut regions ignored; no cut
// regions afterwards.
EditOutcome trimSelection(const components::WaveDescription &source, int64_t s, int64_t e,
                          const std::filesystem::path &target, const StepIo &io);

// Paste: source from 0 to position, the clipboard's audio converted to
// source's sample rate (whole frames repeated or dropped), then source from
// position on. The source's cut regions must be gone already (the caller
// removes them first and keeps them for a failure). Before every block the
// target's folder must have the block plus 100000 bytes free. The length
// pasted is the number of samples written; the clipboard's markers and
// volume points are scaled by the rate ratio. Markers and volume points
// join as a paste does (ListEdits' pasteRange).
EditOutcome pasteClipboard(const components::WaveDescription &source, int64_t position, const Clipboard &clip,
                           const std::filesystem::path &target, const StepIo &io);

// Insert Blank's first half: one second of silence in the format of a
// 16-bit mono file at sampleRate becomes the clipboard (volume points at
// unity, no markers) and counts as coming from the reference pane. The
// region file is rewritten to match, so that a later reload does not bring
// back the old clipboard's lists.
EditResult makeBlankClipboard(uint32_t sampleRate, Clipboard &clip, const StepIo &io, std::string *error = nullptr);

// Save Block: [s, e) of source, its cut regions ignored and its envelope
// applied, into target through a temporary file in target's folder that is
// renamed over it at the end.
EditResult saveBlock(const components::WaveDescription &source, int64_t s, int64_t e,
                     const std::filesystem::path &target, const StepIo &io, std::string *error = nullptr);

}  // namespace editor
