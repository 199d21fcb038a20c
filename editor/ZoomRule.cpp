#include "editor/ZoomRule.h"

#include <algorithm>

namespace editor {

int64_t minimumZoomSpan(bool pcm, int viewWidth, int border, uint32_t sampleRate) {
  if (pcm) return std::max<int64_t>(1, int64_t{viewWidth} - 2 * int64_t{border});
  return int64_t{sampleRate} * 1500 / 1000;
}

SampleRange zoomEnd(int64_t min, int64_t max, int64_t span, int64_t length) {
  span = std::max<int64_t>(span, 1);
  if (length > 0) span = std::min(span, length);
  if (max < min) {
    max = std::min(max, min - span);
    if (max < 0) {
      min -= max;  // the overshoot below 0 moves to the right end
      max = 0;
    }
    if (length > 0 && min > length) min = length;
    return {max, min};
  }
  max = std::max(max, min + span);
  if (length > 0 && max > length) {
    min -= max - length;
    max = length;
    if (min < 0) min = 0;
  }
  return {min, max};
}

}  // namespace editor
