#include "app/pc/PcToolRow.h"

#include <QHBoxLayout>

#include "app/pc/FileFilter.h"
#include "app/pc/PcKeys.h"
#include "app/pc/ToolIcons.h"

namespace pc {

namespace {

QString text(const components::MessageTexts &texts, std::string_view key) {
  return QString::fromStdString(texts.text(key));
}

QFrame *divider(QWidget *parent) {
  auto *line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setFixedWidth(6);
  return line;
}

}  // namespace

PcToolRow::PcToolRow(const components::MessageTexts &texts, QWidget *parent) : QFrame(parent) {
  setObjectName("Panel_layer2");
  setFixedHeight(kHeight);
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(2, 1, 2, 1);
  row->setSpacing(1);

  auto button = [&](const char *name, ToolIcon icon, int width) {
    auto *b = new QToolButton(this);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setFixedSize(width, kHeight - 2);
    b->setIconSize(QSize(18, 18));
    b->setIcon(toolIcon(icon, this));
    b->setFocusPolicy(Qt::TabFocus);
    row->addWidget(b);
    return b;
  };
  m_BtnConvert = button("m_BtnConvert", ToolIcon::Convert, kLauncherWidth);
  m_BtnWaveEdit = button("m_BtnWaveEdit", ToolIcon::WaveEdit, kLauncherWidth);
  m_BtnEmail = button("m_BtnEmail", ToolIcon::Email, kLauncherWidth);
  m_BtnSpeed = button("m_BtnSpeed", ToolIcon::Speed, kLauncherWidth);
  // The windows they open join later and enable them.
  for (QToolButton *b : {m_BtnConvert, m_BtnWaveEdit, m_BtnEmail, m_BtnSpeed}) b->setEnabled(false);
  row->addWidget(divider(this));
  m_BtnOneLevelUp = button("m_BtnOneLevelUp", ToolIcon::Up, kFileButtonWidth);
  m_BtnNewFolder = button("m_BtnNewFolder", ToolIcon::NewFolder, kFileButtonWidth);
  m_BtnFileViewStyle = button("m_BtnFileViewStyle", ToolIcon::Report, kFileButtonWidth);
  row->addWidget(divider(this));
  m_BtnFileCopy = button("m_BtnFileCopy", ToolIcon::Copy, kFileButtonWidth);
  m_BtnFileCut = button("m_BtnFileCut", ToolIcon::Cut, kFileButtonWidth);
  m_BtnFilePaste = button("m_BtnFilePaste", ToolIcon::Paste, kFileButtonWidth);
  row->addSpacing(4);

  m_EtDirectoryPath = new QLineEdit(this);
  m_EtDirectoryPath->setObjectName("m_EtDirectoryPath");
  m_EtDirectoryPath->setReadOnly(true);
  m_EtDirectoryPath->setMinimumWidth(60);
  row->addWidget(m_EtDirectoryPath, 1);
  // The filter field sits 2 pixels right of the path field, whatever the
  // row's width.
  row->addSpacing(kFilterGap - row->spacing());

  m_CbFileFilter = new QComboBox(this);
  m_CbFileFilter->setObjectName("m_CbFileFilter");
  m_CbFileFilter->setEditable(true);
  m_CbFileFilter->setInsertPolicy(QComboBox::NoInsert);
  m_CbFileFilter->setFixedWidth(kFilterWidth);
  m_CbFileFilter->addItems(initialFilterList());
  m_CbFileFilter->setEditText(QLatin1String(kEveryFile));
  row->addWidget(m_CbFileFilter);

  applyTexts(texts);
}

void PcToolRow::applyTexts(const components::MessageTexts &texts) {
  const std::pair<QToolButton *, std::string_view> hints[] = {
      {m_BtnConvert, keys::kHintConvert},       {m_BtnWaveEdit, keys::kHintWaveEdit},
      {m_BtnEmail, keys::kHintEmail},           {m_BtnSpeed, keys::kHintSpeed},
      {m_BtnOneLevelUp, keys::kHintUp},         {m_BtnNewFolder, keys::kHintNewFolder},
      {m_BtnFileViewStyle, keys::kHintViewStyle}, {m_BtnFileCopy, keys::kHintCopy},
      {m_BtnFileCut, keys::kHintCut},           {m_BtnFilePaste, keys::kHintPaste}};
  for (auto &[b, key] : hints) {
    b->setToolTip(text(texts, key));
    b->setAccessibleName(text(texts, key));
  }
  m_EtDirectoryPath->setAccessibleName(text(texts, keys::kPathField));
  m_CbFileFilter->setAccessibleName(text(texts, keys::kFilterField));
  m_CbFileFilter->lineEdit()->setAccessibleName(text(texts, keys::kFilterField));
}

}  // namespace pc
