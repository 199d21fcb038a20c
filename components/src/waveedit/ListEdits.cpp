#include "components/waveedit/ListEdits.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace components {

namespace {

// Floor division, so that a point lying exactly on a line between two others
// changes no value when it is removed.
int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int32_t clampVolume(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kMaxVolume)); }

// Removes the point at `position` when it lies on one line with its
// neighbours; the first and the last point always stay.
void dropIfOnLine(VolumeEnvelope &envelope, int64_t position) {
  auto it = std::find_if(envelope.begin(), envelope.end(), [&](const VolumePoint &p) { return p.position == position; });
  if (it == envelope.end() || it == envelope.begin() || it + 1 == envelope.end()) return;
  if (onOneLine(*(it - 1), *it, *(it + 1))) envelope.erase(it);
}

// Puts a point in order; one already at that position stays.
void putPoint(VolumeEnvelope &envelope, VolumePoint point) {
  auto it = std::lower_bound(envelope.begin(), envelope.end(), point.position,
                             [](const VolumePoint &p, int64_t pos) { return p.position < pos; });
  if (it != envelope.end() && it->position == point.position) return;
  envelope.insert(it, point);
}

}  // namespace

int32_t volumeAt(const VolumeEnvelope &envelope, int64_t position) {
  if (envelope.empty()) return kUnityVolume;
  if (position <= envelope.front().position) return envelope.front().volume;
  if (position >= envelope.back().position) return envelope.back().volume;
  auto next = std::upper_bound(envelope.begin(), envelope.end(), position,
                               [](int64_t pos, const VolumePoint &p) { return pos < p.position; });
  const VolumePoint &b = *next, &a = *(next - 1);
  if (b.position == a.position) return b.volume;
  int64_t v = a.volume + floorDiv((static_cast<int64_t>(b.volume) - a.volume) * (position - a.position), b.position - a.position);
  return clampVolume(v);
}

VolumeEnvelope unityEnvelope(int64_t end) {
  if (end <= 0) return {{0, kUnityVolume}};
  return {{0, kUnityVolume}, {end, kUnityVolume}};
}

void resetEnvelope(VolumeEnvelope &envelope, int64_t end) { envelope = unityEnvelope(end); }

void scaleEnvelope(VolumeEnvelope &envelope, double factor) {
  if (!(factor >= 0)) factor = 0;  // also NaN
  for (VolumePoint &p : envelope) {
    double v = std::round(static_cast<double>(p.volume) * factor);
    p.volume = v >= kMaxVolume ? kMaxVolume : clampVolume(static_cast<int64_t>(v));
  }
}

void normalizeEnvelope(VolumeEnvelope &envelope, int64_t end) {
  if (end < 0) end = 0;
  std::erase_if(envelope, [&](const VolumePoint &p) { return p.position < 0 || p.position > end; });
  std::stable_sort(envelope.begin(), envelope.end(),
                   [](const VolumePoint &a, const VolumePoint &b) { return a.position < b.position; });
  envelope.erase(std::unique(envelope.begin(), envelope.end(),
                             [](const VolumePoint &a, const VolumePoint &b) { return a.position == b.position; }),
                 envelope.end());
  for (VolumePoint &p : envelope) p.volume = clampVolume(p.volume);
  if (envelope.empty()) {
    envelope = unityEnvelope(end);
    return;
  }
  if (envelope.front().position != 0) envelope.insert(envelope.begin(), {0, envelope.front().volume});
  if (envelope.back().position != end) envelope.push_back({end, envelope.back().volume});
}

bool onOneLine(const VolumePoint &a, const VolumePoint &b, const VolumePoint &c) {
  return (static_cast<int64_t>(b.volume) - a.volume) * (c.position - b.position) ==
         (b.position - a.position) * (static_cast<int64_t>(c.volume) - b.volume);
}

// ---- Delete ----

void deleteRange(CutList &cuts, int64_t start, int64_t end) {
  start = std::max<int64_t>(start, 0);
  if (end <= start) return;
  int64_t removed = end - start;
  CutList out;
  for (const CutRegion &r : cuts) {
    int64_t a = r.start, b = r.end();
    if (b <= start) {
      out.push_back(r);
    } else if (a >= end) {
      out.push_back({a - removed, r.length, r.flag});
    } else {
      // Overlaps the range: what lies outside it stays, joined at start.
      int64_t left = std::max<int64_t>(0, std::min(b, start) - a);
      int64_t right = std::max<int64_t>(0, b - std::max(a, end));
      if (left + right > 0) out.push_back({std::min(a, start), left + right, r.flag});
    }
  }
  cuts = std::move(out);
}

