// Where the zoomed view moves so that the locator stays visible: while
// playing it moves on by four fifths of its span (half a span in a fine zoom
// when the view asks for half steps), or starts at a locator left of it;
// while the user drags or steps with the keys it moves by half spans.
#pragma once

#include <cstdint>

#include "editor/play/PlayPorts.h"

namespace editor::play {

// A locator beyond this many pixels from the right side moves the view.
inline constexpr int kFollowMargin = 5;
// Half steps apply to views that show at most this many milliseconds.
inline constexpr int64_t kHalfStepSpanMs = 200;

// The range start that keeps `frame` in view while playing.
int64_t followPlaying(const ViewGeometry &view, int64_t frame);
// The range start that keeps `frame` in view while dragging or stepping.
int64_t followDragging(const ViewGeometry &view, int64_t frame);

}  // namespace editor::play
