// What the edit operations do to the lists a wave carries: delete a range,
// insert a length, extract a range for the clipboard, and the volume
// envelope's own operations. Pure functions; positions are samples, and a
// range [start, end) holds the samples from start up to end - 1.
#pragma once

#include <cstdint>

#include "components/waveedit/WaveLists.h"

namespace components {

// ---- Volume envelope ----

// The volume at a position: the straight line between the points around it
// (rounded down), the first point's volume before it, the last point's after
// it, unity when the envelope is empty.
int32_t volumeAt(const VolumeEnvelope &envelope, int64_t position);

// Unity from 0 to end.
VolumeEnvelope unityEnvelope(int64_t end);
void resetEnvelope(VolumeEnvelope &envelope, int64_t end);

// Multiplies every volume by factor, rounded and held within 0..kMaxVolume
// (+24 dB), so that repeated scaling never overflows.
inline constexpr int32_t kMaxVolume = 16 * kUnityVolume;
void scaleEnvelope(VolumeEnvelope &envelope, double factor);

// Sorts, drops points outside 0..end and all but the first of points at one
// position, holds volumes within 0..kMaxVolume, and puts a first point at 0
// and a last at end (unity when nothing is left).
void normalizeEnvelope(VolumeEnvelope &envelope, int64_t end);

// Three points lie on one straight line (exact, in 64-bit products).
bool onOneLine(const VolumePoint &a, const VolumePoint &b, const VolumePoint &c);

// ---- Delete [start, end) ----
// What lay inside goes, what straddles an edge is clipped, what lay at or
// after end moves left by end - start.

void deleteRange(CutList &cuts, int64_t start, int64_t end);
// A deleted marker takes its partner with it.
void deleteRange(MarkerList &markers, int64_t start, int64_t end);
// The volumes on both sides stay as they were: join points hold the volume
// just before start and the volume at end (a step), and are left out where
// they lie on one line with their neighbours.
void deleteRange(VolumeEnvelope &envelope, int64_t start, int64_t end);

// ---- Insert length samples at position ----
// What lies at or after position moves right by length.

// A region around position is split, so that the inserted samples play.
void insertLength(CutList &cuts, int64_t position, int64_t length);
void insertLength(MarkerList &markers, int64_t position, int64_t length);
// The inserted samples get the volume at position; the volumes elsewhere
// stay as they were.
void insertLength(VolumeEnvelope &envelope, int64_t position, int64_t length);

// ---- Extract [start, end) as a list based at 0 (Copy) ----

CutList extractRange(const CutList &cuts, int64_t start, int64_t end);
// Markers from start to end, both included; one whose partner lies outside
// stands alone (NextID 0, colour 65535).
MarkerList extractRange(const MarkerList &markers, int64_t start, int64_t end);
// A point at 0 with the volume at start, the points inside, and a point at
// end - start with the volume at end.
VolumeEnvelope extractRange(const VolumeEnvelope &envelope, int64_t start, int64_t end);

// ---- Paste a clipboard of `length` samples at position ----

// The markers at or after position move right by length; the clipboard's
// markers follow, moved by position, each with the next free ID. A
// clipboard pair stays a pair (with its new IDs), in whatever order the
// clipboard lists it; a lone marker gets NextID 0 and colour 65535.
void pasteRange(MarkerList &markers, int64_t position, const MarkerList &clip, int64_t length);
// Before position the volumes stay, the pasted samples take the clipboard's
// volumes (clip based at 0, as extractRange gives it), and after them the
// volumes go on as they stood from position on.
void pasteRange(VolumeEnvelope &envelope, int64_t position, const VolumeEnvelope &clip, int64_t length);

// The next free marker ID: one above the highest, or the lowest unused.
uint32_t nextMarkerId(const MarkerList &markers);

// ---- Cut regions during playback ----
// Regions are sorted and never overlap (as CutList promises).

// The position itself, or the first sample after the region(s) it lies in.
int64_t skipCuts(const CutList &cuts, int64_t position);
// Where playback stands after `played` samples from `from`, the regions
// skipped; regions that follow one another are all passed at once.
int64_t advancePlayed(const CutList &cuts, int64_t from, int64_t played);
// Samples that play from `from` up to `to` (exclusive), the regions left out.
int64_t playedLength(const CutList &cuts, int64_t from, int64_t to);

}  // namespace components
