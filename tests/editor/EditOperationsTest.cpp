// The editor's edit operations, clipboard and undo list, headless on small
// WAV files: the audio and the lists each step leaves, what a failed or
// cancelled step leaves behind, and which temporary files the undo list
// deletes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "../waveedit/WaveFixtures.h"
#include "components/waveedit/ListEdits.h"
#include "components/waveedit/WaveObject.h"
#include "editor/TempFiles.h"
#include "editor/edit/Clipboard.h"
#include "editor/edit/EditOperations.h"
#include "editor/edit/UndoList.h"
#include "testsupport/Files.h"
#include "testsupport/TempDir.h"

using namespace editor;
using components::CutList;
using components::Marker;
using components::MarkerList;
using components::VolumeEnvelope;
using components::WaveDescription;
namespace fs = std::filesystem;

namespace {

using Samples = std::vector<int16_t>;

// Values that differ from sample to sample, so that a shifted or dropped
// sample shows.
Samples distinct(size_t n, int seed = 0) {
  Samples out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<int16_t>((static_cast<int>(i) * 7 + seed * 1000) % 30000 - 15000);
  return out;
}

Samples slice(const Samples &s, int64_t from, int64_t to) { return Samples(s.begin() + from, s.begin() + to); }

Samples joined(std::initializer_list<Samples> parts) {
  Samples out;
  for (const Samples &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Samples samplesOf(const fs::path &file, uint32_t *rate = nullptr) {
  components::WaveObject wave;
  if (wave.open(file, components::FormatRule::AnyRate) != components::WaveOpen::Ok) return {};
  if (rate) *rate = wave.format().sampleRate;
  Samples out(static_cast<size_t>(wave.dataSamples()));
  out.resize(wave.read(out.data(), out.size()));
  return out;
}

Marker marker(uint32_t id, uint32_t next, int64_t offset) {
  Marker m;
  m.id = id;
  m.nextId = next;
  m.offset = offset;
  m.name = "M" + std::to_string(id);
  m.color = next ? 255 : 65535;
  return m;
}

// First point at 0, last at end, positions strictly rising.
void expectWellFormed(const VolumeEnvelope &env, int64_t end) {
  ASSERT_FALSE(env.empty());
  EXPECT_EQ(env.front().position, 0);
  EXPECT_EQ(env.back().position, end);
  for (size_t i = 1; i < env.size(); ++i) EXPECT_LT(env[i - 1].position, env[i].position) << "point " << i;
}

// The volume of every new sample is the volume that sample had before (the
// envelope holds whole volumes, so a join may round by one).
template <typename Before>
void expectVolumes(const VolumeEnvelope &after, int64_t length, Before before) {
  for (int64_t p = 0; p < length; ++p) {
    int32_t want = before(p), got = components::volumeAt(after, p);
    ASSERT_LE(std::abs(want - got), 1) << "at " << p;
  }
}

std::set<int64_t> covered(const CutList &cuts) {
  std::set<int64_t> out;
  for (const auto &r : cuts)
    for (int64_t p = r.start; p < r.end(); ++p) out.insert(p);
  return out;
}

class EditOpsTest : public ::testing::Test {
 protected:
  EditOpsTest() : temp(dir / "tempdata"), clip(temp) { fs::create_directories(temp); }

  fs::path wav(const std::string &name, const Samples &samples, uint32_t rate = 8000) {
    waveedit_test::WavSpec spec;
    spec.rate = rate;
    fs::path p = dir / name;
    waveedit_test::writeFile(p, waveedit_test::wavBytes(spec, samples));
    return p;
  }
  WaveDescription described(const fs::path &file, int64_t samples) {
    WaveDescription d;
    d.fileName = file.string();
    d.end = samples;
    d.volume = components::unityEnvelope(samples);
    return d;
  }
  fs::path newTarget() { return *createTempFile(temp); }
  std::vector<std::string> tempNames() const { return testsupport::entries(temp); }

  testsupport::TempDir dir;
  fs::path temp;
  Clipboard clip;
  StepIo io;
};

// 1000 samples with two marker pairs, a lone marker, three cut regions and
// an envelope of several points.
struct RichSource {
  Samples audio = distinct(1000);
  MarkerList markers{marker(1, 2, 200), marker(2, 1, 300), marker(3, 4, 250), marker(4, 3, 700),
                     marker(5, 0, 600)};
  CutList cuts{{50, 100, 0}, {450, 100, 1}, {700, 50, 0}};
  VolumeEnvelope volume{{0, 16384}, {120, 4000}, {400, 8192}, {650, 20000}, {1000, 16384}};
};

TEST_F(EditOpsTest, CopyTakesTheSelectionWithItsListsAndWritesTheRegionFile) {
  RichSource rich;
  WaveDescription source = described(wav("a.wav", rich.audio), 1000);
  source.markers = rich.markers;
  source.cuts = rich.cuts;
  source.volume = rich.volume;

  ASSERT_EQ(copyToClipboard(source, 150, 600, clip, io), EditResult::Done);
  EXPECT_EQ(clip.samples(), 450);
  EXPECT_EQ(clip.format().sampleRate, 8000u);
  // The cut regions inside the selection are copied too.
  EXPECT_EQ(samplesOf(clip.audioFile()), slice(rich.audio, 150, 600));
  // Both ends belong to the selection; 3's partner lies outside.
  MarkerList want{marker(1, 2, 50), marker(2, 1, 150), marker(3, 0, 100), marker(5, 0, 450)};
  want[2].color = 65535;
  EXPECT_EQ(clip.wave().markers, want);
  EXPECT_EQ(clip.wave().volume, (VolumeEnvelope{{0, components::volumeAt(rich.volume, 150)},
                                                {250, 8192},
                                                {450, components::volumeAt(rich.volume, 600)}}));
  EXPECT_TRUE(clip.wave().cuts.empty());

  Clipboard reread(temp);
  ASSERT_TRUE(reread.load());
  EXPECT_EQ(reread.wave(), clip.wave());
  EXPECT_EQ(tempNames(), (std::vector<std::string>{"clip.tmp", "clipcut.tmp"}));
}

TEST_F(EditOpsTest, OneSampleSelectionsGiveOnePointAtEachEnd) {
  Samples audio = distinct(100);
  WaveDescription source = described(wav("a.wav", audio), 100);
  source.volume = {{0, 16384}, {10, 1000}, {11, 3000}, {100, 16384}};
  for (int64_t s : {0, 9, 10, 11, 99}) {
    SCOPED_TRACE(s);
    VolumeEnvelope want{{0, components::volumeAt(source.volume, s)}, {1, components::volumeAt(source.volume, s + 1)}};
    ASSERT_EQ(copyToClipboard(source, s, s + 1, clip, io), EditResult::Done);
    EXPECT_EQ(clip.wave().volume, want);
    fs::path target = newTarget();
    EditOutcome trimmed = trimSelection(source, s, s + 1, target, io);
    ASSERT_EQ(trimmed.result, EditResult::Done);
    EXPECT_EQ(trimmed.wave.volume, want);
    EXPECT_EQ(samplesOf(target), slice(audio, s, s + 1));
  }
}

TEST_F(EditOpsTest, WithoutASelectionNothingIsTouched) {
  Samples audio = distinct(100);
  WaveDescription source = described(wav("a.wav", audio), 100);
  ASSERT_EQ(copyToClipboard(source, 10, 20, clip, io), EditResult::Done);
  const WaveDescription before = clip.wave();
  const auto clipBytes = testsupport::readFile(clip.audioFile());
  fs::path target = newTarget();
  const auto names = tempNames();

  struct Case {
    int64_t s, e;
  } cases[] = {{5, 5}, {6, 5}, {-1, 10}, {100, 120}, {0, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.s) + ".." + std::to_string(c.e));
    EXPECT_EQ(copyToClipboard(source, c.s, c.e, clip, io), EditResult::Failed);
    EXPECT_EQ(deleteSelection(source, c.s, c.e, target, io).result, EditResult::Failed);
    EXPECT_EQ(trimSelection(source, c.s, c.e, target, io).result, EditResult::Failed);
    EXPECT_EQ(saveBlock(source, c.s, c.e, dir / "block.wav", io), EditResult::Failed);
  }
  // Deleting everything would leave no file to show.
  EXPECT_EQ(deleteSelection(source, 0, 100, target, io).result, EditResult::Failed);

  EXPECT_EQ(clip.wave(), before);
  EXPECT_EQ(testsupport::readFile(clip.audioFile()), clipBytes);
  EXPECT_EQ(fs::file_size(target), 0u);
  EXPECT_EQ(tempNames(), names);
  EXPECT_FALSE(fs::exists(dir / "block.wav"));
}

TEST_F(EditOpsTest, DeleteDropsTheSelectionAndJoinsTheLists) {
  RichSource rich;
  const fs::path file = wav("a.wav", rich.audio);
  const auto fileBytes = testsupport::readFile(file);
  WaveDescription source = described(file, 1000);
  source.markers = rich.markers;
  source.cuts = rich.cuts;
  source.volume = rich.volume;
  const std::set<int64_t> oldCovered = covered(rich.cuts);

  struct Case {
    int64_t s, e;
  } cases[] = {{300, 500}, {0, 100}, {900, 1000}, {1, 999}, {120, 121}, {60, 720}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.s) + ".." + std::to_string(c.e));
    const int64_t gone = c.e - c.s, length = 1000 - gone;
    auto before = [&](int64_t p) { return p < c.s ? p : p + gone; };
    fs::path target = newTarget();
    EditOutcome out = deleteSelection(source, c.s, c.e, target, io);
    ASSERT_EQ(out.result, EditResult::Done) << out.error;
    EXPECT_EQ(out.length, length);
    EXPECT_EQ(out.wave.fileName, target.string());
    EXPECT_EQ(out.wave.end, length);
    // Only the selection is left out: the other cut regions stay in the audio.
    EXPECT_EQ(samplesOf(target), joined({slice(rich.audio, 0, c.s), slice(rich.audio, c.e, 1000)}));

    // Every remaining sample keeps whether it was cut; no region starts
    // before 0 or runs past the end.
    std::set<int64_t> wantCovered;
    for (int64_t p = 0; p < length; ++p)
      if (oldCovered.count(before(p))) wantCovered.insert(p);
    EXPECT_EQ(covered(out.wave.cuts), wantCovered);
    for (const auto &r : out.wave.cuts) EXPECT_TRUE(r.start >= 0 && r.length > 0 && r.end() <= length);

    // Markers inside go with their partners; the rest keep their sample.
    std::set<uint32_t> dropped;
    for (const Marker &m : rich.markers)
      if (m.offset >= c.s && m.offset < c.e) dropped.insert({m.id, m.nextId});
    for (const Marker &m : rich.markers) {
      auto it = std::find_if(out.wave.markers.begin(), out.wave.markers.end(), [&](const Marker &n) { return n.id == m.id; });
      if (dropped.count(m.id)) {
        EXPECT_EQ(it, out.wave.markers.end()) << "marker " << m.id;
      } else {
        ASSERT_NE(it, out.wave.markers.end()) << "marker " << m.id;
        EXPECT_EQ(before(it->offset), m.offset);
        EXPECT_EQ(it->nextId, m.nextId);
      }
    }

    expectWellFormed(out.wave.volume, length);
    expectVolumes(out.wave.volume, length, [&](int64_t p) { return components::volumeAt(rich.volume, before(p)); });
  }
  EXPECT_EQ(testsupport::readFile(file), fileBytes);
}

