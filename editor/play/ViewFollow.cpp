#include "editor/play/ViewFollow.h"

#include <algorithm>

namespace editor::play {

namespace {

int64_t span(const ViewGeometry &v) { return std::max<int64_t>(1, v.rangeEnd - v.rangeStart); }

int64_t clampStart(const ViewGeometry &v, int64_t start) {
  return std::clamp<int64_t>(start, 0, std::max<int64_t>(0, v.length - span(v)));
}

// The last frame left of the right margin, for a view that starts at `start`.
int64_t rightLimit(const ViewGeometry &v, int64_t start) {
  const int width = std::max(1, v.width);
  const int64_t margin = std::max(0, width - kFollowMargin);
  return start + span(v) * margin / width;
}

// Moves the start on by `step` as often as it takes for `frame` to lie left
// of the right margin (a locator far beyond the view gets there at once).
int64_t stepRight(const ViewGeometry &v, int64_t frame, int64_t step) {
  step = std::max<int64_t>(1, step);
  const int64_t beyond = frame - rightLimit(v, v.rangeStart);
  const int64_t steps = std::max<int64_t>(1, (beyond + step - 1) / step);
  return clampStart(v, v.rangeStart + steps * step);
}

}  // namespace

int64_t followPlaying(const ViewGeometry &v, int64_t frame) {
  const int64_t s = span(v);
  if (frame < v.rangeStart) return clampStart(v, frame);
  if (frame <= rightLimit(v, v.rangeStart) || v.rangeEnd >= v.length) return v.rangeStart;
  const bool fine = v.halfSteps && s * 1000 <= kHalfStepSpanMs * std::max(1, v.sampleRate);
  return stepRight(v, frame, fine ? s / 2 : s * 4 / 5);
}

int64_t followDragging(const ViewGeometry &v, int64_t frame) {
  const int64_t half = std::max<int64_t>(1, span(v) / 2);
  if (frame > rightLimit(v, v.rangeStart) && v.rangeEnd < v.length) return stepRight(v, frame, half);
  // Within four pixels of the left side (or left of it) moves back.
  const int64_t leftLimit = v.rangeStart + span(v) * (kFollowMargin - 1) / std::max(1, v.width);
  if (frame < leftLimit && v.rangeStart > 0) {
    const int64_t steps = std::max<int64_t>(1, (leftLimit - frame + half - 1) / half);
    return clampStart(v, v.rangeStart - steps * half);
  }
  return v.rangeStart;
}

}  // namespace editor::play
