// What the edit operations do to cut regions, markers and the envelope, and
// how playback passes the cut regions.
#include <gtest/gtest.h>

#include <random>

#include "components/waveedit/ListEdits.h"

using namespace components;

namespace {

constexpr int32_t U = kUnityVolume;

Marker marker(uint32_t id, int64_t offset, uint32_t next = 0, uint32_t color = 255) {
  Marker m;
  m.id = id;
  m.offset = offset;
  m.nextId = next;
  m.color = color;
  m.name = "m" + std::to_string(id);
  return m;
}

std::vector<std::pair<uint32_t, int64_t>> idsAndOffsets(const MarkerList &markers) {
  std::vector<std::pair<uint32_t, int64_t>> out;
  for (const Marker &m : markers) out.emplace_back(m.id, m.offset);
  return out;
}

// Sorted, first at 0, no two points at one position.
void expectWellFormed(const VolumeEnvelope &env, int64_t end) {
  ASSERT_FALSE(env.empty());
  EXPECT_EQ(env.front().position, 0);
  EXPECT_EQ(env.back().position, end);
  for (size_t i = 1; i < env.size(); ++i) EXPECT_LT(env[i - 1].position, env[i].position) << i;
}

TEST(Envelope, VolumeIsTheLineBetweenPoints) {
  VolumeEnvelope env{{0, 0}, {10, U}, {20, U}, {23, 0}};
  struct Case {
    int64_t at;
    int32_t volume;
  } cases[] = {{-1, 0}, {0, 0}, {5, U / 2}, {3, 4915}, {10, U}, {15, U}, {21, 10922}, {23, 0}, {99, 0}};
  for (auto c : cases) EXPECT_EQ(volumeAt(env, c.at), c.volume) << c.at;
  EXPECT_EQ(volumeAt({}, 7), U);
  EXPECT_EQ(volumeAt({{0, 10}, {3, 0}}, 1), 6);  // rounded down, also on a falling line
}

TEST(Envelope, ScaleSaturatesAndResetIsUnity) {
  VolumeEnvelope env{{0, U}, {10, 0}, {20, kMaxVolume - 5}};
  scaleEnvelope(env, 1.122462);
  EXPECT_EQ(env, (VolumeEnvelope{{0, 18390}, {10, 0}, {20, kMaxVolume}}));
  for (int i = 0; i < 300; ++i) scaleEnvelope(env, 1.122462);
  for (auto &p : env) EXPECT_GE(p.volume, 0);
  EXPECT_EQ(env[0].volume, kMaxVolume);
  env = {{0, U}, {8, U}};
  scaleEnvelope(env, 0.8908987);
  EXPECT_EQ(env[0].volume, 14596);
  scaleEnvelope(env, -2);
  EXPECT_EQ(env[0].volume, 0);
  resetEnvelope(env, 500);
  EXPECT_EQ(env, (VolumeEnvelope{{0, U}, {500, U}}));
}

TEST(Envelope, NormalizeSortsDropsDuplicatesAndFillsTheEnds) {
  VolumeEnvelope env{{50, 1}, {10, 2}, {10, 3}, {200, 4}, {-5, 9}, {60, -7}};
  normalizeEnvelope(env, 100);
  EXPECT_EQ(env, (VolumeEnvelope{{0, 2}, {10, 2}, {50, 1}, {60, 0}, {100, 0}}));
  VolumeEnvelope none;
  normalizeEnvelope(none, 100);
  EXPECT_EQ(none, unityEnvelope(100));
}

TEST(Cuts, DeleteClipsShiftsAndDrops) {
  struct Case {
    CutList before;
    int64_t s, e;
    CutList after;
  } cases[] = {
      {{{10, 5, 1}, {20, 10, 2}, {40, 5, 3}}, 12, 25, {{10, 2, 1}, {12, 5, 2}, {27, 5, 3}}},
      {{{10, 20, 0}}, 15, 20, {{10, 15, 0}}},  // around the range
      {{{12, 3, 0}}, 10, 20, {}},                // inside it
      {{{0, 5, 0}}, 0, 3, {{0, 2, 0}}},
      {{{30, 5, 0}}, 10, 30, {{10, 5, 0}}},      // at E: shifted to S
      {{{30, 5, 0}}, -10, 5, {{25, 5, 0}}},      // a start below 0 counts from 0
      {{{30, 5, 0}}, 20, 20, {{30, 5, 0}}},      // nothing to delete
  };
  for (auto &c : cases) {
    CutList cuts = c.before;
    deleteRange(cuts, c.s, c.e);
    EXPECT_EQ(cuts, c.after) << c.s << ".." << c.e;
  }
}

TEST(Cuts, InsertSplitsARegionAroundThePosition) {
  struct Case {
    int64_t at;
    CutList after;
  } cases[] = {{15, {{10, 5, 7}, {20, 5, 7}}}, {10, {{15, 10, 7}}}, {20, {{10, 10, 7}}}, {0, {{15, 10, 7}}}};
  for (auto &c : cases) {
    CutList cuts{{10, 10, 7}};
    insertLength(cuts, c.at, 5);
    EXPECT_EQ(cuts, c.after) << c.at;
  }
}

TEST(Cuts, ExtractIsClippedAndBasedAtZero) {
  CutList cuts{{10, 10, 1}, {30, 5, 2}, {50, 5, 3}};
  EXPECT_EQ(extractRange(cuts, 15, 32), (CutList{{0, 5, 1}, {15, 2, 2}}));
  EXPECT_EQ(extractRange(cuts, 20, 30), CutList{});
}

TEST(Markers, DeleteTakesPartnersAndShifts) {
  MarkerList base{marker(1, 5, 2), marker(2, 30, 1), marker(3, 15), marker(4, 40)};
  MarkerList m = base;
  deleteRange(m, 10, 20);
  EXPECT_EQ(idsAndOffsets(m), (std::vector<std::pair<uint32_t, int64_t>>{{1, 5}, {2, 20}, {4, 30}}));
  m = base;
  deleteRange(m, 0, 10);  // marker 1 goes and takes 2 with it
  EXPECT_EQ(idsAndOffsets(m), (std::vector<std::pair<uint32_t, int64_t>>{{3, 5}, {4, 30}}));
  m = base;
  deleteRange(m, 20, 40);  // a marker at E stays, moved to S
  EXPECT_EQ(idsAndOffsets(m), (std::vector<std::pair<uint32_t, int64_t>>{{3, 15}, {4, 20}}));
}

TEST(Markers, InsertShiftsFromThePositionOn) {
  MarkerList m{marker(1, 5), marker(2, 10), marker(3, 11)};
  insertLength(m, 10, 100);
  EXPECT_EQ(idsAndOffsets(m), (std::vector<std::pair<uint32_t, int64_t>>{{1, 5}, {2, 110}, {3, 111}}));
}

TEST(Markers, ExtractKeepsBothEndsAndFreesLonePartners) {
  MarkerList m{marker(1, 10, 2), marker(2, 50, 1), marker(3, 20), marker(4, 30, 5), marker(5, 32, 4), marker(6, 31)};
  MarkerList clip = extractRange(m, 10, 32);
  ASSERT_EQ(idsAndOffsets(clip),
            (std::vector<std::pair<uint32_t, int64_t>>{{1, 0}, {3, 10}, {4, 20}, {5, 22}, {6, 21}}));
  EXPECT_EQ(clip[0].nextId, 0u);
  EXPECT_EQ(clip[0].color, 65535u);
  EXPECT_EQ(clip[2].nextId, 5u);  // the pair inside stays a pair
  EXPECT_EQ(clip[2].color, 255u);
  EXPECT_EQ(clip[3].nextId, 4u);
}

TEST(EnvelopeEdits, DeleteKeepsTheVolumesOnBothSides) {
  VolumeEnvelope unity = unityEnvelope(100);
  deleteRange(unity, 10, 20);
  EXPECT_EQ(unity, unityEnvelope(90));  // no join points on a flat line

  VolumeEnvelope ramp{{0, 0}, {100, 10000}};
  deleteRange(ramp, 40, 60);
  EXPECT_EQ(ramp, (VolumeEnvelope{{0, 0}, {39, 3900}, {40, 6000}, {80, 10000}}));

  VolumeEnvelope tail{{0, U}, {100, 2 * U}};
  deleteRange(tail, 50, 100);
  EXPECT_EQ(tail, (VolumeEnvelope{{0, U}, {49, 24412}, {50, 2 * U}}));

  VolumeEnvelope head{{0, 0}, {10, U}, {100, U}};
  deleteRange(head, 0, 10);
  EXPECT_EQ(head, unityEnvelope(90));
}

// Random envelopes: after a delete, every volume before S is what it was
// (within the rounding of one join point) and every volume from S on is what
// stood E - S later; after an insert the inserted span holds the volume at P.
TEST(EnvelopeEdits, DeleteAndInsertPreserveTheShape) {
  std::mt19937 random(417);
  for (int round = 0; round < 200; ++round) {
    const int64_t end = 200;
    VolumeEnvelope env{{0, static_cast<int32_t>(random() % 40000)}};
    for (int64_t p = 1 + random() % 30; p < end; p += 1 + random() % 40)
      env.push_back({p, static_cast<int32_t>(random() % 40000)});
    env.push_back({end, static_cast<int32_t>(random() % 40000)});
    int64_t s = random() % end, e = s + random() % (end - s + 1);

    VolumeEnvelope del = env;
    deleteRange(del, s, e);
    expectWellFormed(del, end - (e - s));
    for (int64_t x = 0; x <= end - (e - s); ++x) {
      if (x < s)
        EXPECT_NEAR(volumeAt(del, x), volumeAt(env, x), 1) << "delete " << s << ".." << e << " at " << x;
      else
        EXPECT_NEAR(volumeAt(del, x), volumeAt(env, x + e - s), 1) << "delete " << s << ".." << e << " at " << x;
    }

    int64_t length = 1 + random() % 50;
    VolumeEnvelope ins = env;
    insertLength(ins, s, length);
    expectWellFormed(ins, end + length);
    for (int64_t x = 0; x <= end + length; ++x) {
      int32_t want = x < s ? volumeAt(env, x) : x < s + length ? volumeAt(env, s) : volumeAt(env, x - length);
      EXPECT_NEAR(volumeAt(ins, x), want, 1) << "insert at " << s << " at " << x;
    }
  }
}

TEST(EnvelopeEdits, PasteGivesThePastedSamplesTheClipboardsVolumes) {
  VolumeEnvelope flat = unityEnvelope(100);
  pasteRange(flat, 40, unityEnvelope(10), 10);
  EXPECT_EQ(flat, unityEnvelope(110));  // no join points on a flat line

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const int64_t end = 150;
    auto randomEnvelope = [&](int64_t last) {
      VolumeEnvelope env{{0, static_cast<int32_t>(random() % 40000)}};
      for (int64_t p = 1 + random() % 20; p < last; p += 1 + random() % 30)
        env.push_back({p, static_cast<int32_t>(random() % 40000)});
      env.push_back({last, static_cast<int32_t>(random() % 40000)});
      return env;
    };
    VolumeEnvelope own = randomEnvelope(end);
    int64_t length = 1 + random() % 60, at = random() % (end + 1);
    VolumeEnvelope clip = extractRange(randomEnvelope(200), 20, 20 + length);
    VolumeEnvelope pasted = own;
    pasteRange(pasted, at, clip, length);
    expectWellFormed(pasted, end + length);
    for (int64_t x = 0; x <= end + length; ++x) {
      int32_t want = x < at ? volumeAt(own, x) : x < at + length ? volumeAt(clip, x - at) : volumeAt(own, x - length);
      EXPECT_NEAR(volumeAt(pasted, x), want, 1) << "paste " << length << " at " << at << ", volume at " << x;
    }
  }
}

