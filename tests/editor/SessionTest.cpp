// The editor's two-file model against a scripted window: opening with its
// refusals, voice files, closing questions, Save As and the busy state.
#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedHost.h"
#include "editor/EditorKeys.h"
#include "editor/EditorSession.h"
#include "editor/FileIdentity.h"
#include "testsupport/Files.h"
#include "testsupport/TempDir.h"

using namespace editor;
using editortest::goodWave;
using editortest::ScriptedHost;
namespace fs = std::filesystem;

namespace {

std::string text(const std::string &path) {
  auto bytes = testsupport::readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

class EditorSessionTest : public ::testing::Test {
 protected:
  EditorSessionTest() : session(host, dir / "TempData") {
    fs::create_directories(dir / "TempData");
    session.start();
  }
  std::string file(const std::string &name, uint32_t rate = 8000) {
    std::string p = dir.write(name, "wave").string();
    host.probes[p] = goodWave(rate);
    return p;
  }
  void open(Pane pane, const std::string &path) {
    host.openAnswers.push_back(path);
    session.openFile(pane);
  }
  std::string lastText() const { return host.boxes.empty() ? "" : host.boxes.back().text; }

  testsupport::TempDir dir;
  ScriptedHost host;
  EditorSession session;
};

TEST_F(EditorSessionTest, StartsWithNothingActive) {
  EXPECT_EQ(session.activePane(), 0);
  EXPECT_FALSE(host.lastControls().editPane || host.lastControls().referencePane);
  EXPECT_TRUE(host.lastControls().fileMenu);
  EXPECT_EQ(host.status, nullptr);
}

TEST_F(EditorSessionTest, OpensBothPanesAndActivatesTheLastOpened) {
  std::string ref = file("ref.wav"), edit = file("edit.WAV", 11025);
  open(Pane::Reference, ref);
  EXPECT_EQ(session.activePane(), 1);
  open(Pane::Edit, edit);
  EXPECT_EQ(session.activePane(), 2);
  EXPECT_EQ(session.pane(Pane::Edit).wave.sampleRate, 11025u);
  EXPECT_EQ(session.pane(Pane::Edit).zoomMax, 16000);
  ASSERT_NE(host.status, nullptr);
  EXPECT_EQ(host.status->fileName, edit);
  session.activate(Pane::Reference);
  EXPECT_EQ(session.activePane(), 1);
  EXPECT_TRUE(host.lastControls().referenceMenu);
  session.closeReferenceFile();
  EXPECT_EQ(session.activePane(), 2);
  EXPECT_TRUE(session.closeEditFile());
  EXPECT_EQ(session.activePane(), 0);
  EXPECT_EQ(host.cleared, (std::vector<Pane>{Pane::Reference, Pane::Edit}));
}

TEST_F(EditorSessionTest, RefusalsLeaveThePaneAsItWas) {
  std::string good = file("good.wav");
  open(Pane::Edit, good);
  auto bad = [&](const char *name, ProbeResult::Status status, const char *format = "") {
    std::string p = dir.write(name, "x").string();
    ProbeResult r;
    r.status = status;
    r.formatName = format;
    host.probes[p] = r;
    return p;
  };
  struct Case {
    std::string path;
    const char *text;
    std::string prefix;
  } cases[] = {
      {bad("stereo.wav", ProbeResult::BadFormat, "[STEREO/22K/16Bit]"), keys::kBadFormat, "[STEREO/22K/16Bit]"},
      {bad("gsm.wav", ProbeResult::BadFormat, "GSM610"), keys::kBadFormat, "GSM610"},
      {bad("empty.wav", ProbeResult::NoAudio), keys::kNoAudio, ""},
      {bad("broken.wav", ProbeResult::Unreadable), keys::kCannotOpen, ""},
  };
  for (const Case &k : cases) {
    host.boxes.clear();
    open(Pane::Edit, k.path);
    ASSERT_EQ(host.boxes.size(), 1u) << k.path;
    EXPECT_EQ(host.boxes[0].text, k.text) << k.path;
    EXPECT_EQ(host.boxes[0].caption, keys::kKindError) << k.path;
    EXPECT_EQ(host.boxes[0].prefix, k.prefix) << k.path;
    EXPECT_EQ(session.pane(Pane::Edit).fileName, good) << k.path;
  }
  // Other endings and the clipboard end silently.
  host.boxes.clear();
  open(Pane::Edit, dir.write("song.mp3", "x").string());
  open(Pane::Edit, session.clipFile().string());
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(host.prepared.size(), 1u);
}

TEST_F(EditorSessionTest, TheSameFileInBothPanesIsRefusedAlsoThroughASymlink) {
  std::string a = file("a.wav");
  fs::create_symlink(a, dir / "link.wav");
  open(Pane::Reference, a);
  open(Pane::Edit, (dir / "link.wav").string());
  EXPECT_EQ(lastText(), keys::kIsReferenceFile);
  EXPECT_FALSE(session.pane(Pane::Edit).open);
  std::string b = file("b.wav");
  open(Pane::Edit, b);
  open(Pane::Reference, b);
  EXPECT_EQ(lastText(), keys::kIsEditFile);
  EXPECT_EQ(session.pane(Pane::Reference).fileName, a);
}

TEST_F(EditorSessionTest, VoiceFileWhoseWavIsTheReferenceIsNotConverted) {
  std::string ref = file("talk.WAV");
  open(Pane::Reference, ref);
  std::string voice = dir.write("talk.DVG", std::string(756, 'v')).string();
  host.saveAnswers.push_back(ref);
  open(Pane::Edit, voice);
  EXPECT_EQ(host.saveProposals.back(), (dir / "talk.WAV").string());
  EXPECT_EQ(lastText(), keys::kIsReferenceFile);
  EXPECT_TRUE(host.converted.empty());
  EXPECT_TRUE(host.replaceQuestions.empty());
}

TEST_F(EditorSessionTest, VoiceFileConversionAsksBeforeReplacingAndNeverTargetsItsSource) {
  std::string voice = dir.write("memo.dvg", std::string(1256, 'v')).string();
  std::string wav = dir.write("memo.wav", "old").string();
  host.probes[wav] = goodWave();
  // Declined: nothing converted, the old file stays.
  host.saveAnswers.push_back(wav);
  host.replaceAnswers.push_back(false);
  open(Pane::Edit, voice);
  EXPECT_EQ(host.replaceQuestions, std::vector<std::string>{wav});
  EXPECT_TRUE(host.converted.empty());
  // The voice file itself as the target.
  host.saveAnswers.push_back(voice);
  open(Pane::Edit, voice);
  EXPECT_EQ(lastText(), keys::kCannotSave);
  EXPECT_TRUE(host.converted.empty());
  // A file in the temporary folder.
  host.saveAnswers.push_back((dir / "TempData/x.wav").string());
  open(Pane::Edit, voice);
  EXPECT_EQ(lastText(), keys::kCannotSave);
  // Not enough room for 1000 coded bytes (16044 bytes of WAV).
  host.free = 16000;
  host.saveAnswers.push_back((dir / "new.wav").string());
  open(Pane::Edit, voice);
  EXPECT_EQ(lastText(), keys::kNoDiskSpace);
  EXPECT_TRUE(host.converted.empty());
  // Accepted: converted, then opened as the edit file.
  host.free = -1;
  host.saveAnswers.push_back(wav);
  host.replaceAnswers.push_back(true);
  open(Pane::Edit, voice);
  EXPECT_EQ(host.converted, std::vector<std::string>{voice + " -> " + wav});
  EXPECT_EQ(session.pane(Pane::Edit).fileName, wav);
  // Converting onto the open edit file is refused.
  host.saveAnswers.push_back(wav);
  open(Pane::Edit, voice);
  EXPECT_EQ(lastText(), keys::kIsEditFile);
  EXPECT_EQ(host.converted.size(), 1u);
}

TEST_F(EditorSessionTest, ClosingAModifiedFileThenCancellingTheSaveDialogKeepsTheWindowOpen) {
  open(Pane::Edit, file("e.wav"));
  session.markModified();
  host.boxAnswers.push_back(components::kResultCancel);  // third button: save
  // no save answer: the dialog is cancelled
  EXPECT_FALSE(session.queryClose());
  EXPECT_EQ(host.boxes.back().text, keys::kModifiedQuestion);
  EXPECT_EQ(host.boxes.back().caption, keys::kKindQuestion);
  EXPECT_EQ(host.boxes.back().buttons, components::kButtonsYesNoCancel);
  EXPECT_TRUE(session.modified());
  // Second button keeps the window open; first closes without saving.
  host.boxAnswers.push_back(components::kResultNo);
  EXPECT_FALSE(session.queryClose());
  host.boxAnswers.push_back(components::kResultYes);
  EXPECT_TRUE(session.queryClose());
  EXPECT_TRUE(host.rendered.empty());
}

TEST_F(EditorSessionTest, AFailedSaveNeverCountsAsSaved) {
  std::string e = file("e.wav");
  open(Pane::Edit, e);
  session.markModified();
  std::string target = (dir / "out.wav").string();
  // Closing the window: save chosen, the render fails.
  host.boxAnswers.push_back(components::kResultCancel);
  host.saveAnswers.push_back(target);
  host.renderResults.push_back(StepResult::Failed);
  EXPECT_FALSE(session.queryClose());
  EXPECT_EQ(host.boxes.back().text, keys::kSaveFailed);
  EXPECT_TRUE(session.modified());
  // Closing the edit file: the render is cancelled, the file stays open.
  host.boxAnswers.push_back(components::kResultCancel);
  host.saveAnswers.push_back(target);
  host.renderResults.push_back(StepResult::Cancelled);
  EXPECT_FALSE(session.closeEditFile());
  EXPECT_TRUE(session.pane(Pane::Edit).open);
  EXPECT_TRUE(session.modified());
  // Opening another file: the save fails, nothing else is opened.
  std::string other = file("other.wav");
  host.boxAnswers.push_back(components::kResultCancel);
  host.saveAnswers.push_back(target);
  host.renderResults.push_back(StepResult::Failed);
  open(Pane::Edit, other);
  EXPECT_EQ(session.pane(Pane::Edit).fileName, e);
  EXPECT_TRUE(session.modified());
  EXPECT_FALSE(fs::exists(target));
  // A save that works lets the close go on.
  host.boxAnswers.push_back(components::kResultCancel);
  host.saveAnswers.push_back(target);
  EXPECT_TRUE(session.queryClose());
  EXPECT_FALSE(session.modified());
  EXPECT_TRUE(fs::exists(target));
}

TEST_F(EditorSessionTest, SaveAsRefusesPaneClipboardAndTemporaryFilesAndAsksBeforeReplacing) {
  std::string ref = file("ref.wav");
  open(Pane::Reference, ref);
  open(Pane::Edit, file("e.wav"));
  struct Case {
    std::string target;
    const char *text;
  } cases[] = {
      {ref, keys::kIsReferenceFile},
      {session.clipFile().string(), keys::kCannotSave},
      {(dir / "TempData/edit123.tmp").string(), keys::kCannotSave},
  };
  for (const Case &k : cases) {
    host.saveAnswers.push_back(k.target);
    EXPECT_FALSE(session.saveAs()) << k.target;
    EXPECT_EQ(lastText(), k.text) << k.target;
  }
  std::string existing = dir.write("exists.wav", "keep").string();
  host.saveAnswers.push_back(existing);
  host.replaceAnswers.push_back(false);
  EXPECT_FALSE(session.saveAs());
  EXPECT_TRUE(host.rendered.empty());
  host.saveAnswers.push_back((dir / "noext").string());
  EXPECT_TRUE(session.saveAs());
  EXPECT_EQ(host.rendered, std::vector<std::string>{(dir / "noext.wav").string()});
}

TEST_F(EditorSessionTest, SaveOverTheOpenedFileReloadsIt) {
  std::string e = file("e.wav");
  open(Pane::Edit, e);
  session.markModified();
  host.saveAnswers.push_back(e);
  host.replaceAnswers.push_back(true);
  EXPECT_TRUE(session.saveAs());
  EXPECT_EQ(host.prepared, (std::vector<std::string>{e, e}));
  EXPECT_FALSE(session.modified());
  EXPECT_EQ(session.activePane(), 2);
}

struct FakeHistory : EditHistory {
  std::vector<std::string> entries;
  bool empty() const override { return entries.empty(); }
  void clear() override { entries.clear(); }
  void redirect(const std::string &from, const std::string &to) override {
    for (auto &e : entries)
      if (e == from) e = to;
  }
};

TEST_F(EditorSessionTest, SaveOverTheOpenedFileAfterEditsKeepsTheOriginalForUndo) {
  std::string e = dir.write("e.wav", "original").string();
  host.probes[e] = goodWave();
  FakeHistory history;
  session.setHistory(&history);
  open(Pane::Edit, e);
  // An edit: the working wave reads a temporary file, the undo entry the original.
  session.setWorkingFile((dir / "TempData/edit1.tmp").string());
  history.entries = {e};
  session.markModified();
  fs::create_symlink(e, dir / "alias.wav");
  host.saveAnswers.push_back((dir / "alias.wav").string());
  host.replaceAnswers.push_back(true);
  EXPECT_TRUE(session.saveAs());
  ASSERT_EQ(history.entries.size(), 1u);
  EXPECT_NE(history.entries[0], e);
  EXPECT_TRUE(isInsideFolder(history.entries[0], dir / "TempData"));
  EXPECT_EQ(text(history.entries[0]), "original");
  EXPECT_EQ(text(e), "rendered");
  EXPECT_FALSE(session.modified());
  EXPECT_EQ(host.prepared.size(), 1u);  // no reload: the pane shows the working wave
}

TEST_F(EditorSessionTest, ACancelledFillKeepsThePreviousPaneAndModified) {
  std::string e = file("e.wav"), other = file("other.wav");
  open(Pane::Edit, e);
  session.markModified();
  host.boxAnswers.push_back(components::kResultYes);  // go on without saving
  host.prepareResults.push_back(StepResult::Cancelled);
  open(Pane::Edit, other);
  EXPECT_EQ(session.pane(Pane::Edit).fileName, e);
  EXPECT_TRUE(session.modified());
  EXPECT_EQ(host.committed.size(), 1u);
  EXPECT_TRUE(host.cleared.empty());
  EXPECT_EQ(host.boxes.size(), 1u);  // the question; a cancel says nothing
  // A failed fill says so and also keeps the pane.
  host.boxAnswers.push_back(components::kResultYes);
  host.prepareResults.push_back(StepResult::Failed);
  open(Pane::Edit, other);
  EXPECT_EQ(lastText(), keys::kCannotOpen);
  EXPECT_EQ(session.pane(Pane::Edit).fileName, e);
}

TEST_F(EditorSessionTest, WhileBusyOnlyCancelWorksAndClosingMeansCancel) {
  std::string e = file("e.wav"), r = file("r.wav");
  bool closed = true;
  host.duringStep = [&] {
    EXPECT_TRUE(session.busy());
    EXPECT_TRUE(host.lastControls().cancel);
    EXPECT_FALSE(host.lastControls().fileMenu || host.lastControls().openEdit);
    // A second job from a shortcut or a menu does nothing.
    host.openAnswers.push_back(r);
    session.openFile(Pane::Reference);
    EXPECT_EQ(host.openAnswers.size(), 1u);  // no dialog ran
    host.openAnswers.clear();
    EXPECT_FALSE(session.saveAs());
    closed = session.queryClose();
  };
  open(Pane::Edit, e);
  EXPECT_FALSE(closed);
  // A voice file's conversion is such a step too.
  closed = true;
  std::string voice = dir.write("v.dvg", std::string(600, 'v')).string();
  host.probes[(dir / "v.wav").string()] = goodWave();
  host.saveAnswers.push_back((dir / "v.wav").string());
  open(Pane::Edit, voice);
  EXPECT_FALSE(closed);
  EXPECT_EQ(session.pane(Pane::Edit).fileName, (dir / "v.wav").string());
  EXPECT_FALSE(session.busy());
  EXPECT_FALSE(session.pane(Pane::Reference).open);
  EXPECT_EQ(host.prepared, (std::vector<std::string>{e, (dir / "v.wav").string()}));
  EXPECT_TRUE(host.lastControls().fileMenu);
  EXPECT_FALSE(host.lastControls().cancel);
}

TEST_F(EditorSessionTest, SelectionAndZoom) {
  open(Pane::Edit, file("e.wav"));  // 16000 samples
  session.setSelection(Pane::Edit, 300, 100);
  EXPECT_EQ(session.pane(Pane::Edit).selStart, 100);
  EXPECT_TRUE(host.lastControls().cut);
  session.selectAllSwitch(Pane::Edit);
  EXPECT_TRUE(session.pane(Pane::Edit).wholeSelected());
  EXPECT_FALSE(host.lastControls().cut);
  EXPECT_TRUE(host.lastControls().copy);
  session.selectAllSwitch(Pane::Edit);
  EXPECT_EQ(session.pane(Pane::Edit).selEnd, 0);
  session.discardSelection(Pane::Edit);
  EXPECT_FALSE(host.lastControls().copy);
  EXPECT_EQ(session.zoomEnd(Pane::Edit, 15990, 15995, 100), (SampleRange{15900, 16000}));
  EXPECT_EQ(session.pane(Pane::Edit).zoomMin, 15900);
  EXPECT_EQ(session.normalRange(Pane::Edit), (SampleRange{0, 16000}));
}

}  // namespace
