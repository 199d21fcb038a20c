// What the editor's playback logic drives, as small interfaces: the wave
// output, the reader that feeds it, the active pane and the play bar. The
// window implements them over its widgets and the output device; tests over
// fakes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "components/waveedit/WaveLists.h"

namespace editor::play {

// The wave output. It pulls what it plays from Playback::feed().
class Output {
 public:
  virtual ~Output() = default;
  // Opens the device and queues what the feed gives; false when it cannot.
  virtual bool start() = 0;
  // Drops what is queued and pulls again from the feed, which has moved;
  // the counter starts again at 0 and a paused output stays paused.
  virtual void restart() = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
  // Closes the device.
  virtual void stop() = 0;
  // Samples played since start() or restart().
  virtual int64_t samplesPlayed() const = 0;
};

// Reads the samples that play.
class Source {
 public:
  virtual ~Source() = default;
  // Reading goes on from `position` up to `end`, leaving out the regions of
  // `cuts` (null: none).
  virtual void seek(int64_t position, int64_t end, const components::CutList *cuts) = 0;
  // Up to count samples; 0 at the end (or when the file cannot be read).
  virtual size_t read(int16_t *samples, size_t count) = 0;
};

// The zoomed view: the frames [rangeStart, rangeEnd) over `width` pixels.
struct ViewGeometry {
  int64_t rangeStart = 0;
  int64_t rangeEnd = 1;
  int width = 1;
  int64_t length = 0;  // frames of the wave
  int sampleRate = 8000;
  bool halfSteps = false;  // the view asks for half steps in a fine zoom
};

// The active pane.
class Pane {
 public:
  virtual ~Pane() = default;
  // The working wave's range [start, end) and the regions playback skips.
  virtual int64_t waveStart() const = 0;
  virtual int64_t waveEnd() const = 0;
  virtual const components::CutList &cuts() const = 0;
  virtual bool isEditPane() const = 0;

  virtual int64_t locator() const = 0;
  virtual void setLocator(int64_t frame) = 0;
  // Below 0, or a start not before the end: nothing selected.
  virtual int64_t selectionStart() const = 0;
  virtual int64_t selectionEnd() const = 0;

  virtual ViewGeometry geometry() const = 0;
  // Moves the zoomed view to begin at rangeStart, keeping its span.
  virtual void scrollTo(int64_t rangeStart) = 0;
  virtual bool scrollerDragging() const = 0;

  // While playing: no pop-ups, the range scroller off, presses away from
  // the selection edges track the locator.
  virtual void setLocked(bool locked) = 0;
  // A selection edge dragged while playing was released: the selection is final.
  virtual void selectionApplied() = 0;
  virtual void addMarker(int64_t frame) = 0;
};

enum class BarState { Idle, Playing, Paused };

// The play bar and the locator timer.
class Bar {
 public:
  virtual ~Bar() = default;
  virtual bool repeatChecked() const = 0;
  // Idle: play, pause and stop; playing: pause and stop ("Repeat" off);
  // paused: play and stop.
  virtual void showState(BarState state) = 0;
  // The 30 ms tick that calls Playback::tick() with the session it was
  // started for.
  virtual void setLocatorTimer(bool running, uint64_t session) = 0;
};

}  // namespace editor::play