TEST_F(EditOpsTest, TrimKeepsOnlyTheSelectionWithoutCuts) {
  RichSource rich;
  WaveDescription source = described(wav("a.wav", rich.audio), 1000);
  source.markers = rich.markers;
  source.cuts = rich.cuts;
  source.volume = rich.volume;
  fs::path target = newTarget();
  EditOutcome out = trimSelection(source, 250, 700, target, io);
  ASSERT_EQ(out.result, EditResult::Done) << out.error;
  EXPECT_EQ(out.length, 450);
  EXPECT_EQ(samplesOf(target), slice(rich.audio, 250, 700));
  // 2's partner lies before the selection: 2 stays alone.
  MarkerList want{marker(2, 0, 50), marker(3, 4, 0), marker(4, 3, 450), marker(5, 0, 350)};
  EXPECT_EQ(out.wave.markers, want);
  EXPECT_TRUE(out.wave.cuts.empty());
  expectWellFormed(out.wave.volume, 450);
  expectVolumes(out.wave.volume, 450, [&](int64_t p) { return components::volumeAt(rich.volume, p + 250); });
}

TEST_F(EditOpsTest, PasteInsertsTheClipboardAtThePosition) {
  const Samples clipAudio = distinct(200, 7);
  WaveDescription clipSource = described(wav("clip.wav", clipAudio), 200);
  clipSource.markers = {marker(1, 0, 20), marker(2, 3, 50), marker(3, 2, 150)};
  clipSource.volume = {{0, 3000}, {100, 9000}, {200, 3000}};
  ASSERT_EQ(copyToClipboard(clipSource, 0, 200, clip, io), EditResult::Done);

  RichSource rich;
  WaveDescription source = described(wav("a.wav", rich.audio), 1000);
  source.markers = rich.markers;
  source.volume = rich.volume;

  for (int64_t p : {int64_t{0}, int64_t{400}, int64_t{1000}}) {
    SCOPED_TRACE(p);
    std::vector<std::pair<uint64_t, uint64_t>> reports;
    io.progress = [&](uint64_t done, uint64_t total) {
      reports.emplace_back(done, total);
      return true;
    };
    fs::path target = newTarget();
    EditOutcome out = pasteClipboard(source, p, clip, target, io);
    ASSERT_EQ(out.result, EditResult::Done) << out.error;
    EXPECT_EQ(out.pasted, 200);
    EXPECT_EQ(out.length, 1200);
    EXPECT_EQ(out.wave.position, p);
    EXPECT_EQ(samplesOf(target), joined({slice(rich.audio, 0, p), clipAudio, slice(rich.audio, p, 1000)}));

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), std::make_pair(uint64_t{2400}, uint64_t{2400}));
    for (size_t i = 1; i < reports.size(); ++i) EXPECT_LE(reports[i - 1].first, reports[i].first);

    // The file's markers keep their samples, the clipboard's come in with new IDs.
    ASSERT_EQ(out.wave.markers.size(), rich.markers.size() + 3);
    for (size_t i = 0; i < rich.markers.size(); ++i) {
      const Marker &m = rich.markers[i];
      EXPECT_EQ(out.wave.markers[i].offset, m.offset < p ? m.offset : m.offset + 200);
    }
    std::map<int64_t, Marker> pasted;
    for (size_t i = rich.markers.size(); i < out.wave.markers.size(); ++i)
      pasted[out.wave.markers[i].offset] = out.wave.markers[i];
    ASSERT_EQ(pasted.size(), 3u);
    EXPECT_EQ(pasted.at(p + 20).nextId, 0u);
    EXPECT_EQ(pasted.at(p + 50).nextId, pasted.at(p + 150).id);
    EXPECT_EQ(pasted.at(p + 150).nextId, pasted.at(p + 50).id);
    std::set<uint32_t> ids;
    for (const Marker &m : out.wave.markers) ids.insert(m.id);
    EXPECT_EQ(ids.size(), out.wave.markers.size());

    expectWellFormed(out.wave.volume, 1200);
    expectVolumes(out.wave.volume, 1200, [&](int64_t q) {
      if (q < p) return components::volumeAt(rich.volume, q);
      if (q < p + 200) return components::volumeAt(clipSource.volume, q - p);
      return components::volumeAt(rich.volume, q - 200);
    });
  }
}

