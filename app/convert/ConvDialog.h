// TFrmConvDialog: the options of a conversion job: the output folder (typed,
// or chosen with the desktop's folder chooser) and whether existing output
// files are replaced. Stays on top, centred on the desktop, modal.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "components/texts/MessageTexts.h"

namespace app {

class TFrmConvDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmConvDialog(const components::MessageTexts &texts);

  QLabel *Label_outputfolder;
  QLineEdit *Edit_OutDirectory;
  QPushButton *Button_convert;  // "Change": the folder chooser
  QCheckBox *m_ChkOverwrite;
  QPushButton *button_go;
  QPushButton *button_cancel;

  // Shows the dialog modally with folder in the field; true when the user
  // pressed the go button (the go flag).
  bool ask(const QString &folder);
  bool go() const { return go_; }
  // The folder in the field, trimmed, with a leading "~" made the home folder.
  QString outputFolder() const;

  // The folder chooser: returns the chosen folder, or an empty text when
  // cancelled. The desktop's own dialog unless a test sets another.
  std::function<QString(QWidget *parent, const QString &start)> chooseFolder;

 protected:
  void showEvent(QShowEvent *) override;

 private:
  void OnButtonConvertClick();
  bool go_ = false;
};

}  // namespace app