void deleteRange(MarkerList &markers, int64_t start, int64_t end) {
  start = std::max<int64_t>(start, 0);
  if (end <= start) return;
  std::unordered_set<uint32_t> gone;
  for (const Marker &m : markers)
    if (m.offset >= start && m.offset < end) {
      gone.insert(m.id);
      if (m.nextId != 0) gone.insert(m.nextId);
    }
  std::erase_if(markers, [&](const Marker &m) { return gone.count(m.id) != 0; });
  for (Marker &m : markers)
    if (m.offset >= end) m.offset -= end - start;
}

void deleteRange(VolumeEnvelope &envelope, int64_t start, int64_t end) {
  start = std::max<int64_t>(start, 0);
  if (end <= start || envelope.empty()) return;
  int64_t removed = end - start;
  int32_t before = volumeAt(envelope, start - 1), after = volumeAt(envelope, end);
  VolumeEnvelope out;
  for (const VolumePoint &p : envelope)
    if (p.position < start) out.push_back(p);
  if (start >= 1) putPoint(out, {start - 1, before});
  out.push_back({start, after});
  for (const VolumePoint &p : envelope)
    if (p.position > end) out.push_back({p.position - removed, p.volume});
  envelope = std::move(out);
  dropIfOnLine(envelope, start);
  dropIfOnLine(envelope, start - 1);
}

// ---- Insert ----

void insertLength(CutList &cuts, int64_t position, int64_t length) {
  if (length <= 0) return;
  CutList out;
  for (const CutRegion &r : cuts) {
    if (r.start >= position) {
      out.push_back({r.start + length, r.length, r.flag});
    } else if (r.end() > position) {
      out.push_back({r.start, position - r.start, r.flag});
      out.push_back({position + length, r.end() - position, r.flag});
    } else {
      out.push_back(r);
    }
  }
  cuts = std::move(out);
}

void insertLength(MarkerList &markers, int64_t position, int64_t length) {
  if (length <= 0) return;
  for (Marker &m : markers)
    if (m.offset >= position) m.offset += length;
}

void insertLength(VolumeEnvelope &envelope, int64_t position, int64_t length) {
  if (length <= 0 || envelope.empty()) return;
  position = std::max<int64_t>(position, 0);
  int32_t held = volumeAt(envelope, position);
  VolumeEnvelope out;
  for (const VolumePoint &p : envelope)
    if (p.position < position) out.push_back(p);
  out.push_back({position, held});
  for (const VolumePoint &p : envelope)
    if (p.position >= position) out.push_back({p.position + length, p.volume});
  putPoint(out, {position + length, held});
  envelope = std::move(out);
  dropIfOnLine(envelope, position);
  dropIfOnLine(envelope, position + length);
}

// ---- Extract ----

CutList extractRange(const CutList &cuts, int64_t start, int64_t end) {
  CutList out;
  for (const CutRegion &r : cuts) {
    int64_t a = std::max(r.start, start), b = std::min(r.end(), end);
    if (b > a) out.push_back({a - start, b - a, r.flag});
  }
  return out;
}

MarkerList extractRange(const MarkerList &markers, int64_t start, int64_t end) {
  MarkerList out;
  std::unordered_set<uint32_t> inside;
  for (const Marker &m : markers)
    if (m.offset >= start && m.offset <= end) {
      out.push_back(m);
      out.back().offset -= start;
      inside.insert(m.id);
    }
  for (Marker &m : out)
    if (m.nextId != 0 && inside.count(m.nextId) == 0) {
      m.nextId = 0;
      m.color = 65535;
    }
  return out;
}

VolumeEnvelope extractRange(const VolumeEnvelope &envelope, int64_t start, int64_t end) {
  if (end < start) end = start;
  VolumeEnvelope out{{0, volumeAt(envelope, start)}};
  for (const VolumePoint &p : envelope)
    if (p.position > start && p.position < end) out.push_back({p.position - start, p.volume});
  if (end > start) out.push_back({end - start, volumeAt(envelope, end)});
  return out;
}

// ---- Paste ----

