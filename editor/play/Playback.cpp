#include "editor/play/Playback.h"

#include <algorithm>

#include "components/waveedit/ListEdits.h"
#include "editor/play/ViewFollow.h"

namespace editor::play {

namespace {
constexpr int64_t kDragScrollMs = 150;  // as the waveform view scrolls while selecting
}

Playback::Playback(Output &output, Source &source, Bar &bar) : output_(output), source_(source), bar_(bar) {}

void Playback::setPane(Pane *pane) {
  halt();
  pane_ = pane;
}

void Playback::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) halt();
}

bool Playback::hasFile() const { return pane_ && pane_->waveEnd() > pane_->waveStart(); }

const components::CutList *Playback::playCuts() const { return mode_ == 1 ? &cuts_ : nullptr; }

int64_t Playback::firstPlayable() const {
  return std::min(components::skipCuts(cuts_, pane_->waveStart()), pane_->waveEnd());
}

int64_t Playback::playableAt(int64_t position) const {
  if (position < pane_->waveStart() || position >= pane_->waveEnd()) return firstPlayable();
  const int64_t p = components::skipCuts(cuts_, position);
  return p < pane_->waveEnd() ? p : firstPlayable();
}

int64_t Playback::clampToRange(int64_t frame) const {
  const int64_t f = std::clamp(frame, rangeStart_, rangeEnd_);
  return mode_ == 1 ? std::min(components::skipCuts(cuts_, f), rangeEnd_) : f;
}

// ---- Commands ----

void Playback::play() {
  if (!enabled_ || !hasFile() || state_ == PlayState::Playing) return;
  if (state_ == PlayState::Paused && mode_ == 2) {
    // The selection goes on from the locator (from its start when the
    // locator has left it).
    const int64_t s = std::max(pane_->selectionStart(), pane_->waveStart());
    const int64_t e = std::min(pane_->selectionEnd(), pane_->waveEnd());
    if (pane_->selectionStart() >= 0 && pane_->selectionEnd() >= 0 && s < e) {
      const int64_t loc = pane_->locator();
      begin(2, s, e, loc >= s && loc < e ? loc : s);
      return;
    }
  }
  cuts_ = pane_->cuts();
  const int64_t first = firstPlayable();
  if (first >= pane_->waveEnd()) {
    // Nothing to play: every sample lies in a cut region.
    halt();
    return;
  }
  begin(1, first, pane_->waveEnd(), playableAt(pane_->locator()));
}

void Playback::playSelection() {
  if (!enabled_ || !hasFile() || state_ == PlayState::Playing) return;
  const int64_t selStart = pane_->selectionStart(), selEnd = pane_->selectionEnd();
  if (selStart < 0 || selEnd < 0) return;
  const int64_t s = std::max(selStart, pane_->waveStart());
  const int64_t e = std::min(selEnd, pane_->waveEnd());
  if (s >= e) return;  // no selection: nothing plays
  const int64_t loc = pane_->locator();
  const bool resume = state_ == PlayState::Paused && loc >= s && loc < e;
  begin(2, s, e, resume ? loc : s);
}

void Playback::pause() {
  if (state_ != PlayState::Playing) return;
  // The locator keeps the position reached, up to this moment.
  if (mouseMode_ == 0) tick(session_);
  if (state_ != PlayState::Playing) return;  // the tick found the end
  close();
  mouseMode_ = 0;
  state_ = PlayState::Paused;
  setLocked(false);
  bar_.showState(BarState::Paused);
}

void Playback::stop() {
  if (state_ != PlayState::Idle) close();
  mouseMode_ = 0;
  state_ = PlayState::Idle;
  setLocked(false);
  bar_.showState(BarState::Idle);
  if (!hasFile()) return;
  int64_t to = pane_->waveStart();
  if (mode_ == 2 && pane_->selectionStart() >= 0) to = pane_->selectionStart();
  pane_->setLocator(to);
  followPlaying(to);
}

// ---- Sessions and passes ----

bool Playback::begin(int mode, int64_t start, int64_t end, int64_t from) {
  mode_ = mode;
  if (mode != 1) cuts_.clear();
  rangeStart_ = start;
  rangeEnd_ = end;
  playStart_ = from;
  loopStart_ = start;
  looping_ = bar_.repeatChecked();
  mouseMode_ = 0;
  scrubbing_ = false;
  ++session_;
  started_ = false;
  state_ = PlayState::Playing;
  pane_->setLocator(from);
  followPlaying(from);
  bar_.showState(BarState::Playing);
  passStart_ = from;
  passCounter_ = 0;
  fed_ = 0;
  wraps_.clear();
  dataEnded_ = false;
  playPosition_ = from;
  lastOutputCount_ = 0;
  updateNextCut();
  source_.seek(from, end, playCuts());
  if (!output_.start()) {
    close();
    state_ = PlayState::Idle;
    bar_.showState(BarState::Idle);
    return false;
  }
  return true;
}

