// The player toolbar m_MainToolBar: record, play, pause and stop, the output
// volume slider and the playing position slider, and the hidden retry
// counter panel. The players drive it (PlayerSide); without them the
// transport stays disabled.
#pragma once

#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QWidget>

#include "components/texts/MessageTexts.h"

namespace app {

class PlayerToolbar : public QWidget {
  Q_OBJECT
 public:
  explicit PlayerToolbar(QWidget *parent = nullptr);
  // The hints of every control, from their keys.
  void applyTexts(const components::MessageTexts &texts);

  QToolButton *m_BtnSPRecord, *m_BtnPlay, *m_BtnPause, *m_BtnStop;
  QSlider *m_VolMixerSlider;
  QSlider *m_SldPlayPosition;
  // Damaged reads of the checked read, "00" to "99"; hidden unless shown.
  QLabel *m_PnlRetryCount;

  static constexpr int kHeight = 28;
};

}  // namespace app
