#include "app/MessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "app/Texts.h"

namespace app {

int Ext_MessageBox(QWidget *parent, const components::MessageTexts &texts, std::string_view captionKey,
                   std::string_view textKey, components::MsgKind kind, int buttons, const std::string &prefix) {
  using namespace components;
  QMessageBox box(parent);
  box.setObjectName("Ext_MessageBox");
  box.setWindowTitle(uiText(texts, captionKey));
  box.setText(QString::fromStdString(prefix) + uiText(texts, textKey));
  box.setTextFormat(Qt::PlainText);
  switch (kind) {
    case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
    case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
  }

  struct Choice {
    const char *key;
    QMessageBox::ButtonRole role;
    int result;
  };
  std::vector<Choice> choices;
  if (buttons == kButtonsYesNo) {
    choices = {{"FM_msg_dlg1", QMessageBox::YesRole, kResultYes}, {"FM_msg_dlg2", QMessageBox::NoRole, kResultNo}};
  } else if (buttons == kButtonsYesNoCancel) {
    choices = {{"FM_msg_dlg1", QMessageBox::YesRole, kResultYes},
               {"FM_msg_dlg2", QMessageBox::NoRole, kResultNo},
               {"FM_msg_dlg3", QMessageBox::RejectRole, kResultCancel}};
  } else {
    choices = {{"FM_msg_dlg0", QMessageBox::AcceptRole, kResultOk}};
  }
  std::vector<std::pair<QPushButton *, int>> added;
  for (const Choice &c : choices) added.emplace_back(box.addButton(uiText(texts, c.key), c.role), c.result);
  box.setDefaultButton(added.front().first);
  box.setEscapeButton(added.back().first);

  box.exec();
  for (auto &[button, result] : added)
    if (box.clickedButton() == button) return result;
  return box.result();
}

}  // namespace app
