#include "app/pc/AttributesDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/pc/PcKeys.h"

namespace pc {

FileAttributes attributesOf(const QString &name, QFileDevice::Permissions permissions) {
  return {!(permissions & QFileDevice::WriteOwner), name.startsWith(QLatin1Char('.'))};
}

QFileDevice::Permissions withReadOnly(QFileDevice::Permissions permissions, bool readOnly) {
  if (readOnly) return permissions & ~QFileDevice::Permissions(QFileDevice::WriteOwner | QFileDevice::WriteUser);
  return permissions | QFileDevice::WriteOwner;
}

AttributesDialog::AttributesDialog(const components::MessageTexts &texts, const QString &path, QWidget *parent)
    : QDialog(parent) {
  auto t = [&](std::string_view key) { return QString::fromStdString(texts.text(key)); };
  setObjectName("m_DlgPCAttribute");
  setWindowTitle(t(keys::kAttrCaption));
  QFileInfo info(path);
  FileAttributes attributes = attributesOf(info.fileName(), info.permissions());

  auto *layout = new QVBoxLayout(this);
  m_LblFileName = new QLabel(info.fileName(), this);
  m_LblFileName->setObjectName("m_LblFileName");
  m_LblFileName->setTextFormat(Qt::PlainText);
  QFont bold = m_LblFileName->font();
  bold.setBold(true);
  m_LblFileName->setFont(bold);
  layout->addWidget(m_LblFileName);
  auto *line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);

  auto *grid = new QGridLayout;
  auto box = [&](const char *name, std::string_view key, bool checked, bool enabled, int row, int column) {
    auto *c = new QCheckBox(t(key), this);
    c->setObjectName(name);
    c->setChecked(checked);
    c->setEnabled(enabled);
    c->setAccessibleName(c->text().remove(QLatin1Char('&')));
    grid->addWidget(c, row, column);
    return c;
  };
  m_ChkReadOnly = box("m_ChkReadOnly", keys::kAttrReadOnly, attributes.readOnly, true, 0, 0);
  m_ChkHidden = box("m_ChkHidden", keys::kAttrHidden, attributes.hidden, false, 0, 1);
  m_ChkArchive = box("m_ChkArchive", keys::kAttrArchive, false, false, 1, 0);
  m_ChkSystem = box("m_ChkSystem", keys::kAttrSystem, false, false, 1, 1);
  grid->setHorizontalSpacing(24);
  layout->addLayout(grid);

  auto *buttons = new QDialogButtonBox(this);
  QPushButton *ok = buttons->addButton(t(keys::kOk), QDialogButtonBox::AcceptRole);
  QPushButton *cancel = buttons->addButton(t(keys::kCancel), QDialogButtonBox::RejectRole);
  ok->setObjectName("m_BtnOk");
  cancel->setObjectName("m_BtnCancel");
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace pc
