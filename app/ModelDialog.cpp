#include "app/ModelDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/Texts.h"
#include "components/JobUi.h"

namespace app {

TFrmModel::TFrmModel(const components::MessageTexts &texts) : QDialog(nullptr) {
  setObjectName("TFrmModel");
  // Like every window's texts, a missing key gives an empty caption.
  setWindowTitle(uiText(texts, "FMD_form_model"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);

  auto fromKey = [&](const char *key) { return uiText(texts, key); };
  Label_line1 = new QLabel(fromKey("FMD_label_line1"), this);
  Label_line2 = new QLabel(fromKey("FMD_label_line2"), this);
  Label_modelname = new QLabel(fromKey("FMD_label_modelname"), this);
  combo_model = new QComboBox(this);
  combo_model->setEditable(false);
  combo_model->addItem(QString::fromLatin1(components::kModelEntry.data(), components::kModelEntry.size()));
  Label_modelname->setBuddy(combo_model);
  Button_start = new QPushButton(fromKey("FMD_button_start"), this);
  Button_cancel = new QPushButton(fromKey("FMD_button_cancel"), this);
  Button_start->setDefault(true);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Label_line1);
  layout->addWidget(Label_line2);
  auto *choice = new QHBoxLayout;
  choice->addWidget(Label_modelname);
  choice->addWidget(combo_model, 1);
  layout->addSpacing(8);
  layout->addLayout(choice);
  layout->addSpacing(8);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button_start);
  buttons->addWidget(Button_cancel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Button_start, &QPushButton::clicked, this, &TFrmModel::OnButtonStartClick);
  connect(Button_cancel, &QPushButton::clicked, this, [this] {
    chosen_ = false;
    reject();
  });
}

void TFrmModel::showEvent(QShowEvent *event) {
  chosen_ = false;
  QDialog::showEvent(event);
}

void TFrmModel::OnButtonStartClick() {
  std::string entry = combo_model->currentText().toStdString();
  if (field_ && components::applyModelChoice(entry, field_)) chosen_ = true;
  // A name longer than the field closes the dialog without a choice.
  done(chosen_ ? Accepted : Rejected);
}

bool TFrmModel::chooseModel(char modelName[8]) {
  int index = combo_model->findText("Q417");
  combo_model->setCurrentIndex(index >= 0 ? index : 0);
  field_ = modelName;
  chosen_ = false;
  exec();
  field_ = nullptr;
  return chosen_;
}

}  // namespace app
