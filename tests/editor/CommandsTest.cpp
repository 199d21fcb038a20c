// The edit pane's commands against a scripted window over real WAV files:
// what each command refuses, what a failure or a cancel leaves behind, the
// undo entries they make and the files that undo deletes.
#include <gtest/gtest.h>

#include <filesystem>

#include "../waveedit/WaveFixtures.h"
#include "ScriptedHost.h"
#include "components/waveedit/ListEdits.h"
#include "editor/EditCommands.h"
#include "editor/EditorKeys.h"
#include "editor/EditorSession.h"
#include "testsupport/TempDir.h"

using namespace editor;
using editortest::ScriptedHost;
namespace fs = std::filesystem;

namespace {

std::vector<int16_t> ramp(size_t n) {
  std::vector<int16_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<int16_t>(i % 30000);
  return v;
}

std::vector<int16_t> samplesOf(const std::string &path) {
  components::WaveObject wave;
  if (wave.open(path) != components::WaveOpen::Ok) return {};
  std::vector<int16_t> out(static_cast<size_t>(wave.dataSamples()));
  size_t got = wave.read(out.data(), out.size());
  out.resize(got);
  return out;
}

class CommandsTest : public ::testing::Test {
 protected:
  CommandsTest() : session(host, dir / "TempData"), commands(session, host, dir / "TempData") {
    fs::create_directories(dir / "TempData");
    host.probeRealFiles = true;
    host.width = 100;
    session.start();
    commands.start();
  }

  // Opens a real file of n ramp samples in a pane; the scripted views hold
  // its lists as a fresh load leaves them.
  std::string open(Pane pane, const std::string &name, size_t n, uint32_t rate = 8000) {
    fs::path p = dir / name;
    waveedit_test::writeFile(p, waveedit_test::wavBytes({.rate = rate}, ramp(n)));
    host.openAnswers.push_back(p.string());
    session.openFile(pane);
    auto &w = host.waves[static_cast<int>(pane)];
    w = {};
    w.fileName = p.string();
    w.end = static_cast<int64_t>(n);
    w.volume = components::unityEnvelope(static_cast<int64_t>(n));
    return p.string();
  }
  void select(Pane pane, int64_t s, int64_t e) { session.setSelection(pane, s, e); }
  const components::WaveDescription &edit() const { return host.waves[2]; }
  std::string lastText() const { return host.boxes.empty() ? "" : host.boxes.back().text; }
  size_t tempFiles() const {
    size_t n = 0;
    for (auto &e : fs::directory_iterator(dir / "TempData"))
      if (e.path().filename() != "clip.tmp" && e.path().filename() != "clipcut.tmp") ++n;
    return n;
  }

