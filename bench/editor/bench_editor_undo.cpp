// Fifty edits of a long 8 kHz mono WAV (written here) as the voice editor
// makes them: mostly Cut's delete step and pastes of a two-second clipboard,
// with some deletes of a minute, each rendering a new temporary file and
// pushing its undo entry. Reports the disk the temporary files hold, the
// process memory (VmRSS) before and after the edits on a 30-minute and a
// 2-hour file (the steps live on disk, so the growth must not follow the
// length), and then what undoing each step costs: the edit pane re-fills
// from the snapshot (open + the display data saved beside it when that
// state was shown) against `cp` of the same file, both with the page cache
// warm, as a ratio per step (median and max). The old re-fill, which builds
// the display data again from the audio, is measured beside it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../waveviews/BenchWave.h"
#include "components/waveedit/ListEdits.h"
#include "components/waveedit/WaveObject.h"
#include "components/waveviews/PeakCache.h"
#include "editor/TempFiles.h"
#include "editor/edit/Clipboard.h"
#include "editor/edit/EditOperations.h"
#include "editor/edit/UndoList.h"

namespace fs = std::filesystem;
using namespace editor;

namespace {

constexpr int kEdits = 50;
constexpr int kRate = 8000;

long rssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

uint64_t bytesOf(const std::vector<fs::path> &files) {
  uint64_t sum = 0;
  for (const auto &f : files) {
    std::error_code ec;
    auto size = fs::file_size(f, ec);
    if (!ec) sum += size;
  }
  return sum;
}

// Reads the file once so that both timed steps find it in the page cache.
void warm(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
  }
}

// Where a state's display data goes when it is shown.
fs::path peaksFileOf(const fs::path &temp, const fs::path &wave) { return temp / (wave.filename().string() + ".peaks"); }

// What the editor does once a state is rendered: build its display data
// and keep it beside the state.
bool showAndSave(const fs::path &wave, const fs::path &temp, std::vector<double> &buildMs, std::vector<double> &saveMs) {
  components::waveviews::PeakCache cache;
  std::string error;
  const double t0 = benchwave::nowMs();
  if (cache.build(wave.string(), {}, &error) != components::waveviews::PeakCache::Result::Done) {
    std::fprintf(stderr, "bench_editor_undo: cannot build %s %s\n", wave.c_str(), error.c_str());
    return false;
  }
  const double t1 = benchwave::nowMs();
  if (!cache.save(peaksFileOf(temp, wave).string(), &error)) {
    std::fprintf(stderr, "bench_editor_undo: cannot save the display data of %s %s\n", wave.c_str(), error.c_str());
    return false;
  }
  buildMs.push_back(t1 - t0);
  saveMs.push_back(benchwave::nowMs() - t1);
  return true;
}

struct RunFigures {
  double minutes = 0;
  uint64_t fileBytes = 0;
  uint64_t diskHeld = 0, peaksHeld = 0;
  long rssBefore = 0, rssAfter = 0;
  double editMs = 0;
  std::vector<double> buildMs, saveMs;
  std::vector<double> undoMs, cpMs, ratios;
  std::vector<double> rebuildMs, rebuildRatios;
};