TEST_F(EditOpsTest, PasteOfAnotherRateWritesConvertedFramesAndScalesTheLists) {
  const Samples clipAudio = distinct(1103, 3);
  WaveDescription clipSource = described(wav("clip11.wav", clipAudio, 11025), 1103);
  clipSource.markers = {marker(1, 2, 551), marker(2, 1, 1103)};
  clipSource.volume = {{0, 16384}, {551, 8192}, {1103, 16384}};
  ASSERT_EQ(copyToClipboard(clipSource, 0, 1103, clip, io), EditResult::Done);
  ASSERT_EQ(clip.format().sampleRate, 11025u);

  const Samples audio = distinct(500);
  WaveDescription source = described(wav("a.wav", audio), 500);
  fs::path target = newTarget();
  EditOutcome out = pasteClipboard(source, 100, clip, target, io);
  ASSERT_EQ(out.result, EditResult::Done) << out.error;

  // Frame k of the result is frame floor(k x 11025 / 8000) of the clipboard.
  Samples converted;
  for (int64_t k = 0; k * 11025 / 8000 < 1103; ++k) converted.push_back(clipAudio[static_cast<size_t>(k * 11025 / 8000)]);
  ASSERT_EQ(converted.size(), 801u);
  EXPECT_EQ(out.pasted, 801);
  EXPECT_EQ(out.length, 1301);
  uint32_t rate = 0;
  EXPECT_EQ(samplesOf(target, &rate), joined({slice(audio, 0, 100), converted, slice(audio, 100, 500)}));
  EXPECT_EQ(rate, 8000u);

  // 551 of 11025 lands on 400 of 8000, the clipboard's end on the pasted end.
  ASSERT_EQ(out.wave.markers.size(), 2u);
  EXPECT_EQ(out.wave.markers[0].offset, 500);
  EXPECT_EQ(out.wave.markers[1].offset, 901);
  EXPECT_EQ(out.wave.markers[0].nextId, out.wave.markers[1].id);
  EXPECT_EQ(components::volumeAt(out.wave.volume, 500), 8192);
  EXPECT_EQ(components::volumeAt(out.wave.volume, 99), 16384);
  EXPECT_EQ(components::volumeAt(out.wave.volume, 901), 16384);
  expectWellFormed(out.wave.volume, 1301);
}

