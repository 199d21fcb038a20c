// The mono/stereo indicator: the words MONO and STEREO one above the other,
// the one that applies lit; neither is lit while nothing plays.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace components::display {

class ChannelLed : public QWidget {
  Q_OBJECT
 public:
  enum class Mode { Off, Mono, Stereo };

  explicit ChannelLed(QWidget *parent = nullptr);

  void setMode(Mode mode);
  void setStereo(bool stereo) { setMode(stereo ? Mode::Stereo : Mode::Mono); }
  Mode mode() const { return mode_; }

  int preferredWidth(int height) const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  static int pitchFor(int height);
  void render();

  Mode mode_ = Mode::Off;
  QPixmap cache_;
};

}  // namespace components::display
