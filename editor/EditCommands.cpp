#include "editor/EditCommands.h"

#include <algorithm>
#include <system_error>

#include "components/waveedit/ListEdits.h"
#include "editor/EditorKeys.h"
#include "editor/FileIdentity.h"
#include "editor/TempFiles.h"

namespace fs = std::filesystem;
using components::MsgKind;
using components::WaveDescription;

namespace editor {

namespace {

StepResult toStep(EditResult r) {
  switch (r) {
    case EditResult::Done: return StepResult::Done;
    case EditResult::Cancelled: return StepResult::Cancelled;
    default: return StepResult::Failed;
  }
}

void sortMarkers(components::MarkerList &markers) {
  std::stable_sort(markers.begin(), markers.end(), [](const auto &a, const auto &b) { return a.offset < b.offset; });
}

}  // namespace

EditCommands::EditCommands(EditorSession &session, EditorHost &host, fs::path tempDir)
    : session_(session),
      host_(host),
      tempDir_(std::move(tempDir)),
      clip_(tempDir_),
      undo_(temps_, [this] { return fs::path(session_.workingFile()); }) {
  session_.setHistory(&undo_);
}

EditCommands::~EditCommands() { session_.setHistory(nullptr); }

void EditCommands::start() {
  // A region file left by the last window brings its clipboard back; one
  // that does not match its audio leaves the clipboard empty.
  if (!clip_.load()) clip_.clear();
  updateClipFacts();
}

void EditCommands::updateClipFacts() {
  ClipFacts facts;
  facts.valid = clip_.valid();
  facts.samples = clip_.samples();
  facts.sampleRate = clip_.format().sampleRate;
  session_.setClipFacts(facts);
}

StepIo EditCommands::stepIo() {
  StepIo io;
  io.progress = [this](uint64_t done, uint64_t total) {
    int percent = total == 0 ? 100 : static_cast<int>(std::min<uint64_t>(done, total) * 100 / total);
    return host_.progressStep(percent) && !session_.cancelRequested();
  };
  io.freeSpace = [this](const fs::path &folder) -> std::optional<uint64_t> {
    int64_t free = host_.freeBytes(folder.string());
    if (free < 0) return std::nullopt;
    return static_cast<uint64_t>(free);
  };
  return io;
}

StepResult EditCommands::runStep(const char *captionKey, const std::function<EditResult()> &step) {
  return session_.runStep([&] {
    host_.progressShow(captionKey);
    StepResult r = toStep(step());
    host_.progressHide();
    return r;
  });
}

std::pair<int64_t, int64_t> EditCommands::selection(Pane pane) const {
  const PaneState &p = session_.pane(pane);
  if (!p.hasSelection()) return {-1, -1};
  return {std::min(p.selStart, p.selEnd), std::max(p.selStart, p.selEnd)};
}

std::optional<fs::path> EditCommands::newTempFile() {
  auto temp = createTempFile(tempDir_);
  if (temp) temps_.add(*temp);
  return temp;
}

void EditCommands::failed(StepResult result, const fs::path &temp) {
  if (!temp.empty()) temps_.remove(temp, session_.workingFile());
  if (result == StepResult::Failed)
    host_.messageBox(keys::kKindError, keys::kEditFailed, MsgKind::Error, components::kButtonsOk);
  session_.refreshControls();
}

bool EditCommands::copy(Pane pane, bool fromButton) {
  if (session_.busy() || !session_.pane(pane).open) return false;
  host_.stopPlayback();  // a file operation ends playback
  auto [s, e] = selection(pane);
  if (s < 0 || s >= e) return false;  // no selection
  const WaveDescription source = host_.paneWave(pane);
  std::string why;
  StepResult r = runStep(keys::kCopying, [&] { return copyToClipboard(source, s, e, clip_, stepIo(), &why); });
  if (r != StepResult::Done) {
    failed(r, {});
    return false;
  }
  if (fromButton) clip_.setFromReference(pane == Pane::Reference);
  updateClipFacts();
  return true;
}

bool EditCommands::finishEdit(const WaveDescription &before, const EditOutcome &outcome, int64_t selStart,
                              int64_t selEnd, int64_t locator, std::optional<SampleRange> zoom) {
  const PaneState &edit = session_.pane(Pane::Edit);
  WaveFacts facts = edit.wave;
  facts.samples = outcome.length;
  StepResult built = session_.runStep([&] { return host_.preparePane(Pane::Edit, outcome.wave.fileName, facts); });
  if (built != StepResult::Done) {
    failed(built, outcome.wave.fileName);
    return false;
  }
  const bool wasModified = session_.modified();
  undo_.push({UndoKind::Wave, before, wasModified});
  session_.showEditState(outcome.wave.fileName, outcome.length, outcome.wave, selStart, selEnd, locator, zoom);
  session_.setModified(true);
  session_.refreshControls();
  return true;
}

void EditCommands::cut(bool fromButton) {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  host_.stopPlayback();  // a file operation ends playback
  auto [s, e] = selection(Pane::Edit);
  if (s < 0 || s >= e) return;
  const SampleRange zoom{session_.pane(Pane::Edit).zoomMin, session_.pane(Pane::Edit).zoomMax};
  // The selection goes only once the clipboard holds it.
  if (!copy(Pane::Edit, fromButton)) return;
  const int64_t samples = session_.pane(Pane::Edit).wave.samples;
  if (samples - (e - s) < host_.screenWidth()) {
    host_.messageBox(keys::kKindError, keys::kTooShort, MsgKind::Error, components::kButtonsOk);
    return;
  }
  auto temp = newTempFile();
  if (!temp) return failed(StepResult::Failed, {});
  const WaveDescription before = host_.paneWave(Pane::Edit);
  EditOutcome outcome;
  StepResult r = runStep(keys::kCutting, [&] {
    outcome = deleteSelection(before, s, e, *temp, stepIo());
    return outcome.result;
  });
  if (r != StepResult::Done) return failed(r, *temp);
  // The Cut button keeps the zoom that was shown.
  finishEdit(before, outcome, -1, -1, s, fromButton ? std::optional<SampleRange>(zoom) : std::nullopt);
}

void EditCommands::trim() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  host_.stopPlayback();  // a file operation ends playback
  auto [s, e] = selection(Pane::Edit);
  if (s < 0 || s >= e) return;
  if (e - s < host_.screenWidth()) {
    host_.messageBox(keys::kKindError, keys::kTooShort, MsgKind::Error, components::kButtonsOk);
    return;
  }
  auto temp = newTempFile();
  if (!temp) return failed(StepResult::Failed, {});
  const WaveDescription before = host_.paneWave(Pane::Edit);
  EditOutcome outcome;
  StepResult r = runStep(keys::kCutting, [&] {
    outcome = trimSelection(before, s, e, *temp, stepIo());
    return outcome.result;
  });
  if (r != StepResult::Done) return failed(r, *temp);
  finishEdit(before, outcome, -1, -1, 0);
}