uint32_t nextMarkerId(const MarkerList &markers) {
  uint32_t highest = 0;
  for (const Marker &m : markers) highest = std::max(highest, m.id);
  if (highest < UINT32_MAX) return highest + 1;
  std::unordered_set<uint32_t> used;
  for (const Marker &m : markers) used.insert(m.id);
  uint32_t id = 1;
  while (used.count(id)) ++id;
  return id;
}

void pasteRange(MarkerList &markers, int64_t position, const MarkerList &clip, int64_t length) {
  insertLength(markers, position, length);
  std::unordered_map<uint32_t, size_t> inClip;  // clipboard ID -> index
  for (size_t i = 0; i < clip.size(); ++i) inClip.emplace(clip[i].id, i);
  std::unordered_map<uint32_t, uint32_t> renamed;  // clipboard ID -> new ID
  for (const Marker &c : clip) {
    if (renamed.count(c.id)) continue;  // came in with its partner
    auto partner = c.nextId != 0 && c.nextId != c.id ? inClip.find(c.nextId) : inClip.end();
    bool pair = partner != inClip.end() && clip[partner->second].nextId == c.id && !renamed.count(c.nextId);
    Marker m = c;
    m.id = nextMarkerId(markers);
    m.offset += position;
    renamed[c.id] = m.id;
    if (!pair) {
      m.nextId = 0;
      m.color = 65535;
      markers.push_back(std::move(m));
      continue;
    }
    markers.push_back(m);
    Marker second = clip[partner->second];
    second.id = nextMarkerId(markers);
    second.offset += position;
    second.nextId = m.id;
    renamed[c.nextId] = second.id;
    markers.back().nextId = second.id;
    markers.push_back(std::move(second));
  }
}

void pasteRange(VolumeEnvelope &envelope, int64_t position, const VolumeEnvelope &clip, int64_t length) {
  if (length <= 0) return;
  position = std::max<int64_t>(position, 0);
  bool hasOwn = !envelope.empty();
  VolumeEnvelope own = hasOwn ? envelope : unityEnvelope(position);
  int32_t before = volumeAt(own, position - 1), after = volumeAt(own, position);
  VolumeEnvelope out;
  for (const VolumePoint &p : own)
    if (p.position < position - 1) out.push_back(p);
  if (position >= 1) out.push_back({position - 1, before});
  // The clipboard's volumes on its own samples: its last point (at its
  // length) stands on the last pasted sample.
  for (const VolumePoint &p : clip)
    if (p.position >= 0 && p.position < length - 1) putPoint(out, {position + p.position, p.volume});
  putPoint(out, {position, volumeAt(clip, 0)});
  putPoint(out, {position + length - 1, volumeAt(clip, length - 1)});
  out.push_back({position + length, after});
  for (const VolumePoint &p : own)
    if (p.position > position) out.push_back({p.position + length, p.volume});
  envelope = std::move(out);
  for (int64_t join : {position - 1, position, position + length - 1, position + length}) dropIfOnLine(envelope, join);
}

// ---- Playback ----

int64_t skipCuts(const CutList &cuts, int64_t position) {
  auto it = std::upper_bound(cuts.begin(), cuts.end(), position,
                             [](int64_t pos, const CutRegion &r) { return pos < r.start; });
  if (it != cuts.begin()) --it;  // the last region starting at or before position
  for (; it != cuts.end() && it->start <= position; ++it)
    if (position < it->end()) position = it->end();
  return position;
}

int64_t advancePlayed(const CutList &cuts, int64_t from, int64_t played) {
  int64_t position = skipCuts(cuts, from);
  if (played <= 0) return position;
  auto next = std::upper_bound(cuts.begin(), cuts.end(), position,
                               [](int64_t pos, const CutRegion &r) { return pos < r.start; });
  while (next != cuts.end()) {
    if (position + played < next->start) break;
    played -= next->start - position;
    position = skipCuts(cuts, next->start);
    next = std::upper_bound(next, cuts.end(), position, [](int64_t pos, const CutRegion &r) { return pos < r.start; });
  }
  return position + played;
}

int64_t playedLength(const CutList &cuts, int64_t from, int64_t to) {
  if (to <= from) return 0;
  int64_t length = to - from;
  for (const CutRegion &r : cuts) {
    int64_t a = std::max(r.start, from), b = std::min(r.end(), to);
    if (b > a) length -= b - a;
  }
  return length;
}

}  // namespace components
