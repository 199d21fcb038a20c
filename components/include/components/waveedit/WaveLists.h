// The lists a wave carries beside its samples: cut regions that reading
// skips, markers, and the volume envelope applied when it renders. Positions
// are sample frames of the wave's data, in 64 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace components {

// Unity gain of a volume point.
inline constexpr int32_t kUnityVolume = 16384;

// A region of samples [start, start + length) that playback and rendering skip.
struct CutRegion {
  int64_t start = 0;
  int64_t length = 0;
  int32_t flag = 0;
  int64_t end() const { return start + length; }
  bool operator==(const CutRegion &) const = default;
};

// Regions kept sorted by start and never overlapping.
using CutList = std::vector<CutRegion>;

// A marker; two markers whose IDs point at each other form a region.
struct Marker {
  static constexpr size_t kNameChars = 80;
  static constexpr size_t kCommentChars = 255;
  uint32_t id = 0;
  uint32_t nextId = 0;  // the partner's id, 0 when it stands alone
  int64_t offset = 0;   // samples
  std::string name;
  std::string comment;
  bool fixed = false;
  bool visible = true;
  uint32_t color = 65535;
  uint32_t flags = 0;
  bool operator==(const Marker &) const = default;
};

using MarkerList = std::vector<Marker>;

// A point of the volume envelope; the volume between two points is the
// straight line between them.
struct VolumePoint {
  int64_t position = 0;
  int32_t volume = kUnityVolume;
  bool operator==(const VolumePoint &) const = default;
};

// Sorted by position, first at 0 and last at the end of the wave, when not empty.
using VolumeEnvelope = std::vector<VolumePoint>;

}  // namespace components
