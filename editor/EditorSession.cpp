#include "editor/EditorSession.h"

#include <algorithm>
#include <system_error>

#include "editor/EditorKeys.h"
#include "editor/FileIdentity.h"
#include "editor/TempFiles.h"

namespace fs = std::filesystem;
using components::MsgKind;

namespace editor {

namespace {

// A 16-bit mono PCM WAV file of this many samples, with its header.
int64_t wavBytes(int64_t samples) { return samples * 2 + 44; }

int64_t fileSize(const std::string &path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

std::string folderOf(const std::string &path) {
  fs::path folder = fs::absolute(path).parent_path();
  return folder.string();
}

}  // namespace

EditorSession::EditorSession(EditorHost &host, fs::path tempDir) : host_(host), tempDir_(std::move(tempDir)) {}

fs::path EditorSession::clipFile() const { return tempDir_ / kClipFileName; }

void EditorSession::setClipFacts(const ClipFacts &clip) {
  clip_ = clip;
  if (!busy_) host_.applyControls(controls());
}

void EditorSession::start() {
  activePane_ = 0;
  Exchangeform_updown();
}

ControlState EditorSession::controls() const {
  EditorFacts facts;
  facts.activePane = activePane_;
  facts.reference = reference_;
  facts.edit = edit_;
  facts.clip = clip_;
  facts.undoEmpty = !history_ || history_->empty();
  facts.busy = busy_;
  return computeControls(facts);
}

void EditorSession::Exchangeform_updown() {
  host_.stopPlayback();
  refresh();
}

void EditorSession::refresh() {
  host_.applyControls(controls());
  if (activePane_ == 1)
    host_.showStatus(&reference_);
  else if (activePane_ == 2)
    host_.showStatus(&edit_);
  else
    host_.showStatus(nullptr);
}

void EditorSession::showError(const char *textKey, const std::string &prefix) {
  host_.messageBox(keys::kKindError, textKey, MsgKind::Error, components::kButtonsOk, prefix);
}

StepResult EditorSession::runBusy(const std::function<StepResult()> &step) {
  busy_ = true;
  cancelRequested_ = false;
  host_.applyControls(controls());
  StepResult result = StepResult::Failed;
  try {
    result = step();
  } catch (...) {
    result = StepResult::Failed;
  }
  busy_ = false;
  host_.applyControls(controls());
  return result;
}

bool EditorSession::settleModified() {
  if (!edit_.open || !modified_) return true;
  int answer = host_.messageBox(keys::kKindQuestion, keys::kModifiedQuestion, MsgKind::Confirmation,
                                components::kButtonsYesNoCancel);
  if (answer == components::kResultYes) return true;  // go on without saving
  if (answer == components::kResultCancel) return saveAs();
  return false;  // keep editing
}

bool EditorSession::refuseAsTarget(const std::string &name, Pane pane) {
  // Writing over a pane's file would change it under the views.
  if (sameFile(name, reference_.fileName)) {
    showError(keys::kIsReferenceFile);
    return true;
  }
  if (pane == Pane::Reference && sameFile(name, edit_.fileName)) {
    showError(keys::kIsEditFile);
    return true;
  }
  if (sameFile(name, clipFile().string()) || isInsideFolder(name, tempDir_)) {
    showError(keys::kCannotSave);
    return true;
  }
  return false;
}

bool EditorSession::enoughSpace(const std::string &target, int64_t bytes) {
  int64_t free = host_.freeBytes(folderOf(target));
  if (free >= 0 && free < bytes) {
    showError(keys::kNoDiskSpace);
    return false;
  }
  return true;
}

void EditorSession::openFile(Pane pane) {
  if (busy_) return;
  host_.stopPlayback();
  if (pane == Pane::Edit && !settleModified()) return;

  auto chosen = host_.chooseOpenFile(pane);
  if (!chosen || chosen->empty()) return;
  std::string name = *chosen;
  if (sameFile(name, clipFile().string())) return;
  const std::string ext = upperExtension(name);
  if (ext != ".WAV" && ext != ".DVG") return;

  if (ext == ".DVG") {
    auto target = host_.chooseSaveFile(wavNameFor(name));
    if (!target || target->empty()) return;
    const std::string &wav = *target;
    // The other pane's file, as the original does; and never this pane's
    // own file, the voice file itself, the clipboard or a temporary file.
    if (sameFile(wav, state(otherPane(pane)).fileName)) {
      showError(pane == Pane::Edit ? keys::kIsReferenceFile : keys::kIsEditFile);
      return;
    }
    if (sameFile(wav, state(pane).fileName)) {
      showError(pane == Pane::Edit ? keys::kIsEditFile : keys::kIsReferenceFile);
      return;
    }
    if (sameFile(wav, name) || sameFile(wav, clipFile().string()) || isInsideFolder(wav, tempDir_)) {
      showError(keys::kCannotSave);
      return;
    }
    std::error_code ec;
    if (fs::exists(wav, ec) && !host_.confirmReplace(wav)) return;
    if (!enoughSpace(wav, std::max<int64_t>(0, fileSize(name) - 256) * 16 + 44)) return;
    // The conversion pumps events too: closing the window meanwhile cancels it.
    StepResult converted =
        runBusy([&] { return host_.convertVoiceFile(name, wav) ? StepResult::Done : StepResult::Failed; });
    if (converted != StepResult::Done) return;
    name = wav;
  }

  if (sameFile(name, reference_.fileName)) {
    showError(keys::kIsReferenceFile);
    return;
  }
  if (sameFile(name, edit_.fileName)) {
    showError(keys::kIsEditFile);
    return;
  }
  ProbeResult probe = host_.probe(name);
  switch (probe.status) {
    case ProbeResult::BadFormat: showError(keys::kBadFormat, probe.formatName); return;
    case ProbeResult::Unreadable: showError(keys::kCannotOpen); return;
    case ProbeResult::NoAudio: showError(keys::kNoAudio); return;
    case ProbeResult::Ok: break;
  }
  loadPane(pane, name, probe.facts);
  Exchangeform_updown();
}

bool EditorSession::loadPane(Pane pane, const std::string &path, const WaveFacts &facts) {
  StepResult result = runBusy([&] { return host_.preparePane(pane, path, facts); });
  if (result != StepResult::Done) {
    // The pane keeps what it showed; a cancel says nothing.
    if (result == StepResult::Failed) showError(keys::kCannotOpen);
    return false;
  }
  PaneState fresh;
  fresh.fileName = path;
  fresh.open = true;
  fresh.wave = facts;
  fresh.locator = 0;
  fresh.zoomMin = 0;
  fresh.zoomMax = facts.samples;
  state(pane) = fresh;
  host_.commitPane(pane, fresh);
  activePane_ = static_cast<int>(pane);
  if (pane == Pane::Edit) {
    modified_ = false;
    workingFile_ = path;
    if (history_) history_->clear();
  }
  return true;
}

bool EditorSession::closeEditFile() {
  if (busy_) return false;
  host_.stopPlayback();
  if (!settleModified()) return false;
  host_.clearPane(Pane::Edit);
  edit_ = PaneState{};
  workingFile_.clear();
  modified_ = false;
  if (history_) history_->clear();
  activePane_ = reference_.open ? 1 : 0;
  Exchangeform_updown();
  return true;
}

void EditorSession::closeReferenceFile() {
  if (busy_) return;
  host_.stopPlayback();
  host_.clearPane(Pane::Reference);
  reference_ = PaneState{};
  activePane_ = edit_.open ? 2 : 0;
  Exchangeform_updown();
}

bool EditorSession::saveAs() {
  if (busy_ || !edit_.open) return false;
  auto chosen = host_.chooseSaveFile(edit_.fileName);
  if (!chosen || chosen->empty()) return false;
  std::string name = *chosen;
  if (upperExtension(name).empty()) name += ".wav";
  if (refuseAsTarget(name, Pane::Edit)) return false;
  std::error_code ec;
  if (fs::exists(name, ec) && !host_.confirmReplace(name)) return false;
  if (!enoughSpace(name, wavBytes(edit_.wave.samples))) return false;

  const bool overOpened = sameFile(name, edit_.fileName);
  const bool overWorking = sameFile(name, workingFile_);
  if (overOpened && !overWorking && history_ && !history_->empty()) {
    // Undo entries may read the opened file: they keep a copy of it.
    auto copy = copyToTempFile(edit_.fileName, tempDir_);
    if (!copy) {
      showError(keys::kCannotSave);
      return false;
    }
    history_->redirect(edit_.fileName, copy->string());
  }

  StepResult result = runBusy([&] { return host_.renderEdit(name); });
  if (result == StepResult::Failed) showError(keys::kSaveFailed);
  if (result != StepResult::Done) {
    refresh();
    return false;
  }
  modified_ = false;
  if (overWorking) {
    // The saved file carries the cuts and the envelope now: show it afresh.
    if (history_) history_->clear();
    ProbeResult probe = host_.probe(name);
    if (probe.status != ProbeResult::Ok || !loadPane(Pane::Edit, name, probe.facts)) {
      host_.clearPane(Pane::Edit);
      edit_ = PaneState{};
      workingFile_.clear();
      activePane_ = reference_.open ? 1 : 0;
    }
  }
  Exchangeform_updown();
  return true;
}

void EditorSession::activate(Pane pane) {
  if (busy_ || !state(pane).open || activePane_ == static_cast<int>(pane)) return;
  activePane_ = static_cast<int>(pane);
  Exchangeform_updown();
}

bool EditorSession::queryClose() {
  if (busy_) {
    cancel();
    return false;
  }
  return settleModified();
}

void EditorSession::closeWindow() {
  host_.stopPlayback();
  if (reference_.open) host_.clearPane(Pane::Reference);
  if (edit_.open) host_.clearPane(Pane::Edit);
  reference_ = PaneState{};
  edit_ = PaneState{};
  workingFile_.clear();
  modified_ = false;
  if (history_) history_->clear();
  activePane_ = 0;
  refresh();
}

void EditorSession::setSelection(Pane pane, int64_t start, int64_t end) {
  PaneState &p = state(pane);
  if (start >= 0 && end >= 0 && end < start) std::swap(start, end);
  p.selStart = start;
  p.selEnd = end;
  if (!busy_) refresh();
}

void EditorSession::setLocator(Pane pane, int64_t position) {
  state(pane).locator = position;
  if (!busy_ && activePane_ == static_cast<int>(pane)) host_.showStatus(&state(pane));
}

void EditorSession::selectAllSwitch(Pane pane) {
  PaneState &p = state(pane);
  if (!p.open) return;
  if (p.wholeSelected())
    setSelection(pane, 0, 0);
  else
    setSelection(pane, 0, p.rangeEnd());
}

void EditorSession::discardSelection(Pane pane) { setSelection(pane, -1, -1); }

SampleRange EditorSession::zoomEnd(Pane pane, int64_t min, int64_t max, int64_t span) {
  PaneState &p = state(pane);
  SampleRange r = editor::zoomEnd(min, max, span, p.rangeEnd());
  p.zoomMin = r.min;
  p.zoomMax = r.max;
  if (!busy_ && activePane_ == static_cast<int>(pane)) host_.showStatus(&p);
  return r;
}

SampleRange EditorSession::normalRange(Pane pane) {
  PaneState &p = state(pane);
  p.zoomMin = 0;
  p.zoomMax = p.rangeEnd();
  return {p.zoomMin, p.zoomMax};
}

SampleRange EditorSession::zoomSelection(Pane pane) {
  PaneState &p = state(pane);
  if (p.hasSelection() && p.selEnd != p.selStart) {
    p.zoomMin = std::min(p.selStart, p.selEnd);
    p.zoomMax = std::max(p.selStart, p.selEnd);
  }
  return {p.zoomMin, p.zoomMax};
}

void EditorSession::showEditState(const std::string &path, int64_t samples, const components::WaveDescription &wave,
                                  int64_t selStart, int64_t selEnd, int64_t locator,
                                  std::optional<SampleRange> zoom) {
  edit_.wave.samples = samples;
  edit_.zoomMin = 0;
  edit_.zoomMax = samples;
  if (zoom && zoom->max > zoom->min) {
    // The range shown before, moved back inside the new length.
    const int64_t span = std::min(zoom->max - zoom->min, samples);
    edit_.zoomMin = std::clamp<int64_t>(zoom->min, 0, samples - span);
    edit_.zoomMax = edit_.zoomMin + span;
  }
  auto clamp = [samples](int64_t v) { return v < 0 ? v : std::min(v, samples); };
  edit_.selStart = clamp(selStart);
  edit_.selEnd = clamp(selEnd);
  if (!edit_.hasSelection() || edit_.selStart >= edit_.selEnd) edit_.selStart = edit_.selEnd = -1;
  edit_.locator = std::clamp<int64_t>(locator, 0, samples);
  edit_.cutsEmpty = wave.cuts.empty();
  workingFile_ = path;
  components::WaveDescription shown = wave;
  shown.fileName = path;
  host_.commitEdit(edit_, shown);
  refresh();
}

void EditorSession::markModified() {
  if (!edit_.open) return;
  modified_ = true;
}

}  // namespace editor