void Playback::restartPass(int64_t from) {
  passStart_ = from;
  passCounter_ = 0;
  fed_ = 0;
  wraps_.clear();
  dataEnded_ = false;
  playPosition_ = from;
  lastOutputCount_ = 0;
  updateNextCut();
  source_.seek(from, rangeEnd_, playCuts());
  output_.restart();
}

void Playback::close() {
  ++session_;
  output_.stop();
  bar_.setLocatorTimer(false, session_);
  started_ = false;
  scrubbing_ = false;
  wraps_.clear();
}

void Playback::halt() {
  if (state_ == PlayState::Idle) return;
  close();
  mouseMode_ = 0;
  state_ = PlayState::Idle;
  setLocked(false);
  bar_.showState(BarState::Idle);
}

void Playback::finish() {
  close();
  mouseMode_ = 0;
  state_ = PlayState::Idle;
  if (pane_) {
    pane_->setLocator(playStart_);
    followPlaying(playStart_);
  }
  setLocked(false);
  bar_.showState(BarState::Idle);
}

void Playback::setLocked(bool locked) {
  if (locked_ == locked) return;
  locked_ = locked;
  if (pane_) pane_->setLocked(locked);
}

// ---- Events ----

void Playback::outputStarted(uint64_t session) {
  if (session != session_ || state_ != PlayState::Playing || !pane_) return;
  started_ = true;
  setLocked(true);
  bar_.showState(BarState::Playing);
  followPlaying(playPosition_);
  bar_.setLocatorTimer(true, session_);
}

void Playback::outputPlayedOut(uint64_t session) {
  // Only the end of the data ends playback.
  if (session != session_ || state_ != PlayState::Playing || !dataEnded_) return;
  finish();
}

void Playback::tick(uint64_t session) {
  if (session != session_ || state_ != PlayState::Playing || !started_ || scrubbing_ || !pane_) return;
  const int64_t count = output_.samplesPlayed();
  while (!wraps_.empty() && count >= wraps_.front().counter) {
    const Wrap wrap = wraps_.front();
    wraps_.pop_front();
    if (!bar_.repeatChecked()) {
      // Looping only for a jump in progress: the pass has ended.
      finish();
      return;
    }
    passCounter_ = wrap.counter;
    passStart_ = wrap.position;
    playStart_ = loopStart_ = wrap.position;
  }
  // From the pass's first sample, so that every region passed since the
  // last tick is left out at once.
  const int64_t played = count - passCounter_;
  const int64_t position =
      mode_ == 1 ? components::advancePlayed(cuts_, passStart_, played) : passStart_ + played;
  playPosition_ = std::min(position, rangeEnd_);
  lastOutputCount_ = count;
  updateNextCut();
  if (mouseMode_ != 0 || pane_->scrollerDragging()) return;
  followPlaying(playPosition_);
  pane_->setLocator(playPosition_);
}

size_t Playback::feed(int16_t *samples, size_t count) {
  if (state_ != PlayState::Playing) return 0;
  size_t n = 0;
  bool wrapped = false;
  while (n < count) {
    const size_t got = source_.read(samples + n, count - n);
    if (got > 0) {
      n += got;
      wrapped = false;
      continue;
    }
    if (wrapped) wraps_.pop_back();  // the loop holds nothing to play
    if (!looping_ || wrapped) {
      dataEnded_ = true;
      break;
    }
    // The next pass begins where the output's counter reaches fed_ + n.
    wraps_.push_back({fed_ + static_cast<int64_t>(n), loopStart_});
    source_.seek(loopStart_, rangeEnd_, playCuts());
    wrapped = true;
  }
  fed_ += static_cast<int64_t>(n);
  return n;
}

void Playback::updateNextCut() {
  nextCutStart_ = INT64_MAX;
  if (mode_ != 1) return;
  auto it = std::lower_bound(cuts_.begin(), cuts_.end(), playPosition_,
                             [](const components::CutRegion &r, int64_t p) { return r.start < p; });
  if (it != cuts_.end()) nextCutStart_ = it->start;
}

// ---- Mouse ----

bool Playback::mousePress(int64_t frame, Edge edge) {
  if (state_ != PlayState::Playing || !started_ || !pane_) return false;
  if (edge != Edge::None) {
    mouseMode_ = edge == Edge::SelectionStart ? 2 : 3;
    return true;
  }
  // A jump: the pass starts again at the clicked sample, looping while the
  // button is held.
  mouseMode_ = 1;
  savedPlayStart_ = playStart_;
  savedLoopStart_ = loopStart_;
  looping_ = true;
  const int64_t to = clampToRange(frame);
  playStart_ = loopStart_ = to;
  pane_->setLocator(to);
  restartPass(to);
  return true;
}