  testsupport::TempDir dir;
  ScriptedHost host;
  EditorSession session;
  EditCommands commands;
};

TEST_F(CommandsTest, CutIsRefusedWhenLessThanAScreenWouldBeLeftButCopiesFirst) {
  struct Case {
    int64_t samples, cutLength;
    bool cuts;
  };
  for (Case c : {Case{1100, 1001, false}, Case{1100, 1000, true}}) {
    SCOPED_TRACE(c.cutLength);
    open(Pane::Edit, "cut" + std::to_string(c.cutLength) + ".wav", static_cast<size_t>(c.samples));
    host.boxes.clear();
    select(Pane::Edit, 50, 50 + c.cutLength);
    commands.cut(true);
    EXPECT_TRUE(commands.clipboard().valid());
    EXPECT_EQ(commands.clipboard().samples(), c.cutLength);
    EXPECT_EQ(!host.boxes.empty() && lastText() == keys::kTooShort, !c.cuts);
    EXPECT_EQ(session.modified(), c.cuts);
    EXPECT_EQ(commands.history().size(), c.cuts ? 1u : 0u);
    if (c.cuts) {
      EXPECT_EQ(samplesOf(session.workingFile()).size(), static_cast<size_t>(c.samples - c.cutLength));
      EXPECT_EQ(session.pane(Pane::Edit).locator, 50);
    }
    session.setModified(false);
  }
}

TEST_F(CommandsTest, UndoOfAnEditBringsBackTheStateAndDeletesItsFile) {
  std::string original = open(Pane::Edit, "e.wav", 4000);
  components::Marker m;
  m.id = 1;
  m.offset = 3000;
  m.name = "late";
  host.waves[2].markers = {m};
  const components::WaveDescription before = edit();
  select(Pane::Edit, 1000, 2000);
  commands.cut(true);
  ASSERT_EQ(commands.history().size(), 1u);
  const std::string cutFile = session.workingFile();
  EXPECT_NE(cutFile, original);
  EXPECT_EQ(edit().markers.at(0).offset, 2000);
  EXPECT_TRUE(fs::exists(cutFile));

  commands.undo();
  EXPECT_EQ(session.workingFile(), original);
  EXPECT_EQ(edit(), before);
  EXPECT_FALSE(session.modified());
  EXPECT_FALSE(fs::exists(cutFile));
  EXPECT_TRUE(commands.history().empty());
  EXPECT_EQ(samplesOf(original), ramp(4000));
}

TEST_F(CommandsTest, AFailedUndoKeepsItsEntryTheStateAndModified) {
  open(Pane::Edit, "e.wav", 4000);
  select(Pane::Edit, 1000, 2000);
  commands.cut(true);
  const std::string cutFile = session.workingFile();
  host.prepareResults = {StepResult::Failed};
  commands.undo();
  EXPECT_EQ(lastText(), keys::kUndoFailed);
  EXPECT_EQ(commands.history().size(), 1u);
  EXPECT_EQ(session.workingFile(), cutFile);
  EXPECT_TRUE(session.modified());
  EXPECT_TRUE(fs::exists(cutFile));
  host.prepareResults = {StepResult::Cancelled};
  host.boxes.clear();
  commands.undo();
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(commands.history().size(), 1u);
}

TEST_F(CommandsTest, NothingToUndoWarns) {
  open(Pane::Edit, "e.wav", 4000);
  commands.undo();
  EXPECT_EQ(lastText(), keys::kUndoFailed);
}

TEST_F(CommandsTest, AFailedOrCancelledPasteKeepsCutsModifiedAndNoFile) {
  std::string ref = open(Pane::Reference, "ref.wav", 3000);
  select(Pane::Reference, 0, 2000);
  ASSERT_TRUE(commands.copy(Pane::Reference, true));
  open(Pane::Edit, "e.wav", 4000);
  host.waves[2].cuts = {{100, 50, 0}};
  session.setCutsEmpty(Pane::Edit, false);
  const size_t tempsBefore = tempFiles();
  struct Case {
    const char *name;
    int64_t free;
    int steps;
    bool message;
  };
  for (Case c : {Case{"disk full", 50000, -1, true}, Case{"cancelled", -1, 0, false}}) {
    SCOPED_TRACE(c.name);
    host.free = c.free;
    host.stepsUntilCancel = c.steps;
    host.boxes.clear();
    commands.paste(true);
    EXPECT_EQ(edit().cuts, (components::CutList{{100, 50, 0}}));
    EXPECT_FALSE(session.modified());
    EXPECT_TRUE(commands.history().empty());
    EXPECT_EQ(tempFiles(), tempsBefore);
    EXPECT_EQ(!host.boxes.empty() && lastText() == keys::kEditFailed, c.message);
  }
}

TEST_F(CommandsTest, PasteSelectsWhatCameInAndUndoDeletesItsFile) {
  open(Pane::Reference, "ref.wav", 3000);
  select(Pane::Reference, 500, 1500);
  ASSERT_TRUE(commands.copy(Pane::Reference, true));
  std::string original = open(Pane::Edit, "e.wav", 4000);
  session.setLocator(Pane::Edit, 4000);  // at the end: appended
  commands.paste(false);
  const PaneState &p = session.pane(Pane::Edit);
  EXPECT_EQ(p.selStart, 4000);
  EXPECT_EQ(p.selEnd, 5000);
  auto pasted = samplesOf(session.workingFile());
  ASSERT_EQ(pasted.size(), 5000u);
  auto r = ramp(3000);
  EXPECT_TRUE(std::equal(pasted.begin() + 4000, pasted.end(), r.begin() + 500));
  const std::string pasteFile = session.workingFile();
  commands.undo();
  EXPECT_EQ(session.workingFile(), original);
  EXPECT_FALSE(fs::exists(pasteFile));
}

TEST_F(CommandsTest, InsertBlankPutsOneSecondOfSilenceAtTheLocatorAndKeepsIt) {
  for (uint32_t rate : {8000u, 11025u}) {
    SCOPED_TRACE(rate);
    open(Pane::Edit, "blank" + std::to_string(rate) + ".wav", 4000, rate);
    session.setLocator(Pane::Edit, 1000);
    commands.insertBlank();
    auto s = samplesOf(session.workingFile());
    ASSERT_EQ(s.size(), 4000u + rate);
    EXPECT_TRUE(std::all_of(s.begin() + 1000, s.begin() + 1000 + rate, [](int16_t v) { return v == 0; }));
    EXPECT_EQ(s[1000 + rate], ramp(4000)[1000]);
    EXPECT_EQ(commands.clipboard().samples(), static_cast<int64_t>(rate));
    EXPECT_TRUE(commands.clipboard().fromReference());
    session.setModified(false);
  }
}

TEST_F(CommandsTest, MarkerVolumeAndCutChangesUndoOneByOne) {
  open(Pane::Edit, "e.wav", 4000);
  const components::WaveDescription fresh = edit();
  commands.addMarker(100);
  commands.addMarker(100);  // one marker per sample
  ASSERT_EQ(edit().markers.size(), 1u);
  commands.scaleVolume(EditCommands::kScaleUp);
  EXPECT_GT(edit().volume.front().volume, components::kUnityVolume);
  select(Pane::Edit, 2000, 2500);
  commands.hideSelection();
  EXPECT_EQ(edit().cuts, (components::CutList{{2000, 500, 0}}));
  EXPECT_FALSE(session.pane(Pane::Edit).hasSelection());
  // A selection that starts inside the region gives it back.
  commands.selectionEnded(2100, 3000);
  EXPECT_TRUE(edit().cuts.empty());
  EXPECT_EQ(commands.history().size(), 4u);
  EXPECT_TRUE(session.modified());

  commands.undo();
  EXPECT_EQ(edit().cuts.size(), 1u);
  EXPECT_FALSE(session.pane(Pane::Edit).hasSelection());
  commands.undo();
  EXPECT_TRUE(edit().cuts.empty());
  commands.undo();
  EXPECT_EQ(edit().volume, fresh.volume);
  commands.undo();
  EXPECT_EQ(edit(), fresh);
  EXPECT_FALSE(session.modified());
}

TEST_F(CommandsTest, DeletingAMarkerTakesItsPartner) {
  open(Pane::Edit, "e.wav", 4000);
  components::Marker a, b, c;
  a.id = 1, a.nextId = 2, a.offset = 10;
  b.id = 2, b.nextId = 1, b.offset = 20;
  c.id = 3, c.offset = 30;
  host.waves[2].markers = {a, b, c};
  commands.deleteMarker(2);
  EXPECT_EQ(edit().markers, (components::MarkerList{c}));
  commands.undo();
  EXPECT_EQ(edit().markers, (components::MarkerList{a, b, c}));
}

TEST_F(CommandsTest, SaveBlockRefusesFilesTheEditorReads) {
  std::string ref = open(Pane::Reference, "ref.wav", 3000);
  std::string edited = open(Pane::Edit, "e.wav", 4000);
  select(Pane::Edit, 0, 1000);
  const std::string clip = (dir / "TempData" / "clip.tmp").string();
  const std::string temp = (dir / "TempData" / "wabc.TMP").string();
  struct Case {
    std::string target;
    const char *text;
  };
  for (const Case &c : {Case{ref, keys::kIsReferenceFile}, Case{edited, keys::kIsEditFile},
                        Case{clip, keys::kCannotSave}, Case{temp, keys::kCannotSave}}) {
    SCOPED_TRACE(c.target);
    host.saveAnswers = {c.target};
    commands.saveBlock(Pane::Edit);
    EXPECT_EQ(lastText(), c.text);
  }
  EXPECT_EQ(samplesOf(ref), ramp(3000));
  EXPECT_EQ(samplesOf(edited), ramp(4000));

  // An existing file is replaced only after the question.
  const fs::path out = dir / "block.wav";
  waveedit_test::writeFile(out, "keep");
  host.saveAnswers = {out.string()};
  host.replaceAnswers = {false};
  commands.saveBlock(Pane::Edit);
  EXPECT_EQ(waveedit_test::readFile(out), "keep");
  host.saveAnswers = {out.string()};
  host.replaceAnswers = {true};
  commands.saveBlock(Pane::Edit);
  auto r = ramp(4000);
  EXPECT_EQ(samplesOf(out.string()), std::vector<int16_t>(r.begin(), r.begin() + 1000));
}

TEST_F(CommandsTest, ANonSelectionDoesNothing) {
  open(Pane::Edit, "e.wav", 4000);
  select(Pane::Edit, 700, 700);
  commands.copy(Pane::Edit, true);
  commands.cut(true);
  commands.trim();
  EXPECT_FALSE(commands.clipboard().valid());
  EXPECT_TRUE(commands.history().empty());
  EXPECT_TRUE(host.boxes.empty());
}

}  // namespace
