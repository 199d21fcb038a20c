// Edits of a volume envelope, kept sorted with its first point at 0 and its
// last at the wave's end. Volumes stay within 0..kMaxVolume.
#pragma once

#include <cstdint>
#include <vector>

#include "components/waveedit/ListEdits.h"
#include "components/waveedit/WaveLists.h"

namespace components::waveviews {

// Unity from 0 to `length` (empty for an empty wave). Scaling is the wave
// object's own (components::scaleEnvelope), bounded by kMaxVolume.
VolumeEnvelope unityEnvelope(int64_t length);
// Adds a point; false when one exists at that position or it lies outside
// 0..length. An envelope with fewer than two points is made unity first.
bool addPoint(VolumeEnvelope &envelope, int64_t length, int64_t position, int32_t volume);
// Removes the points with these indexes; the first and last points are
// set back to unity instead, so that the envelope keeps its ends.
void removePoints(VolumeEnvelope &envelope, std::vector<int> indexes);
// Moves point `index` to (position, volume), position held between its
// neighbours (the first and last points keep theirs); the point's new index.
int movePoint(VolumeEnvelope &envelope, int index, int64_t position, int32_t volume);

}  // namespace components::waveviews
