#include "app/VolumeHandOver.h"

#include <QPointer>
#include <QSlider>

#include "app/MainWindow.h"
#include "app/PlayerToolbar.h"

namespace app {

void handOverVolume(TFrmMain &main, QWidget &window, QSlider &slider) {
  QPointer<QSlider> mainVolume = main.m_MainToolBar->m_VolMixerSlider;
  QObject::connect(&slider, &QSlider::valueChanged, &window, [w = &window, mainVolume](int value) {
    if (mainVolume && w->isVisible()) mainVolume->setValue(value);
  });
}

void takeOverVolume(TFrmMain &main, QSlider &slider) {
  QSlider *mainVolume = main.m_MainToolBar->m_VolMixerSlider;
  if (!mainVolume) return;
  slider.setRange(mainVolume->minimum(), mainVolume->maximum());
  slider.setValue(mainVolume->value());
}

}  // namespace app