void EditCommands::paste(bool fromButton) {
  if (session_.busy() || !session_.pane(Pane::Edit).open || !clip_.valid()) return;
  host_.stopPlayback();  // a file operation ends playback
  const PaneState &edit = session_.pane(Pane::Edit);
  const SampleRange zoom{edit.zoomMin, edit.zoomMax};
  const int64_t position = std::clamp<int64_t>(edit.locator, 0, edit.wave.samples);
  // The undo entry keeps the cut regions that the paste removes; a failed
  // paste puts them back.
  const WaveDescription before = host_.paneWave(Pane::Edit);
  WaveDescription source = before;
  source.cuts.clear();
  if (!before.cuts.empty()) {
    host_.setEditCuts({});
    session_.setCutsEmpty(Pane::Edit, true);
  }
  auto restoreCuts = [&] {
    if (before.cuts.empty()) return;
    host_.setEditCuts(before.cuts);
    session_.setCutsEmpty(Pane::Edit, false);
  };
  const bool wasModified = session_.modified();
  auto temp = newTempFile();
  if (!temp) {
    restoreCuts();
    return failed(StepResult::Failed, {});
  }
  EditOutcome outcome;
  StepResult r = runStep(keys::kPasting, [&] {
    outcome = pasteClipboard(source, position, clip_, *temp, stepIo());
    return outcome.result;
  });
  const int64_t pasted = r == StepResult::Done ? outcome.length - before.end : 0;
  // The Paste button keeps the zoom that was shown.
  const auto keepZoom = fromButton ? std::optional<SampleRange>(zoom) : std::nullopt;
  if (r != StepResult::Done || !finishEdit(before, outcome, position, position + pasted, position, keepZoom)) {
    if (r != StepResult::Done) failed(r, *temp);
    restoreCuts();
    session_.setModified(wasModified);
    session_.refreshControls();
  }
}

