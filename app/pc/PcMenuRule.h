// The rule that enables the items of the PC pop-up menu m_PupMuPC, and the
// kind that a press in the PC file list chooses from the selection:
//   0 several files, 1 one file that is neither WAV nor DVG, 2 one WAV or
//   DVG file, 3 the same while a player is active, 4 nothing selected (or
//   one other file while a player is active).
#pragma once

#include <QStringList>

namespace pc {

struct PcMenuItems {
  bool play = false;  // Play, Pause, Stop
  bool open = false;
  bool convert = false;
  bool waveEdit = false;
  bool email = false;
  bool speed = false;
  bool cutCopy = false;
  bool paste = false;
  bool selectAll = false;
  bool erase = false;
  bool attributeRename = false;
  bool refresh = false;
  bool operator==(const PcMenuItems &) const = default;
};

// The items a kind enables. A kind outside 0..4 changes nothing: *valid is
// set false and every item is off.
PcMenuItems pcMenuItems(int kind, bool clipboardFlag, bool listHasItems, bool *valid = nullptr);

// The kind for the selected file names (any order); the extension is
// compared without regard to case.
int pcMenuKind(const QStringList &selectedNames, bool playersActive);

// ".wav" or ".dvg", in any case.
bool isWavOrDvg(const QString &name);

}  // namespace pc
