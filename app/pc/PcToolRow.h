// The PC tool row Panel_layer2 (29 pixels high): the launcher buttons of
// the conversion, the editor, mail and the speed player (off until their
// windows join), the file buttons, the read-only path field and the filter
// field. It only holds the controls; PcPanel::setToolRow wires them.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QToolButton>

#include "components/texts/MessageTexts.h"

namespace pc {

class PcToolRow : public QFrame {
  Q_OBJECT
 public:
  explicit PcToolRow(const components::MessageTexts &texts, QWidget *parent = nullptr);
  // Hints (and accessible names) from their keys.
  void applyTexts(const components::MessageTexts &texts);

  QToolButton *m_BtnConvert, *m_BtnWaveEdit, *m_BtnEmail, *m_BtnSpeed;
  QToolButton *m_BtnOneLevelUp, *m_BtnNewFolder, *m_BtnFileViewStyle;
  QToolButton *m_BtnFileCopy, *m_BtnFileCut, *m_BtnFilePaste;
  QLineEdit *m_EtDirectoryPath;
  // Editable; its list starts as "*.wav", "*.dvg", "*.mp3", "*.*" with the
  // text "*.*". Enter is the panel's (no automatic insertion).
  QComboBox *m_CbFileFilter;

  static constexpr int kHeight = 29;
  static constexpr int kLauncherWidth = 37;
  static constexpr int kFileButtonWidth = 27;
  static constexpr int kFilterWidth = 106;
  static constexpr int kFilterGap = 2;
};

}  // namespace pc