TEST(Markers, PasteKeepsPairsWhateverTheirOrder) {
  MarkerList edit{marker(1, 5), marker(2, 40), marker(9, 60)};
  MarkerList clip{marker(2, 30, 1, 1), marker(1, 0, 2, 1), marker(3, 10, 0, 2), marker(4, 20, 77, 3)};
  pasteRange(edit, 40, clip, 50);
  EXPECT_EQ(idsAndOffsets(edit), (std::vector<std::pair<uint32_t, int64_t>>{
                                     {1, 5}, {2, 90}, {9, 110}, {10, 70}, {11, 40}, {12, 50}, {13, 60}}));
  EXPECT_EQ(edit[3].nextId, 11u);  // the pair, with new IDs that point at each other
  EXPECT_EQ(edit[4].nextId, 10u);
  EXPECT_EQ(edit[3].color, 1u);
  EXPECT_EQ(edit[5].nextId, 0u);
  EXPECT_EQ(edit[6].nextId, 0u);  // its partner was not in the clipboard
  EXPECT_EQ(edit[6].color, 65535u);
  EXPECT_EQ(nextMarkerId({marker(UINT32_MAX, 0), marker(1, 0), marker(2, 0)}), 3u);
}

TEST(EnvelopeEdits, ExtractStartsAtZeroAndEndsAtTheLength) {
  VolumeEnvelope env{{0, 0}, {50, 5000}, {100, 10000}};
  EXPECT_EQ(extractRange(env, 40, 60), (VolumeEnvelope{{0, 4000}, {10, 5000}, {20, 6000}}));
  EXPECT_EQ(extractRange(env, 50, 50), (VolumeEnvelope{{0, 5000}}));
  EXPECT_EQ(extractRange(env, 0, 100), env);
}

