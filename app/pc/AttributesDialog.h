// The attributes dialog of a PC file, as Linux knows attributes: read-only
// is the owner's write permission (the one that can be changed); hidden is
// a name that starts with "." (shown, not changed here); archive and system
// have no meaning and are shown off and disabled.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFileDevice>
#include <QLabel>

#include "components/texts/MessageTexts.h"

namespace pc {

struct FileAttributes {
  bool readOnly = false;
  bool hidden = false;
};
FileAttributes attributesOf(const QString &name, QFileDevice::Permissions permissions);
// The permissions with the owner's write permission set for !readOnly.
QFileDevice::Permissions withReadOnly(QFileDevice::Permissions permissions, bool readOnly);

class AttributesDialog : public QDialog {
  Q_OBJECT
 public:
  AttributesDialog(const components::MessageTexts &texts, const QString &path, QWidget *parent = nullptr);
  // The read-only state chosen.
  bool readOnly() const { return m_ChkReadOnly->isChecked(); }

  QLabel *m_LblFileName;
  QCheckBox *m_ChkReadOnly, *m_ChkArchive, *m_ChkHidden, *m_ChkSystem;
};

}  // namespace pc
