// The visible range after a zoom: widened to a minimum span and kept inside
// the file.
#pragma once

#include <cstdint>

namespace editor {

struct SampleRange {
  int64_t min = 0;
  int64_t max = 0;
  bool operator==(const SampleRange &) const = default;
};

// The smallest span a zoom may show: for PCM one pixel per sample at most
// (the view's width without its two borders), otherwise 1500 ms of samples.
int64_t minimumZoomSpan(bool pcm, int viewWidth, int border, uint32_t sampleRate);

// ZoomEnd: the range (min, max) of a zoom drag, widened to span. A leftward
// drag (max < min) grows to the left and stops at 0; a rightward one grows
// to the right and is moved back to end at length. The result is ordered,
// min <= max, and lies in [0, length] whenever the span fits in the file.
SampleRange zoomEnd(int64_t min, int64_t max, int64_t span, int64_t length);

}  // namespace editor