void Playback::mouseMove(int64_t frame) {
  if (state_ != PlayState::Playing || !pane_ || mouseMode_ != 1) return;
  if (!scrubbing_) {
    output_.pause();
    scrubbing_ = true;
  }
  const int64_t to = std::clamp(frame, rangeStart_, rangeEnd_);
  followDragging(to, true);
  pane_->setLocator(to);
}

void Playback::mouseRelease(int64_t frame) {
  const int mode = mouseMode_;
  mouseMode_ = 0;
  if (state_ != PlayState::Playing || !pane_) return;
  if (mode == 1) {
    const bool repeat = bar_.repeatChecked();
    looping_ = repeat;
    if (scrubbing_) {
      // Playing goes on from where the pointer was let go.
      const int64_t to = clampToRange(frame);
      playStart_ = loopStart_ = to;
      if (repeat) {
        playStart_ = savedPlayStart_;
        loopStart_ = savedLoopStart_;
      }
      pane_->setLocator(to);
      restartPass(to);
      scrubbing_ = false;
      output_.resume();
      return;
    }
    if (repeat) {
      playStart_ = savedPlayStart_;
      loopStart_ = savedLoopStart_;
    }
    // A loop the feed has already queued went to the jump's start: queue
    // again from where the output stands.
    if (!wraps_.empty()) {
      tick(session_);
      if (state_ == PlayState::Playing) restartPass(playPosition_);
    }
    return;
  }
  if (mode == 2 || mode == 3) {
    pane_->selectionApplied();
    close();
    state_ = PlayState::Idle;
    setLocked(false);
    if (pane_->selectionStart() >= 0) pane_->setLocator(pane_->selectionStart());
    play();
    if (state_ == PlayState::Idle) bar_.showState(BarState::Idle);
  }
}

bool Playback::rightPress(int64_t frame) {
  if (state_ != PlayState::Playing || !pane_ || !pane_->isEditPane()) return false;
  pane_->addMarker(std::clamp(frame, pane_->waveStart(), pane_->waveEnd()));
  return true;
}

// ---- Keys ----

bool Playback::key(NavKey key) {
  if (!enabled_ || !hasFile()) return false;
  if (key == NavKey::PlayStop) {
    if (state_ == PlayState::Playing)
      stop();
    else
      play();
    return true;
  }
  if (key == NavKey::Enter) {
    if (!pane_->isEditPane()) return false;
    pane_->addMarker(std::clamp(pane_->locator(), pane_->waveStart(), pane_->waveEnd()));
    return true;
  }
  if (state_ == PlayState::Playing) {
    if (key != NavKey::Backspace || mouseMode_ != 0) return false;
    pane_->setLocator(playStart_);
    followPlaying(playStart_);
    restartPass(playStart_);
    return true;
  }
  const ViewGeometry view = pane_->geometry();
  const int64_t perPixel = std::max<int64_t>(1, (view.rangeEnd - view.rangeStart) / std::max(1, view.width));
  const int64_t start = pane_->waveStart(), end = pane_->waveEnd();
  const int64_t locator = std::clamp(pane_->locator(), start, end);
  int64_t to = locator;
  switch (key) {
    case NavKey::Backspace: to = start; break;
    case NavKey::PageUp: to = locator + 10 * perPixel; break;
    case NavKey::PageDown: to = locator - 10 * perPixel; break;
    case NavKey::End: to = end; break;
    case NavKey::Home: to = start; break;
    case NavKey::Left: to = locator - perPixel; break;
    case NavKey::Right: to = locator + perPixel; break;
    default: return false;
  }
  to = std::clamp(to, start, end);
  followDragging(to, false);
  pane_->setLocator(to);
  return true;
}

// ---- The view follows ----

void Playback::followPlaying(int64_t frame) {
  const ViewGeometry view = pane_->geometry();
  const int64_t start = play::followPlaying(view, frame);
  if (start != view.rangeStart) pane_->scrollTo(start);
}

void Playback::followDragging(int64_t frame, bool throttled) {
  const ViewGeometry view = pane_->geometry();
  const int64_t start = play::followDragging(view, frame);
  if (start == view.rangeStart) return;
  if (throttled && clock_) {
    const int64_t now = clock_();
    if (lastDragScroll_ != INT64_MIN && now - lastDragScroll_ < kDragScrollMs) return;
    lastDragScroll_ = now;
  }
  pane_->scrollTo(start);
}

}  // namespace editor::play