TEST(Playback, PositionsPassTheCutRegions) {
  CutList cuts{{10, 5, 0}, {15, 5, 0}, {30, 5, 0}};
  struct Case {
    int64_t from, played, reached;
  } cases[] = {
      {0, 9, 9},   {0, 10, 20},  // reaching a region passes both regions that follow one another
      {0, 15, 25}, {0, 20, 35}, {12, 0, 20}, {12, 3, 23}, {36, 10, 46}, {0, 0, 0},
  };
  for (auto c : cases) EXPECT_EQ(advancePlayed(cuts, c.from, c.played), c.reached) << c.from << "+" << c.played;
  EXPECT_EQ(skipCuts(cuts, 12), 20);
  EXPECT_EQ(skipCuts(cuts, 9), 9);
  EXPECT_EQ(skipCuts(cuts, 30), 35);
  EXPECT_EQ(playedLength(cuts, 0, 40), 25);
  EXPECT_EQ(playedLength(cuts, 12, 32), 10);
  EXPECT_EQ(playedLength(cuts, 32, 12), 0);

  // One sample between two regions plays; none between adjacent ones.
  CutList gap{{1000, 499, 0}, {1500, 100, 0}};
  EXPECT_EQ(advancePlayed(gap, 0, 1000), 1499);
  EXPECT_EQ(advancePlayed(gap, 0, 1001), 1600);
  CutList joined{{1000, 500, 0}, {1500, 100, 0}};
  EXPECT_EQ(advancePlayed(joined, 0, 1000), 1600);
  // Played length and position agree.
  for (int64_t n = 0; n < 60; ++n) EXPECT_EQ(playedLength(cuts, 0, advancePlayed(cuts, 0, n)), n) << n;
}

}  // namespace