TEST_F(EditOpsTest, APairListedSecondFirstIsPastedAsOnePair) {
  WaveDescription clipSource = described(wav("clip.wav", distinct(100, 2)), 100);
  clipSource.markers = {marker(7, 3, 40), marker(3, 7, 10)};
  ASSERT_EQ(copyToClipboard(clipSource, 0, 100, clip, io), EditResult::Done);
  WaveDescription source = described(wav("a.wav", distinct(300)), 300);
  source.markers = {marker(1, 2, 5), marker(2, 1, 250)};

  EditOutcome out = pasteClipboard(source, 50, clip, newTarget(), io);
  ASSERT_EQ(out.result, EditResult::Done) << out.error;
  ASSERT_EQ(out.wave.markers.size(), 4u);
  EXPECT_EQ(out.wave.markers[1].offset, 350);
  const Marker &a = out.wave.markers[2], &b = out.wave.markers[3];
  EXPECT_EQ(std::set<int64_t>({a.offset, b.offset}), (std::set<int64_t>{60, 90}));
  EXPECT_EQ(a.nextId, b.id);
  EXPECT_EQ(b.nextId, a.id);
  EXPECT_TRUE(a.id != 1 && a.id != 2 && b.id != 1 && b.id != 2 && a.id != b.id);
}

