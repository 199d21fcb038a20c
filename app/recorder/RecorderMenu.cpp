#include "app/recorder/RecorderMenu.h"

namespace app {

RecorderMenuItems recorderMenuItems(int kind, bool *valid) {
  if (valid) *valid = kind >= 0 && kind <= 4;
  switch (kind) {
    case 0: return {false, false, true, true, true};
    case 1: return {false, true, true, true, true};
    case 2: return {true, true, true, true, true};
    case 3: return {true, false, false, false, false};
    case 4: return {false, false, false, true, false};
    default: return {};
  }
}

RecorderMenu::RecorderMenu(const components::MessageTexts &texts, QWidget *parent) : QMenu(parent) {
  auto item = [&](const char *key) { return addAction(QString::fromStdString(texts.text(key))); };
  m_PupFlashPlay = item("FM_PUFplay");
  m_PupFlashPause = item("FM_PUFpause");
  m_PupFlashStop = item("FM_PUFstop");
  addSeparator();
  m_PupFlashUp = item("FM_PUFup");
  m_PupFlashDown = item("FM_PUFdown");
  m_PupFlashUpload = item("FM_PUFupload");
  addSeparator();
  m_PupFlashSelectAll = item("FM_PUFallssel");
  addSeparator();
  m_PupFlashErase = item("FM_PUFdel");
  m_PupFlashErase->setShortcut(QKeySequence::Delete);
}

void RecorderMenu::setKind(int kind, bool canPlay) {
  bool valid = false;
  RecorderMenuItems items = recorderMenuItems(kind, &valid);
  if (!valid) return;
  for (QAction *a : {m_PupFlashPlay, m_PupFlashPause, m_PupFlashStop}) a->setEnabled(items.play && canPlay);
  m_PupFlashUp->setEnabled(items.moveUpDown);
  m_PupFlashDown->setEnabled(items.moveUpDown);
  m_PupFlashUpload->setEnabled(items.upload);
  m_PupFlashSelectAll->setEnabled(items.selectAll);
  m_PupFlashErase->setEnabled(items.erase);
}

}  // namespace app