bool run(double minutes, const fs::path &root, RunFigures &fig) {
  fig.minutes = minutes;
  const fs::path dir = root / (std::to_string(static_cast<int>(minutes)) + "min");
  const fs::path temp = dir / "tempdata";
  fs::create_directories(temp);
  const fs::path opened = dir / "opened.wav";
  if (!benchwave::writeLongWave(opened.string(), minutes * 60, kRate)) {
    std::fprintf(stderr, "bench_editor_undo: cannot write %s\n", opened.c_str());
    return false;
  }
  fig.fileBytes = fs::file_size(opened);

  Clipboard clip(temp);
  TempFileList temps;
  components::WaveDescription state;
  state.fileName = opened.string();
  state.end = static_cast<int64_t>(minutes * 60 * kRate);
  state.volume = components::unityEnvelope(state.end);
  UndoList undo(temps, [&] { return fs::path(state.fileName); });
  StepIo io;
  std::vector<fs::path> peaksFiles;
  // The opened file is shown, and its display data kept, before any edit.
  if (!showAndSave(opened, temp, fig.buildMs, fig.saveMs)) return false;
  peaksFiles.push_back(peaksFileOf(temp, opened));

  fig.rssBefore = rssKb();
  double editMs = 0;
  double editStart = benchwave::nowMs();
  if (copyToClipboard(state, kRate * 10, kRate * 12, clip, io) != EditResult::Done) return false;
  for (int i = 0; i < kEdits; ++i) {
    auto target = createTempFile(temp);
    if (!target) return false;
    temps.add(*target);
    // Positions spread over the file; every fifth edit deletes a minute.
    const int64_t at = (state.end / (kEdits + 1)) * (i + 1);
    EditOutcome out;
    if (i % 5 == 4) {
      out = deleteSelection(state, at, std::min(state.end - 1, at + 60 * kRate), *target, io);
    } else if (i % 2 == 0) {
      out = pasteClipboard(state, at, clip, *target, io);
    } else {
      out = deleteSelection(state, at, at + kRate, *target, io);
    }
    if (out.result != EditResult::Done) {
      std::fprintf(stderr, "bench_editor_undo: edit %d failed: %s\n", i + 1, out.error.c_str());
      return false;
    }
    undo.push({UndoKind::Wave, state, true});
    state = out.wave;
    // Showing the new state is not part of the edit's figure.
    editMs += benchwave::nowMs() - editStart;
    if (!showAndSave(state.fileName, temp, fig.buildMs, fig.saveMs)) return false;
    peaksFiles.push_back(peaksFileOf(temp, state.fileName));
    editStart = benchwave::nowMs();
  }
  fig.editMs = editMs;
  fig.rssAfter = rssKb();
  fig.diskHeld = bytesOf(temps.files()) + bytesOf({clip.audioFile(), clip.regionFile()});
  fig.peaksHeld = bytesOf(peaksFiles);

  // Undo: the pane shows the snapshot's file with the display data saved
  // when that state was shown, then the state it leaves goes.
  const fs::path copyTarget = dir / "copy.wav";
  while (const UndoEntry *entry = undo.newest()) {
    const fs::path snapshot = entry->snapshot.fileName;
    const fs::path peaks = peaksFileOf(temp, snapshot);
    warm(snapshot);
    warm(peaks);
    const double t0 = benchwave::nowMs();
    {
      components::WaveObject wave;
      std::string error;
      if (wave.open(snapshot) != components::WaveOpen::Ok) {
        std::fprintf(stderr, "bench_editor_undo: cannot open %s\n", snapshot.c_str());
        return false;
      }
      if (!components::waveviews::PeakCache::load(peaks.string(), snapshot.string(), &error)) {
        std::fprintf(stderr, "bench_editor_undo: cannot load %s %s\n", peaks.c_str(), error.c_str());
        return false;
      }
    }
    const double undoMs = benchwave::nowMs() - t0;
    // The old re-fill: the display data built again from the audio.
    const double t1 = benchwave::nowMs();
    {
      components::WaveObject wave;
      components::waveviews::PeakCache cache;
      std::string error;
      if (wave.open(snapshot) != components::WaveOpen::Ok ||
          cache.build(snapshot.string(), {}, &error) != components::waveviews::PeakCache::Result::Done) {
        std::fprintf(stderr, "bench_editor_undo: cannot show %s %s\n", snapshot.c_str(), error.c_str());
        return false;
      }
    }
    const double rebuildMs = benchwave::nowMs() - t1;
    const double cpMs = benchwave::timedRun({"cp", snapshot.string(), copyTarget.string()});
    fs::remove(copyTarget);
    fig.undoMs.push_back(undoMs);
    fig.rebuildMs.push_back(rebuildMs);
    if (cpMs > 0) {
      fig.cpMs.push_back(cpMs);
      fig.ratios.push_back(undoMs / cpMs);
      fig.rebuildRatios.push_back(rebuildMs / cpMs);
    }
    const fs::path left = state.fileName;
    state = entry->snapshot;
    undo.popAfterUndo(left);
  }
  undo.clear();
  return true;
}

double maxOf(const std::vector<double> &v) {
  double m = -1;
  for (double x : v) m = std::max(m, x);
  return m;
}

}  // namespace

int main() {
  const fs::path root = benchwave::workFile("editor-undo");
  std::error_code ec;
  std::vector<RunFigures> runs;
  bool ok = true;
  for (double minutes : {30.0, 120.0}) {
    RunFigures fig;
    ok = run(minutes, root, fig);
    fs::remove_all(root, ec);
    if (!ok) break;
    runs.push_back(fig);
  }
  if (!ok) return 1;

  for (const RunFigures &f : runs) {
    std::printf("file: %.1f h of 8 kHz mono, %.1f MB\n", f.minutes / 60, f.fileBytes / 1e6);
    std::printf("  %d edits:            %.0f ms (%.1f ms per edit)\n", kEdits, f.editMs, f.editMs / kEdits);
    std::printf("  disk held by undo:   %.1f MB in temporary files (%.1f file lengths)\n", f.diskHeld / 1e6,
                static_cast<double>(f.diskHeld) / static_cast<double>(f.fileBytes));
    std::printf("  display data files:  %.2f MB for %zu states (%.1f%% of one file length)\n", f.peaksHeld / 1e6,
                f.buildMs.size(), 100.0 * static_cast<double>(f.peaksHeld) / static_cast<double>(f.buildMs.size()) /
                                      static_cast<double>(f.fileBytes));
    std::printf("  showing a state:     build %.1f ms median, then save %.1f ms median\n", benchwave::median(f.buildMs),
                benchwave::median(f.saveMs));
    std::printf("  memory (VmRSS):      %ld kB before, %ld kB after, growth %ld kB\n", f.rssBefore, f.rssAfter,
                f.rssAfter - f.rssBefore);
    std::printf("  undo (open + saved display data): %.1f ms median, %.1f ms max\n", benchwave::median(f.undoMs),
                maxOf(f.undoMs));
    std::printf("  before: open + rebuild:           %.1f ms median, %.1f ms max\n", benchwave::median(f.rebuildMs),
                maxOf(f.rebuildMs));
    if (f.ratios.empty()) {
      std::printf("  cp of the same file:              not available\n");
    } else {
      std::printf("  cp of the same file:              %.1f ms median, %.1f ms max\n", benchwave::median(f.cpMs),
                  maxOf(f.cpMs));
      std::printf("  ratio undo/cp per step:           %.3f median, %.3f max (goal: at most 1)\n",
                  benchwave::median(f.ratios), maxOf(f.ratios));
      std::printf("  before: ratio rebuild/cp:         %.3f median, %.3f max\n", benchwave::median(f.rebuildRatios),
                  maxOf(f.rebuildRatios));
    }
  }
  if (runs.size() == 2) {
    const long shortGrowth = runs[0].rssAfter - runs[0].rssBefore, longGrowth = runs[1].rssAfter - runs[1].rssBefore;
    std::printf("memory growth, 2 h against 30 min: %ld kB against %ld kB (file 4x as long)\n", longGrowth,
                shortGrowth);
  }
  return 0;
}