void EditCommands::insertBlank() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  host_.stopPlayback();  // a file operation ends playback
  std::string why;
  const uint32_t rate = session_.pane(Pane::Edit).wave.sampleRate;
  StepResult r = runStep(keys::kPasting, [&] { return makeBlankClipboard(rate, clip_, stepIo(), &why); });
  if (r != StepResult::Done) return failed(r, {});
  clip_.setFromReference(true);
  updateClipFacts();
  paste(false);
}

void EditCommands::saveBlock(Pane pane) {
  if (session_.busy() || !session_.pane(pane).open) return;
  host_.stopPlayback();  // a file operation ends playback
  auto [s, e] = selection(pane);
  if (s < 0 || s >= e) return;
  if (e - s < host_.screenWidth()) {
    host_.messageBox(keys::kKindError, keys::kTooShort, MsgKind::Error, components::kButtonsOk);
    return;
  }
  auto chosen = host_.chooseSaveFile(session_.pane(pane).fileName);
  if (!chosen || chosen->empty()) return;
  std::string name = *chosen;
  if (upperExtension(name).empty()) name += ".wav";
  // Never over a file that a pane, the clipboard or an undo entry reads.
  const PaneState &ref = session_.pane(Pane::Reference), &edit = session_.pane(Pane::Edit);
  if (sameFile(name, ref.fileName) || sameFile(name, edit.fileName) || sameFile(name, session_.workingFile())) {
    host_.messageBox(keys::kKindError, sameFile(name, ref.fileName) ? keys::kIsReferenceFile : keys::kIsEditFile,
                     MsgKind::Error, components::kButtonsOk);
    return;
  }
  if (sameFile(name, clip_.audioFile().string()) || isInsideFolder(name, tempDir_)) {
    host_.messageBox(keys::kKindError, keys::kCannotSave, MsgKind::Error, components::kButtonsOk);
    return;
  }
  std::error_code ec;
  if (fs::exists(name, ec) && !host_.confirmReplace(name)) return;
  const WaveDescription source = host_.paneWave(pane);
  std::string why;
  StepResult r = runStep(keys::kSaving, [&] { return editor::saveBlock(source, s, e, name, stepIo(), &why); });
  if (r == StepResult::Failed)
    host_.messageBox(keys::kKindError, keys::kSaveFailed, MsgKind::Error, components::kButtonsOk);
  session_.refreshControls();
}

void EditCommands::undo() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  host_.stopPlayback();  // a file operation ends playback
  const UndoEntry *entry = undo_.newest();
  if (!entry) {
    host_.messageBox(keys::kKindQuestion, keys::kUndoFailed, MsgKind::Warning, components::kButtonsOk);
    undo_.clear();
    session_.refreshControls();
    return;
  }
  const UndoEntry taken = *entry;
  const WaveDescription &snap = taken.snapshot;
  fs::path left;
  switch (taken.kind) {
    case UndoKind::Markers: host_.setEditMarkers(snap.markers); break;
    case UndoKind::Volume: host_.setEditEnvelope(snap.volume); break;
    case UndoKind::Cuts:
      host_.setEditCuts(snap.cuts);
      session_.setCutsEmpty(Pane::Edit, snap.cuts.empty());
      session_.setSelection(Pane::Edit, -1, -1);
      break;
    case UndoKind::Wave: {
      // The state before the edit comes back; a failure keeps the entry and
      // what is shown now.
      ProbeResult probe = host_.probe(snap.fileName);
      StepResult built = StepResult::Failed;
      if (probe.status == ProbeResult::Ok)
        built = session_.runStep([&] { return host_.preparePane(Pane::Edit, snap.fileName, probe.facts); });
      if (built != StepResult::Done) {
        if (built == StepResult::Failed)
          host_.messageBox(keys::kKindQuestion, keys::kUndoFailed, MsgKind::Warning, components::kButtonsOk);
        session_.refreshControls();
        return;
      }
      left = session_.workingFile();
      const int64_t locator = session_.pane(Pane::Edit).locator;
      session_.showEditState(snap.fileName, probe.facts.samples, snap, -1, -1, locator);
      break;
    }
  }
  session_.setModified(taken.modified);
  undo_.popAfterUndo(left);
  session_.refreshControls();
}

void EditCommands::resetUndo() {
  if (session_.busy()) return;
  undo_.clear();
  session_.refreshControls();
}

void EditCommands::pushLists(UndoKind kind) {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  undo_.push({kind, host_.paneWave(Pane::Edit), session_.modified()});
}

