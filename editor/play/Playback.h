// The editor's playback of the active pane, without widgets: Play, Play
// Selection, Pause, Stop, the locator tick that maps the output's sample
// counter through the cut regions, loop and repeat, the mouse while playing
// and the navigation keys.
//
// Positions are samples of the working wave. Mode 1 plays the wave from the
// locator with its cut regions left out, mode 2 the selection as it is. A
// cut region is [start, start + length).
//
// The output pulls samples through feed() ahead of what it has played; when
// the feed wraps at the end of a looping pass it notes the counter value at
// which the next pass begins, so the tick knows where every played sample
// came from. Output events and ticks carry the session they were issued for:
// after Pause, Stop or the end, late ones find a newer session and do nothing.
// All calls come from one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

#include "components/waveedit/WaveLists.h"
#include "editor/play/PlayPorts.h"

namespace editor::play {

enum class PlayState { Idle, Playing, Paused };
enum class Edge { None, SelectionStart, SelectionEnd };
enum class NavKey { PlayStop, Enter, Backspace, PageUp, PageDown, End, Home, Left, Right };

class Playback {
 public:
  Playback(Output &output, Source &source, Bar &bar);

  // The active pane (null: none); what plays stops first.
  void setPane(Pane *pane);
  Pane *pane() const { return pane_; }
  // Disabled while a long step runs: what plays stops, nothing starts and
  // keys do nothing.
  void setEnabled(bool enabled);
  bool enabled() const { return enabled_; }
  // Milliseconds of a steady clock; drag scrolling then waits 150 ms
  // between steps (none: every step scrolls).
  void setClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }

  void play();
  void playSelection();
  void pause();
  void stop();

  // ---- Events, with the session they belong to ----
  uint64_t session() const { return session_; }
  void outputStarted(uint64_t session);
  // Every buffer has played and the feed had ended.
  void outputPlayedOut(uint64_t session);
  void tick(uint64_t session);

  // The output's feed: up to count samples, 0 when the data has ended.
  size_t feed(int16_t *samples, size_t count);

  // ---- Mouse on the zoomed view while playing (left button) ----
  // False when nothing plays (the view acts as usual).
  bool mousePress(int64_t frame, Edge edge);
  void mouseMove(int64_t frame);
  void mouseRelease(int64_t frame);
  // Right button: a marker in the edit pane while playing.
  bool rightPress(int64_t frame);

  // True when the key was taken.
  bool key(NavKey key);

  // ---- State ----
  PlayState state() const { return state_; }
  bool active() const { return state_ != PlayState::Idle; }
  bool playing() const { return state_ == PlayState::Playing && !scrubbing_; }
  bool locked() const { return locked_; }
  int mode() const { return mode_; }
  int mouseMode() const { return mouseMode_; }
  bool looping() const { return looping_; }
  int64_t rangeStart() const { return rangeStart_; }
  int64_t rangeEnd() const { return rangeEnd_; }
  int64_t playStart() const { return playStart_; }
  int64_t loopStart() const { return loopStart_; }
  int64_t playPosition() const { return playPosition_; }
  int64_t lastOutputCount() const { return lastOutputCount_; }
  // The start of the first cut region at or after the play position
  // (INT64_MAX when none, and in mode 2).
  int64_t nextCutStart() const { return nextCutStart_; }

 private:
  // Where the output's counter begins a new pass, and the sample it plays first.
  struct Wrap {
    int64_t counter;
    int64_t position;
  };

  bool hasFile() const;
  const components::CutList *playCuts() const;
  int64_t firstPlayable() const;
  int64_t playableAt(int64_t position) const;
  int64_t clampToRange(int64_t frame) const;
  bool begin(int mode, int64_t start, int64_t end, int64_t from);
  void restartPass(int64_t from);
  void close();
  void halt();
  void finish();
  void setLocked(bool locked);
  void followPlaying(int64_t frame);
  void followDragging(int64_t frame, bool throttled);
  void updateNextCut();

  Output &output_;
  Source &source_;
  Bar &bar_;
  Pane *pane_ = nullptr;
  bool enabled_ = true;
  std::function<int64_t()> clock_;
  int64_t lastDragScroll_ = INT64_MIN;

  PlayState state_ = PlayState::Idle;
  uint64_t session_ = 1;
  bool started_ = false;    // the output's start event came
  bool dataEnded_ = false;  // the feed has given its last sample
  bool locked_ = false;
  bool scrubbing_ = false;  // the output is paused while the locator follows the pointer
  int mode_ = 1;
  int mouseMode_ = 0;
  bool looping_ = false;
  components::CutList cuts_;  // the pane's regions when the session began

  int64_t rangeStart_ = 0, rangeEnd_ = 0;
  int64_t playStart_ = 0, loopStart_ = 0;
  int64_t savedPlayStart_ = 0, savedLoopStart_ = 0;  // before a jump
  int64_t playPosition_ = 0;
  int64_t lastOutputCount_ = 0;
  int64_t nextCutStart_ = INT64_MAX;

  // The pass the output plays now: its first sample and the counter there.
  int64_t passStart_ = 0, passCounter_ = 0;
  int64_t fed_ = 0;  // samples fed since the output's counter began
  std::deque<Wrap> wraps_;
};

}  // namespace editor::play
