#include "components/waveviews/WaveViewState.h"

#include <algorithm>

namespace components::waveviews {

WaveViewState::WaveViewState(QObject *parent) : QObject(parent) {}

void WaveViewState::setWave(int64_t length, int sampleRate) {
  length = std::max<int64_t>(0, length);
  sampleRate = std::max(1, sampleRate);
  if (length == length_ && sampleRate == rate_) return;
  length_ = length;
  rate_ = sampleRate;
  emit waveChanged();
}

void WaveViewState::setRange(int64_t start, int64_t end) {
  if (end < start) std::swap(start, end);
  start = std::max<int64_t>(0, start);
  end = std::max(end, start + 1);
  if (start == rangeStart_ && end == rangeEnd_) return;
  rangeStart_ = start;
  rangeEnd_ = end;
  emit rangeChanged(start, end);
}

void WaveViewState::scrollTo(int64_t start) {
  const int64_t span = rangeEnd_ - rangeStart_;
  start = std::clamp<int64_t>(start, 0, std::max<int64_t>(0, length_ - span));
  setRange(start, start + span);
}

void WaveViewState::setSelection(int64_t start, int64_t end) {
  if (start == selStart_ && end == selEnd_) return;
  selStart_ = start;
  selEnd_ = end;
  emit selectionChanged(start, end);
}

void WaveViewState::setLocator(int64_t frame) {
  if (frame == locator_) return;
  locator_ = frame;
  emit locatorChanged(frame);
}

void WaveViewState::setSecondaryCursor(int64_t frame) {
  if (frame == cursor2_) return;
  cursor2_ = frame;
  emit secondaryCursorChanged(frame);
}

void WaveViewState::setMarkers(const MarkerList &markers) {
  if (markers == markers_) return;
  markers_ = markers;
  emit markersChanged();
}

void WaveViewState::setCuts(const CutList &cuts) {
  if (cuts == cuts_) return;
  cuts_ = cuts;
  emit cutsChanged();
}

void WaveViewState::setEnvelope(const VolumeEnvelope &envelope) {
  if (envelope == envelope_) return;
  envelope_ = envelope;
  emit envelopeChanged();
}

void WaveViewState::setGrid(bool visible, bool snap) {
  if (visible == grid_ && snap == snap_) return;
  grid_ = visible;
  snap_ = snap;
  emit gridChanged();
}

void WaveViewState::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  emit activeChanged(active);
}

void WaveViewState::reset() {
  setWave(0, rate_);
  setRange(0, 44100);
  clearSelection();
  setLocator(-1);
  setSecondaryCursor(-1);
  setMarkers({});
  setCuts({});
  setEnvelope({});
}

}  // namespace components::waveviews
