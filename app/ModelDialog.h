// TFrmModel: asks for the recorder's model number before its memory is
// initialised.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "components/texts/MessageTexts.h"

namespace app {

class TFrmModel : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmModel(const components::MessageTexts &texts);

  QLabel *Label_line1;
  QLabel *Label_line2;
  QLabel *Label_modelname;
  QComboBox *combo_model;
  QPushButton *Button_start;
  QPushButton *Button_cancel;

  // Shows the dialog modally with the recorder's model preselected. On
  // "Start" writes the chosen name over the first characters of the 8-byte
  // field and returns true (the model-chosen flag).
  bool chooseModel(char modelName[8]);
  bool modelChosen() const { return chosen_; }

 protected:
  void showEvent(QShowEvent *) override;

 private:
  void OnButtonStartClick();
  char *field_ = nullptr;
  bool chosen_ = false;
};

}  // namespace app