void EditCommands::addMarker(int64_t frame) {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  components::MarkerList markers = host_.paneWave(Pane::Edit).markers;
  if (std::any_of(markers.begin(), markers.end(), [&](const auto &m) { return m.offset == frame; })) return;
  pushLists(UndoKind::Markers);
  components::Marker marker;
  marker.id = components::nextMarkerId(markers);
  marker.offset = frame;
  marker.name = "Marker";
  markers.push_back(marker);
  sortMarkers(markers);
  host_.setEditMarkers(markers);
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::deleteMarker(uint32_t id) {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  components::MarkerList markers = host_.paneWave(Pane::Edit).markers;
  auto it = std::find_if(markers.begin(), markers.end(), [&](const auto &m) { return m.id == id; });
  if (it == markers.end()) return;
  pushLists(UndoKind::Markers);
  const uint32_t partner = it->nextId;
  std::erase_if(markers, [&](const auto &m) { return m.id == id || (partner != 0 && m.id == partner); });
  host_.setEditMarkers(markers);
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::deleteAllMarkers() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  host_.setEditMarkers({});
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::markerDragStarted() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  pending_ = UndoEntry{UndoKind::Markers, host_.paneWave(Pane::Edit), session_.modified()};
}

void EditCommands::markerMoved() {
  if (!pending_ || pending_->kind != UndoKind::Markers) return;
  undo_.push(std::move(*pending_));
  pending_.reset();
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::scaleVolume(double factor) {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  pushLists(UndoKind::Volume);
  components::VolumeEnvelope envelope = host_.paneWave(Pane::Edit).volume;
  components::scaleEnvelope(envelope, factor);
  host_.setEditEnvelope(envelope);
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::resetVolume() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  pushLists(UndoKind::Volume);
  host_.setEditEnvelope(components::unityEnvelope(session_.pane(Pane::Edit).wave.samples));
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::envelopeEditStarted() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  pending_ = UndoEntry{UndoKind::Volume, host_.paneWave(Pane::Edit), session_.modified()};
}

void EditCommands::envelopeEditFinished() {
  if (!pending_ || pending_->kind != UndoKind::Volume) return;
  // A press that changed nothing leaves no entry.
  if (pending_->snapshot.volume != host_.paneWave(Pane::Edit).volume) {
    undo_.push(std::move(*pending_));
    session_.markModified();
  }
  pending_.reset();
  session_.refreshControls();
}

void EditCommands::hideSelection() {
  if (session_.busy() || !session_.pane(Pane::Edit).open) return;
  auto [s, e] = selection(Pane::Edit);
  if (s < 0 || s >= e) return;
  components::CutList cuts = host_.paneWave(Pane::Edit).cuts;
  // The new region swallows those it touches, so that the list stays apart.
  components::CutRegion region{s, e - s, 0};
  components::CutList merged;
  for (const auto &c : cuts) {
    if (c.end() < region.start || c.start > region.end()) {
      merged.push_back(c);
      continue;
    }
    int64_t start = std::min(c.start, region.start), end = std::max(c.end(), region.end());
    region = {start, end - start, 0};
  }
  merged.push_back(region);
  std::sort(merged.begin(), merged.end(), [](const auto &a, const auto &b) { return a.start < b.start; });
  pushLists(UndoKind::Cuts);
  host_.setEditCuts(merged);
  session_.setCutsEmpty(Pane::Edit, false);
  session_.setSelection(Pane::Edit, -1, -1);
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::selectionEnded(int64_t start, int64_t end) {
  if (session_.busy() || !session_.pane(Pane::Edit).open || start < 0 || end < 0) return;
  // Selecting changes no list: the lists now are those from its start.
  UndoEntry entry{UndoKind::Cuts, host_.paneWave(Pane::Edit), session_.modified()};
  const components::CutList &cuts = entry.snapshot.cuts;
  auto inside = std::find_if(cuts.begin(), cuts.end(),
                             [&](const auto &c) { return start >= c.start && start < c.end(); });
  if (inside == cuts.end()) return;
  // A selection that starts inside a region gives that region back.
  components::CutList now = cuts;
  now.erase(now.begin() + (inside - cuts.begin()));
  undo_.push(std::move(entry));
  host_.setEditCuts(now);
  session_.setCutsEmpty(Pane::Edit, now.empty());
  session_.markModified();
  session_.refreshControls();
}

void EditCommands::editMenuOpening() {
  clip_.refreshIfChanged();
  updateClipFacts();
}

void EditCommands::windowClosed() {
  pending_.reset();
  clip_.removeRegionFile();
}

}  // namespace editor