TEST_F(EditOpsTest, APasteThatStopsHalfwayLeavesNothing) {
  // Three blocks of the file and the clipboard between them.
  const Samples audio = distinct(120000);
  const fs::path file = wav("long.wav", audio);
  WaveDescription source = described(file, 120000);
  WaveDescription clipSource = described(wav("clip.wav", distinct(1000, 1)), 1000);
  ASSERT_EQ(copyToClipboard(clipSource, 0, 1000, clip, io), EditResult::Done);

  struct Case {
    const char *name;
    EditResult want;
    bool diskFull;
  } cases[] = {{"disk full", EditResult::Failed, true}, {"cancelled", EditResult::Cancelled, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    int probes = 0, reports = 0;
    StepIo halfway;
    halfway.freeSpace = [&](const fs::path &) -> std::optional<uint64_t> {
      return ++probes > 2 && c.diskFull ? 1000 : uint64_t{1} << 40;
    };
    halfway.progress = [&](uint64_t, uint64_t) { return ++reports < 3 || c.diskFull; };
    fs::path target = newTarget();
    const auto names = tempNames();
    EditOutcome out = pasteClipboard(source, 60000, clip, target, halfway);
    EXPECT_EQ(out.result, c.want);
    EXPECT_GE(probes, 2);  // it stopped in the middle, not before the first block
    EXPECT_EQ(fs::file_size(target), 0u);
    EXPECT_EQ(tempNames(), names);
  }
  // With room on the disk the same paste goes through.
  StepIo roomy;
  roomy.freeSpace = [](const fs::path &) -> std::optional<uint64_t> { return uint64_t{1} << 40; };
  EXPECT_EQ(pasteClipboard(source, 60000, clip, newTarget(), roomy).result, EditResult::Done);
  EXPECT_EQ(samplesOf(file), audio);
}

TEST_F(EditOpsTest, InsertBlankPastesOneSecondOfSilenceAndKeepsIt) {
  for (uint32_t rate : {8000u, 11025u}) {
    SCOPED_TRACE(rate);
    WaveDescription clipSource = described(wav("clip.wav", distinct(100, 1), rate), 100);
    clipSource.markers = {marker(1, 0, 5)};
    ASSERT_EQ(copyToClipboard(clipSource, 0, 100, clip, io), EditResult::Done);
    clip.setFromReference(false);

    ASSERT_EQ(makeBlankClipboard(rate, clip, io), EditResult::Done);
    EXPECT_EQ(clip.samples(), rate);
    EXPECT_EQ(samplesOf(clip.audioFile()), Samples(rate, 0));
    EXPECT_TRUE(clip.wave().markers.empty());
    EXPECT_EQ(clip.wave().volume, components::unityEnvelope(rate));
    EXPECT_TRUE(clip.fromReference());
    // The region file tells the same, not the copy's marker.
    Clipboard reread(temp);
    ASSERT_TRUE(reread.load());
    EXPECT_EQ(reread.wave(), clip.wave());

    const Samples audio = distinct(700);
    WaveDescription source = described(wav("a.wav", audio, rate), 700);
    fs::path target = newTarget();
    EditOutcome out = pasteClipboard(source, 300, clip, target, io);
    ASSERT_EQ(out.result, EditResult::Done) << out.error;
    EXPECT_EQ(out.pasted, rate);
    EXPECT_EQ(samplesOf(target), joined({slice(audio, 0, 300), Samples(rate, 0), slice(audio, 300, 700)}));
    EXPECT_EQ(out.wave.volume, components::unityEnvelope(700 + rate));
    EXPECT_EQ(clip.samples(), rate);
  }
}

TEST_F(EditOpsTest, SaveBlockAppliesTheEnvelopeAndKeepsTheCutRegions) {
  const Samples audio = distinct(400);
  const fs::path file = wav("a.wav", audio);
  WaveDescription source = described(file, 400);
  source.volume = {{0, 8192}, {400, 8192}};
  source.cuts = {{150, 50, 0}};
  const fs::path block = dir / "block.wav";
  waveedit_test::writeFile(block, "an older file");

  ASSERT_EQ(saveBlock(source, 100, 300, block, io), EditResult::Done);
  Samples want;
  for (int64_t i = 100; i < 300; ++i) want.push_back(components::applyVolume(audio[static_cast<size_t>(i)], 8192));
  EXPECT_EQ(samplesOf(block), want);
  EXPECT_EQ(testsupport::entries(dir.path()), (std::vector<std::string>{"a.wav", "block.wav", "tempdata"}));

  // Never over its own source.
  const auto bytes = testsupport::readFile(file);
  EXPECT_EQ(saveBlock(source, 100, 300, file, io), EditResult::Failed);
  EXPECT_EQ(testsupport::readFile(file), bytes);
}

// ---- The clipboard's files ----

TEST_F(EditOpsTest, ARegionFileOfAnotherKindLoadsNothing) {
  WaveDescription source = described(wav("a.wav", distinct(100)), 100);
  source.markers = {marker(1, 0, 10)};
  ASSERT_EQ(copyToClipboard(source, 0, 50, clip, io), EditResult::Done);
  const std::string good = waveedit_test::readFile(clip.regionFile());
  ASSERT_NE(good.find("Validate=Tonebank Region-File"), std::string::npos);

  auto replaced = [&](const std::string &from, const std::string &to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    const char *name;
    std::string text;
  } cases[] = {
      {"validate", replaced("Validate=Tonebank Region-File", "Validate=Tonebank Region-Fil")},
      {"version", replaced("Version=1.00", "Version=1.01")},
      {"other audio", replaced("FileName=" + clip.audioFile().string(), "FileName=" + (dir / "a.wav").string())},
      {"missing", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.text.empty())
      fs::remove(clip.regionFile());
    else
      waveedit_test::writeFile(clip.regionFile(), c.text);
    Clipboard fresh(temp);
    EXPECT_FALSE(fresh.load());
    EXPECT_FALSE(fresh.valid());
    EXPECT_EQ(fresh.wave(), WaveDescription{});
    EXPECT_EQ(fresh.samples(), 0);
  }
  // The good file still loads.
  waveedit_test::writeFile(clip.regionFile(), good);
  Clipboard fresh(temp);
  EXPECT_TRUE(fresh.load());
  EXPECT_EQ(fresh.wave(), clip.wave());
}

TEST_F(EditOpsTest, AFailedTakeKeepsTheOldClipboard) {
  WaveDescription source = described(wav("a.wav", distinct(100)), 100);
  source.markers = {marker(1, 0, 10)};
  ASSERT_EQ(copyToClipboard(source, 0, 50, clip, io), EditResult::Done);
  const WaveDescription before = clip.wave();
  const auto audio = testsupport::readFile(clip.audioFile());
  const auto region = testsupport::readFile(clip.regionFile());

  // Not a WAV file.
  fs::path bad = dir.write("tempdata/bad.tmp", "not audio");
  EXPECT_FALSE(clip.take(bad, WaveDescription{}, true));
  EXPECT_FALSE(fs::exists(bad));
  EXPECT_EQ(clip.wave(), before);
  EXPECT_EQ(testsupport::readFile(clip.audioFile()), audio);
  EXPECT_EQ(testsupport::readFile(clip.regionFile()), region);

  // A render that fails before the rename: the old pair of files stays.
  StepIo full;
  full.freeSpace = [](const fs::path &) -> std::optional<uint64_t> { return 0; };
  EXPECT_EQ(copyToClipboard(source, 50, 100, clip, full), EditResult::Failed);
  EXPECT_EQ(clip.wave(), before);
  EXPECT_EQ(testsupport::readFile(clip.audioFile()), audio);
  EXPECT_EQ(testsupport::readFile(clip.regionFile()), region);
  EXPECT_EQ(tempNames(), (std::vector<std::string>{"clip.tmp", "clipcut.tmp"}));
}

TEST_F(EditOpsTest, ARenameThatFailsLeavesNoRegionFile) {
  // Something that is not a file stands at the clipboard's name.
  fs::create_directories(clip.audioFile() / "inside");
  WaveDescription source = described(wav("a.wav", distinct(100)), 100);
  EXPECT_EQ(copyToClipboard(source, 0, 50, clip, io), EditResult::Failed);
  EXPECT_FALSE(clip.valid());
  EXPECT_FALSE(fs::exists(clip.regionFile()));
  EXPECT_EQ(tempNames(), (std::vector<std::string>{"clip.tmp"}));
}

TEST_F(EditOpsTest, TheClipboardIsReadAgainWhenItsAudioChanged) {
  WaveDescription source = described(wav("a.wav", distinct(400)), 400);
  source.markers = {marker(1, 0, 300)};
  ASSERT_EQ(copyToClipboard(source, 0, 100, clip, io), EditResult::Done);
  Clipboard other(temp);
  ASSERT_TRUE(other.load());
  other.refreshIfChanged();
  EXPECT_EQ(other.samples(), 100);

  ASSERT_EQ(copyToClipboard(source, 100, 400, clip, io), EditResult::Done);
  other.refreshIfChanged();
  EXPECT_EQ(other.wave(), clip.wave());
  EXPECT_EQ(other.wave().markers.size(), 1u);

  clip.removeFiles();
  other.refreshIfChanged();
  EXPECT_FALSE(other.valid());
}

// ---- Undo ----

class UndoTest : public EditOpsTest {
 protected:
  UndoTest() : undo(temps, [this] { return shown; }) {}

  fs::path tempFile(const std::string &name) {
    fs::path p = dir.write("tempdata/" + name, name);
    temps.add(p);
    return p;
  }
  UndoEntry entry(const fs::path &file, UndoKind kind = UndoKind::Wave) {
    UndoEntry e;
    e.kind = kind;
    e.snapshot.fileName = file.string();
    return e;
  }

  TempFileList temps;
  fs::path shown;
  UndoList undo;
};

TEST_F(UndoTest, TheFiftyFirstEntryDropsTheOldestAndTheFileOnlyItNeeded) {
  // The opened file, then one temporary file per edit.
  const fs::path opened = dir.write("opened.wav", "user");
  std::vector<fs::path> states{opened};
  for (int i = 1; i <= 52; ++i) states.push_back(tempFile("t" + std::to_string(i)));
  shown = states[0];
  for (int i = 0; i < 50; ++i) {
    undo.push(entry(states[i]));
    shown = states[i + 1];
  }
  ASSERT_EQ(undo.size(), 50u);

  // The 51st drops the entry of the opened file, which is no temporary file.
  undo.push(entry(states[50]));
  shown = states[51];
  EXPECT_EQ(undo.size(), 50u);
  EXPECT_TRUE(fs::exists(opened));
  // The 52nd drops the first edit's state.
  undo.push(entry(states[51]));
  shown = states[52];
  EXPECT_EQ(undo.size(), 50u);
  EXPECT_FALSE(fs::exists(states[1]));
  EXPECT_FALSE(temps.contains(states[1]));
  for (int i = 2; i <= 52; ++i) EXPECT_TRUE(fs::exists(states[i])) << i;

  // Undoing everything ends at the state after the second edit.
  while (const UndoEntry *e = undo.newest()) {
    fs::path left = shown;
    shown = e->snapshot.fileName;
    undo.popAfterUndo(left);
  }
  EXPECT_EQ(shown, states[2]);
  EXPECT_EQ(temps.files(), std::vector<fs::path>{states[2]});
}

TEST_F(UndoTest, ADroppedFileStaysWhileTheShownStateOrAnotherEntryUsesIt) {
  const fs::path a = tempFile("a"), b = tempFile("b");
  shown = a;
  // Lists-only entries of the shown file, and a second entry of b.
  undo.push(entry(b));
  undo.push(entry(b, UndoKind::Volume));
  for (size_t i = 2; i < UndoList::kMaxEntries; ++i) undo.push(entry(a, UndoKind::Markers));
  undo.push(entry(a, UndoKind::Cuts));
  EXPECT_TRUE(fs::exists(b));
  undo.push(entry(a, UndoKind::Cuts));
  EXPECT_FALSE(fs::exists(b));
  for (int i = 0; i < 60; ++i) undo.push(entry(a, UndoKind::Markers));
  EXPECT_TRUE(fs::exists(a));
  EXPECT_EQ(undo.size(), UndoList::kMaxEntries);
}

TEST_F(UndoTest, UndoDeletesTheStateItLeavesUnlessItIsStillNeeded) {
  const fs::path opened = dir.write("opened.wav", "user");
  const fs::path t1 = tempFile("t1"), t2 = tempFile("t2");
  undo.push(entry(opened));
  undo.push(entry(t1));
  undo.push(entry(t2, UndoKind::Markers));
  shown = t2;

  // Undo of the lists-only entry: the pane still shows t2.
  undo.popAfterUndo(shown);
  EXPECT_TRUE(fs::exists(t2));
  // Undo of the paste: t2 goes.
  shown = undo.newest()->snapshot.fileName;
  undo.popAfterUndo(t2);
  EXPECT_FALSE(fs::exists(t2));
  EXPECT_FALSE(temps.contains(t2));
  // Back to the opened file: t1 goes, the opened file never.
  shown = undo.newest()->snapshot.fileName;
  undo.popAfterUndo(t1);
  EXPECT_FALSE(fs::exists(t1));
  EXPECT_TRUE(undo.empty());
  undo.popAfterUndo(opened);
  EXPECT_TRUE(fs::exists(opened));
}

TEST_F(UndoTest, ResetKeepsTheShownFileAndEveryFileNotItsOwn) {
  const fs::path opened = dir.write("opened.wav", "user");
  const fs::path t1 = tempFile("t1"), t2 = tempFile("t2"), t3 = tempFile("t3");
  undo.push(entry(opened));
  undo.push(entry(t1));
  undo.push(entry(t2));
  shown = temp / "." / "t2";  // another spelling of the shown file
  temps.remove(opened, shown);
  EXPECT_TRUE(fs::exists(opened));

  undo.clear();
  EXPECT_TRUE(undo.empty());
  EXPECT_TRUE(fs::exists(opened));
  EXPECT_TRUE(fs::exists(t2));
  EXPECT_FALSE(fs::exists(t1));
  EXPECT_FALSE(fs::exists(t3));
  EXPECT_EQ(temps.files(), std::vector<fs::path>{t2});
}

TEST_F(UndoTest, RedirectedEntriesReadTheCopyWhichResetDeletes) {
  const fs::path opened = dir.write("opened.wav", "user");
  const fs::path t1 = tempFile("t1");
  undo.push(entry(opened));
  undo.push(entry(t1, UndoKind::Markers));
  shown = t1;
  auto copy = copyToTempFile(opened, temp);
  ASSERT_TRUE(copy);
  undo.redirect(opened.string(), copy->string());
  ASSERT_EQ(undo.size(), 2u);
  EXPECT_EQ(undo.newest()->snapshot.fileName, t1.string());
  undo.popAfterUndo(t1);
  EXPECT_EQ(undo.newest()->snapshot.fileName, copy->string());
  undo.clear();
  EXPECT_FALSE(fs::exists(*copy));
  EXPECT_TRUE(fs::exists(opened));
}

// Edits as the window chains them, each with its entry, then undone one by
// one: every state comes back as it was and the temporary files go.
TEST_F(UndoTest, UndoingAChainOfEditsRestoresEveryState) {
  RichSource rich;
  const fs::path opened = wav("opened.wav", rich.audio);
  const auto openedBytes = testsupport::readFile(opened);
  WaveDescription state = described(opened, 1000);
  state.markers = rich.markers;
  state.cuts = rich.cuts;
  state.volume = rich.volume;
  shown = opened;

  std::vector<WaveDescription> history{state};
  std::vector<Samples> audio{rich.audio};
  auto apply = [&](const std::function<EditOutcome(const fs::path &)> &step) {
    fs::path target = newTarget();
    temps.add(target);
    EditOutcome out = step(target);
    ASSERT_EQ(out.result, EditResult::Done) << out.error;
    undo.push({UndoKind::Wave, state, true});
    state = out.wave;
    shown = state.fileName;
    history.push_back(state);
    audio.push_back(samplesOf(state.fileName));
  };

  ASSERT_EQ(copyToClipboard(state, 100, 300, clip, io), EditResult::Done);
  apply([&](const fs::path &t) { return deleteSelection(state, 100, 300, t, io); });
  apply([&](const fs::path &t) {
    WaveDescription pasteSource = state;
    pasteSource.cuts.clear();
    return pasteClipboard(pasteSource, 500, clip, t, io);
  });
  apply([&](const fs::path &t) { return trimSelection(state, 50, 900, t, io); });
  ASSERT_EQ(makeBlankClipboard(8000, clip, io), EditResult::Done);
  apply([&](const fs::path &t) { return pasteClipboard(state, 10, clip, t, io); });
  ASSERT_EQ(undo.size(), 4u);

  for (size_t i = history.size() - 1; i-- > 0;) {
    SCOPED_TRACE(i);
    fs::path left = shown;
    state = undo.newest()->snapshot;
    EXPECT_TRUE(undo.newest()->modified);
    shown = state.fileName;
    undo.popAfterUndo(left);
    EXPECT_EQ(state, history[i]);
    EXPECT_EQ(samplesOf(state.fileName), audio[i]);
    EXPECT_FALSE(fs::exists(left));
  }
  EXPECT_TRUE(undo.empty());
  EXPECT_TRUE(temps.files().empty());
  EXPECT_EQ(tempNames(), (std::vector<std::string>{"clip.tmp", "clipcut.tmp"}));
  EXPECT_EQ(testsupport::readFile(opened), openedBytes);
}

}  // namespace
