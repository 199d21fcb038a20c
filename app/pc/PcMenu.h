// The PC pop-up menu m_PupMuPC: twenty positions (separators count), every
// caption from its key, and the rule that enables the items by the kind the
// list's mouse press chooses.
#pragma once

#include <QAction>
#include <QMenu>

#include "app/pc/PcMenuRule.h"
#include "components/texts/MessageTexts.h"

namespace pc {

class PcMenu : public QMenu {
  Q_OBJECT
 public:
  explicit PcMenu(const components::MessageTexts &texts, QWidget *parent = nullptr);
  void applyTexts(const components::MessageTexts &texts);

  // Commands that other parts of the window serve. An item whose command
  // has not joined stays off whatever the rule says.
  struct Joined {
    bool player = false;  // Play, Pause, Stop
    bool convert = false, waveEdit = false, email = false, speed = false;
  };
  void setJoined(const Joined &joined) { joined_ = joined; }
  const Joined &joined() const { return joined_; }

  // SetPCPopupMenu for the PC menu; a kind outside 0..4 changes nothing.
  void setKind(int kind, bool clipboardFlag, bool listHasItems);

  QAction *m_PupPCPlay, *m_PupPCPause, *m_PupPCStop;
  QAction *m_PupPCOpen, *m_PupPCConvert, *m_PupPCWaveEdit, *m_PupPCEmail, *m_PupPCSpeed;
  QAction *m_PupPCCut, *m_PupPCCopy, *m_PupPCPaste;
  QAction *m_PupPCSelectAll;
  QAction *m_PupPCErase, *m_PupPCAttribute, *m_PupPCRename, *m_PupPCRefresh;

 private:
  Joined joined_;
};

}  // namespace pc
