// How a view of `width` pixels shows the frames [start, end): whole frames
// per pixel with columns at absolute multiples of the zoom, or, zoomed in
// past one frame per pixel, a fractional number of pixels per frame.
#pragma once

#include <cstdint>

namespace components::waveviews {

class FrameMapping {
 public:
  FrameMapping() = default;
  FrameMapping(int64_t start, int64_t end, int width);

  int64_t start() const { return start_; }
  int64_t end() const { return end_; }
  int width() const { return width_; }
  // True when fewer frames than pixels are shown: samples are drawn as a line.
  bool sampleMode() const { return sampleMode_; }
  // Frames per column (at least 1; 1 in sample mode).
  int64_t framesPerPixel() const { return fpp_; }
  // The first frame of column 0: start rounded down to a multiple of the zoom.
  int64_t origin() const { return origin_; }

  // The column a frame falls in (may lie outside 0..width-1).
  int64_t columnOf(int64_t frame) const;
  // The x position of a frame's left edge, in pixels.
  double xOf(int64_t frame) const;
  // The frame at pixel x (the first frame of its column), not clamped.
  int64_t frameAt(double x) const;

 private:
  int64_t start_ = 0;
  int64_t end_ = 0;
  int width_ = 1;
  bool sampleMode_ = false;
  int64_t fpp_ = 1;
  int64_t origin_ = 0;
};

// Grid lines (and ruler ticks) every `stepMs` milliseconds: 1, 2 or 5 times
// a power of ten, the first whose lines lie at least `minPixels` apart.
struct TimeGrid {
  int64_t stepMs = 1000;
  int sampleRate = 8000;
  // The frame of line k (k x stepMs ms, rounded down to a frame).
  int64_t frameOfLine(int64_t k) const;
  // The index of the last line at or before `frame`.
  int64_t lineAtOrBefore(int64_t frame) const;
  // The nearest line to `frame` when it lies within `snapPixels` of it, else frame.
  int64_t snap(const FrameMapping &mapping, int64_t frame, int snapPixels = 5) const;
};

TimeGrid timeGrid(const FrameMapping &mapping, int sampleRate, int minPixels = 60);

}  // namespace components::waveviews
