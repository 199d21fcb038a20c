// A pane's state with a peak cache over a generated file, and mouse input
// sent straight to a widget.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <filesystem>
#include <memory>

#include "WavFixture.h"
#include "components/waveviews/PeakCache.h"
#include "components/waveviews/WaveViewState.h"

namespace waveviews_test {

inline void mouse(QWidget *w, QEvent::Type type, int x, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier, int y = -1) {
  const QPointF pos(x, y < 0 ? w->height() / 2 : y);
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button, buttons,
                    modifiers);
  QApplication::sendEvent(w, &event);
}

// Press at `from`, move through `to` in steps, release there.
inline void drag(QWidget *w, int from, int to, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  mouse(w, QEvent::MouseButtonPress, from, button, modifiers);
  const int step = from < to ? 10 : -10;
  for (int x = from + step; step > 0 ? x < to : x > to; x += step) mouse(w, QEvent::MouseMove, x, button, modifiers);
  mouse(w, QEvent::MouseMove, to, button, modifiers);
  mouse(w, QEvent::MouseButtonRelease, to, button, modifiers);
}

struct Pane {
  explicit Pane(int64_t frames = 100000, const std::string &name = "pane.wav") : path(tempPath(name)) {
    writeWav(path, testSignal(frames));
    cache->build(path);
    state.setWave(cache->frames(), cache->sampleRate());
    state.setRange(0, cache->frames());
  }
  ~Pane() { std::filesystem::remove(path); }
  std::string path;
  std::shared_ptr<components::waveviews::PeakCache> cache = std::make_shared<components::waveviews::PeakCache>();
  components::waveviews::WaveViewState state;
};

}  // namespace waveviews_test
