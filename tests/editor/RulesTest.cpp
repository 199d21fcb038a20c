// The rules of the editor's controls and of the zoom, and file identity.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/Controls.h"
#include "editor/FileIdentity.h"
#include "editor/ZoomRule.h"
#include "testsupport/TempDir.h"

using namespace editor;

namespace {

PaneState loaded(int64_t samples, int64_t selStart = -1, int64_t selEnd = -1, uint32_t rate = 8000) {
  PaneState p;
  p.fileName = "/x.wav";
  p.open = true;
  p.wave = {rate, 16, samples};
  p.selStart = selStart;
  p.selEnd = selEnd;
  return p;
}

TEST(EditorControls, NothingLoadedLeavesOnlyTheFileMenu) {
  ControlState c = computeControls({});
  EXPECT_TRUE(c.fileMenu && c.openEdit && c.openReference && c.exit && c.openDown);
  EXPECT_FALSE(c.editMenu || c.referenceMenu || c.editPane || c.referencePane || c.playBar);
  EXPECT_FALSE(c.saveAs || c.closeEdit || c.closeReference || c.cancel);
  EXPECT_FALSE(c.copy || c.cut || c.paste || c.oneBlank || c.normalRange || c.upClose);
}

TEST(EditorControls, EditPaneRuleFollowsSelectionAndClipboard) {
  struct Case {
    const char *what;
    int64_t selStart, selEnd;
    ClipFacts clip;
    bool copy, cut, paste, pasteMenu;
  } cases[] = {
      {"no selection", -1, -1, {}, false, false, false, false},
      {"half a selection", 10, -1, {}, false, false, false, false},
      {"part selected", 100, 200, {}, true, true, false, false},
      {"from the start", 0, 200, {}, true, true, false, false},
      {"whole file", 0, 1000, {}, true, false, false, false},
      {"clip at the same rate", -1, -1, {true, 50, 8000}, false, false, true, true},
      {"clip at another rate", -1, -1, {true, 50, 11025}, false, false, true, false},
      {"empty clip", -1, -1, {true, 0, 8000}, false, false, false, false},
      {"invalid clip", -1, -1, {false, 50, 8000}, false, false, false, false},
  };
  for (const Case &k : cases) {
    EditorFacts f;
    f.activePane = 2;
    f.edit = loaded(1000, k.selStart, k.selEnd);
    f.clip = k.clip;
    ControlState c = computeControls(f);
    EXPECT_EQ(c.copy, k.copy) << k.what;
    EXPECT_EQ(c.downBlockSave, k.copy) << k.what;
    EXPECT_EQ(c.cut, k.cut) << k.what;
    EXPECT_EQ(c.trim, k.cut) << k.what;
    EXPECT_EQ(c.paste, k.paste) << k.what;
    EXPECT_EQ(c.pasteMenu, k.pasteMenu) << k.what;
    EXPECT_TRUE(c.editMenu && c.editPane && c.downClose && c.saveAsButton && c.oneBlank && c.normalRange)
        << k.what;
    EXPECT_FALSE(c.referenceMenu || c.referencePane || c.upClose) << k.what;
  }
}

TEST(EditorControls, ReferencePaneAndMenus) {
  EditorFacts f;
  f.activePane = 1;
  f.reference = loaded(1000);
  f.edit = loaded(500, 1, 2);
  ControlState c = computeControls(f);
  EXPECT_TRUE(c.referenceMenu && c.referencePane && c.upClose && c.upNormalRange && c.upSelectAll);
  EXPECT_FALSE(c.viewCopy || c.upBlockSave);
  EXPECT_FALSE(c.editMenu || c.editPane || c.copy || c.downClose);
  EXPECT_TRUE(c.saveAs && c.closeEdit && c.closeReference);

  f.reference.selStart = 5;
  f.reference.selEnd = 9;
  f.reference.cutsEmpty = false;
  c = computeControls(f);
  EXPECT_TRUE(c.viewCopy && c.upBlockSave);
  EXPECT_FALSE(c.upSelectAll);

  f.activePane = 2;
  f.undoEmpty = false;
  c = computeControls(f);
  EXPECT_TRUE(c.undo && c.resetUndo && c.downSelectAll);
}

TEST(EditorControls, BusyLeavesOnlyCancel) {
  EditorFacts f;
  f.activePane = 2;
  f.edit = loaded(1000, 1, 5);
  f.busy = true;
  ControlState expected;
  expected.cancel = true;
  EXPECT_EQ(computeControls(f), expected);
}

TEST(EditorZoom, RuleCases) {
  struct Case {
    const char *what;
    int64_t min, max, span, length;
    SampleRange expected;
  } cases[] = {
      {"wide enough", 100, 900, 50, 1000, {100, 900}},
      {"widened to the span", 100, 120, 50, 1000, {100, 150}},
      {"overshoot at the end", 980, 990, 50, 1000, {950, 1000}},
      {"leftward drag", 900, 100, 50, 1000, {100, 900}},
      {"leftward and narrow", 500, 490, 50, 1000, {450, 500}},
      {"leftward overshoot at 0", 20, 10, 50, 1000, {0, 50}},
      {"span longer than the file", 10, 20, 5000, 1000, {0, 1000}},
      {"zero length", 0, 0, 50, 0, {0, 50}},
  };
  for (const Case &k : cases) EXPECT_EQ(zoomEnd(k.min, k.max, k.span, k.length), k.expected) << k.what;
}

TEST(EditorZoom, MinimumSpan) {
  EXPECT_EQ(minimumZoomSpan(true, 800, 2, 8000), 796);
  EXPECT_EQ(minimumZoomSpan(true, 2, 2, 8000), 1);  // never 0
  EXPECT_EQ(minimumZoomSpan(false, 800, 2, 11025), 16537);
}

TEST(EditorFiles, SameFileThroughSymlinksAndSpellings) {
  testsupport::TempDir dir;
  auto a = dir.write("a.wav", "x");
  dir.write("b.wav", "x");
  std::filesystem::create_symlink(a, dir / "link.wav");
  EXPECT_TRUE(sameFile(a.string(), (dir / "link.wav").string()));
  EXPECT_TRUE(sameFile(a.string(), (dir / "sub/../a.wav").string()));
  EXPECT_FALSE(sameFile(a.string(), (dir / "b.wav").string()));
  EXPECT_FALSE(sameFile(a.string(), ""));
  EXPECT_TRUE(sameFile((dir / "new.wav").string(), (dir / "./new.wav").string()));
  EXPECT_TRUE(isInsideFolder((dir / "t/x.tmp").string(), dir / "t"));
  EXPECT_FALSE(isInsideFolder((dir / "tt/x.tmp").string(), dir / "t"));
  EXPECT_EQ(wavNameFor("/a/talk.DVG"), "/a/talk.WAV");
  EXPECT_EQ(wavNameFor("/a/talk.dvg"), "/a/talk.wav");
  EXPECT_EQ(upperExtension("/a/b.Wav"), ".WAV");
}

}  // namespace
