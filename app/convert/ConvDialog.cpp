#include "app/convert/ConvDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/Texts.h"

namespace app {

TFrmConvDialog::TFrmConvDialog(const components::MessageTexts &texts) : QDialog(nullptr) {
  setObjectName("TFrmConvDialog");
  setWindowTitle("File convert");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);

  Label_outputfolder = new QLabel(uiText(texts, "FC_label_outputfolder"), this);
  Edit_OutDirectory = new QLineEdit(this);
  Edit_OutDirectory->setObjectName("Edit_OutDirectory");
  Edit_OutDirectory->setMinimumWidth(320);
  Edit_OutDirectory->setAccessibleName(Label_outputfolder->text().remove('&'));
  Label_outputfolder->setBuddy(Edit_OutDirectory);
  Button_convert = new QPushButton("Change", this);
  Button_convert->setObjectName("Button_convert");
  Button_convert->setAutoDefault(false);
  m_ChkOverwrite = new QCheckBox(uiText(texts, "FC_CheckBox_overwrite"), this);
  m_ChkOverwrite->setObjectName("m_ChkOverwrite");
  button_go = new QPushButton(uiText(texts, "FC_button_go"), this);
  button_go->setObjectName("button_go");
  button_go->setDefault(true);
  button_cancel = new QPushButton(uiText(texts, "FC_button_cancel"), this);
  button_cancel->setObjectName("button_cancel");
  button_cancel->setAutoDefault(false);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Label_outputfolder);
  auto *folder = new QHBoxLayout;
  folder->addWidget(Edit_OutDirectory, 1);
  folder->addWidget(Button_convert);
  layout->addLayout(folder);
  layout->addWidget(m_ChkOverwrite);
  layout->addSpacing(6);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(button_go);
  buttons->addWidget(button_cancel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  chooseFolder = [](QWidget *parent, const QString &start) {
    return QFileDialog::getExistingDirectory(parent, QString(), start, QFileDialog::ShowDirsOnly);
  };
  connect(Button_convert, &QPushButton::clicked, this, &TFrmConvDialog::OnButtonConvertClick);
  connect(button_go, &QPushButton::clicked, this, [this] {
    go_ = true;
    accept();
  });
  connect(button_cancel, &QPushButton::clicked, this, [this] {
    go_ = false;
    reject();
  });
}

void TFrmConvDialog::showEvent(QShowEvent *event) {
  go_ = false;
  QDialog::showEvent(event);
  // Centred on the desktop.
  if (QScreen *screen = this->screen())
    move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()).topLeft());
  Edit_OutDirectory->setFocus();
}

bool TFrmConvDialog::ask(const QString &folder) {
  Edit_OutDirectory->setText(folder);
  go_ = false;
  exec();
  return go_;
}

QString TFrmConvDialog::outputFolder() const {
  QString text = Edit_OutDirectory->text().trimmed();
  if (text == "~" || text.startsWith("~/")) text = QDir::homePath() + text.mid(1);
  return text;
}

void TFrmConvDialog::OnButtonConvertClick() {
  const QString chosen = chooseFolder ? chooseFolder(this, outputFolder()) : QString();
  if (!chosen.isEmpty()) Edit_OutDirectory->setText(QDir::toNativeSeparators(chosen));
}

}  // namespace app
