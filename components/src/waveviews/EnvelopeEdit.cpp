#include "components/waveviews/EnvelopeEdit.h"

#include <algorithm>
#include <cmath>

namespace components::waveviews {

namespace {

int32_t bounded(double volume) {
  return static_cast<int32_t>(std::clamp(std::lround(volume), 0L, static_cast<long>(kMaxVolume)));
}

}  // namespace

VolumeEnvelope unityEnvelope(int64_t length) {
  if (length <= 0) return {};
  return components::unityEnvelope(length);
}

bool addPoint(VolumeEnvelope &envelope, int64_t length, int64_t position, int32_t volume) {
  if (position < 0 || position > length || length <= 0) return false;
  if (envelope.size() < 2) envelope = unityEnvelope(length);
  auto at = std::lower_bound(envelope.begin(), envelope.end(), position,
                             [](const VolumePoint &p, int64_t pos) { return p.position < pos; });
  if (at != envelope.end() && at->position == position) return false;
  envelope.insert(at, VolumePoint{position, bounded(volume)});
  return true;
}

void removePoints(VolumeEnvelope &envelope, std::vector<int> indexes) {
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  const int last = static_cast<int>(envelope.size()) - 1;
  for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
    const int i = *it;
    if (i < 0 || i > last) continue;
    if (i == 0 || i == last)
      envelope[static_cast<size_t>(i)].volume = kUnityVolume;
    else
      envelope.erase(envelope.begin() + i);
  }
}

int movePoint(VolumeEnvelope &envelope, int index, int64_t position, int32_t volume) {
  const int last = static_cast<int>(envelope.size()) - 1;
  if (index < 0 || index > last) return -1;
  VolumePoint &p = envelope[static_cast<size_t>(index)];
  if (index > 0 && index < last) {
    // Strictly between the neighbours, so that no two points share a frame.
    const int64_t lo = envelope[static_cast<size_t>(index - 1)].position + 1;
    const int64_t hi = envelope[static_cast<size_t>(index + 1)].position - 1;
    if (lo <= hi) p.position = std::clamp(position, lo, hi);
  }
  p.volume = bounded(volume);
  return index;
}

}  // namespace components::waveviews
