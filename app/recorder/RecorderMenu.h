// The recorder pop-up menu m_PupMuFlash and the rule that enables its items
// by the kind the list's mouse press chooses (0 several, 1 one recording
// that cannot be played, 2 one playable recording, 3 the same while a
// player is active, 4 none or busy).
#pragma once

#include <QAction>
#include <QMenu>

#include "components/texts/MessageTexts.h"

namespace app {

struct RecorderMenuItems {
  bool play = false, moveUpDown = false, upload = false, selectAll = false, erase = false;
};

// Which items a kind enables; another kind changes nothing (nullopt-like: all false, valid = false).
RecorderMenuItems recorderMenuItems(int kind, bool *valid = nullptr);

class RecorderMenu : public QMenu {
  Q_OBJECT
 public:
  RecorderMenu(const components::MessageTexts &texts, QWidget *parent = nullptr);
  // SetPCPopupMenu for the recorder menu. Play, Pause and Stop stay off
  // while the window has no player to hand them to.
  void setKind(int kind, bool canPlay);

  QAction *m_PupFlashPlay, *m_PupFlashPause, *m_PupFlashStop;
  QAction *m_PupFlashUp, *m_PupFlashDown, *m_PupFlashUpload;
  QAction *m_PupFlashSelectAll, *m_PupFlashErase;
};

}  // namespace app
