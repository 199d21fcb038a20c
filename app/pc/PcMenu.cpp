#include "app/pc/PcMenu.h"

#include "app/pc/PcKeys.h"

namespace pc {

namespace {

QString text(const components::MessageTexts &texts, std::string_view key) {
  return QString::fromStdString(texts.text(key));
}

}  // namespace

PcMenu::PcMenu(const components::MessageTexts &texts, QWidget *parent) : QMenu(parent) {
  setObjectName("m_PupMuPC");
  auto item = [&](const char *name) {
    QAction *a = addAction(QString());
    a->setObjectName(name);
    return a;
  };
  m_PupPCPlay = item("m_PupPCPlay");
  m_PupPCPause = item("m_PupPCPause");
  m_PupPCStop = item("m_PupPCStop");
  addSeparator();
  m_PupPCOpen = item("m_PupPCOpen");
  m_PupPCConvert = item("m_PupPCConvert");
  m_PupPCWaveEdit = item("m_PupPCWaveEdit");
  m_PupPCEmail = item("m_PupPCEmail");
  m_PupPCSpeed = item("m_PupPCSpeed");
  addSeparator();
  m_PupPCCut = item("m_PupPCCut");
  m_PupPCCopy = item("m_PupPCCopy");
  m_PupPCPaste = item("m_PupPCPaste");
  addSeparator();
  m_PupPCSelectAll = item("m_PupPCSelectAll");
  addSeparator();
  m_PupPCErase = item("m_PupPCErase");
  m_PupPCAttribute = item("m_PupPCAttribute");
  m_PupPCRename = item("m_PupPCRename");
  m_PupPCRefresh = item("m_PupPCRefresh");
  // Shown beside the captions; the list's own keys do the work.
  m_PupPCCut->setShortcut(QKeySequence::Cut);
  m_PupPCCopy->setShortcut(QKeySequence::Copy);
  m_PupPCPaste->setShortcut(QKeySequence::Paste);
  m_PupPCSelectAll->setShortcut(QKeySequence::SelectAll);
  m_PupPCErase->setShortcut(QKeySequence::Delete);
  m_PupPCRename->setShortcut(Qt::Key_F2);
  for (QAction *a : actions()) a->setShortcutContext(Qt::WidgetShortcut);
  applyTexts(texts);
  setKind(4, false, false);
}

void PcMenu::applyTexts(const components::MessageTexts &texts) {
  const std::pair<QAction *, std::string_view> items[] = {
      {m_PupPCPlay, keys::kPlay},          {m_PupPCPause, keys::kPause},       {m_PupPCStop, keys::kStop},
      {m_PupPCOpen, keys::kOpen},          {m_PupPCConvert, keys::kConvert},   {m_PupPCWaveEdit, keys::kEdit},
      {m_PupPCEmail, keys::kMail},         {m_PupPCSpeed, keys::kSpeed},       {m_PupPCCut, keys::kCut},
      {m_PupPCCopy, keys::kCopy},          {m_PupPCPaste, keys::kPaste},       {m_PupPCSelectAll, keys::kSelectAll},
      {m_PupPCErase, keys::kErase},        {m_PupPCAttribute, keys::kAttribute}, {m_PupPCRename, keys::kRename},
      {m_PupPCRefresh, keys::kRefresh}};
  for (auto &[action, key] : items) action->setText(text(texts, key));
}

void PcMenu::setKind(int kind, bool clipboardFlag, bool listHasItems) {
  bool valid = false;
  PcMenuItems m = pcMenuItems(kind, clipboardFlag, listHasItems, &valid);
  if (!valid) return;
  for (QAction *a : {m_PupPCPlay, m_PupPCPause, m_PupPCStop}) a->setEnabled(m.play && joined_.player);
  m_PupPCOpen->setEnabled(m.open);
  m_PupPCConvert->setEnabled(m.convert && joined_.convert);
  m_PupPCWaveEdit->setEnabled(m.waveEdit && joined_.waveEdit);
  m_PupPCEmail->setEnabled(m.email && joined_.email);
  m_PupPCSpeed->setEnabled(m.speed && joined_.speed);
  m_PupPCCut->setEnabled(m.cutCopy);
  m_PupPCCopy->setEnabled(m.cutCopy);
  m_PupPCPaste->setEnabled(m.paste);
  m_PupPCSelectAll->setEnabled(m.selectAll);
  m_PupPCErase->setEnabled(m.erase);
  m_PupPCAttribute->setEnabled(m.attributeRename);
  m_PupPCRename->setEnabled(m.attributeRename);
  m_PupPCRefresh->setEnabled(m.refresh);
}

}  // namespace pc
