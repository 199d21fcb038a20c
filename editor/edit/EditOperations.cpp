#include "editor/edit/EditOperations.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "components/waveedit/ListEdits.h"
#include "editor/TempFiles.h"
#include "voice/FormatStep.h"

namespace fs = std::filesystem;
using components::RenderResult;
using components::WaveDescription;
using components::WaveObject;
using components::WaveOpen;

namespace editor {

namespace {

constexpr size_t kBytesPerSample = 2;
constexpr size_t kBlockSamples = WaveObject::kIoBufferBytes / kBytesPerSample;

void removeQuietly(const fs::path &file) {
  std::error_code ec;
  fs::remove(file, ec);
}

bool openWave(const std::string &file, WaveObject &wave, components::FormatRule rule, std::string &error) {
  std::string why;
  if (wave.open(file, rule, &why) == WaveOpen::Ok) return true;
  error = "cannot read " + file + ": " + why;
  return false;
}

// A selection [s, e) of a file of `samples`: e is held within the file; a
// start that is not before the end is no selection.
bool selectionIn(int64_t s, int64_t &e, int64_t samples, std::string &error) {
  e = std::min(e, samples);
  if (s < 0 || s >= e) {
    error = "there is no selection";
    return false;
  }
  return true;
}

components::RenderOptions renderOptions(const StepIo &io, bool skipCuts, bool applyEnvelope) {
  components::RenderOptions options;
  options.skipCuts = skipCuts;
  options.applyEnvelope = applyEnvelope;
  options.progress = io.progress;
  options.freeSpace = io.freeSpace;
  return options;
}

EditResult resultOf(RenderResult r) {
  switch (r) {
    case RenderResult::Ok:
      return EditResult::Done;
    case RenderResult::Cancelled:
      return EditResult::Cancelled;
    default:
      return EditResult::Failed;
  }
}

EditOutcome failedOutcome(EditResult result, std::string why) {
  EditOutcome out;
  out.result = result;
  out.error = std::move(why);
  return out;
}

void setError(std::string *error, const std::string &why) {
  if (error) *error = why;
}

// A sample of the clipboard at `from` Hz lands on this sample at `to` Hz:
// the first converted frame that comes from it or from a later one (the
// rate step takes source frame floor(k x from / to) for target frame k).
int64_t scaledPosition(int64_t position, uint32_t from, uint32_t to, int64_t length) {
  if (from == to) return std::clamp<int64_t>(position, 0, length);
  if (position <= 0) return 0;
  int64_t scaled = (position * static_cast<int64_t>(to) + from - 1) / from;
  return std::min(scaled, length);
}

// Copies every sample of wave's range to writer, reporting progress after
// each block; `convert` turns a block into the bytes to write.
template <typename Convert>
EditResult copyBlocks(WaveObject &wave, components::WaveWriter &writer, uint64_t &done, uint64_t total,
                      const StepIo &io, Convert convert, std::string &error) {
  std::vector<int16_t> samples(kBlockSamples);
  std::vector<uint8_t> bytes;
  wave.setPosition(0);
  while (true) {
    size_t n = wave.read(samples.data(), samples.size());
    if (wave.failed()) {
      error = wave.error();
      return EditResult::Failed;
    }
    if (n == 0) return EditResult::Done;
    bytes.clear();
    convert(samples.data(), n, bytes);
    if (!writer.append(bytes.data(), bytes.size(), &error)) return EditResult::Failed;
    done += bytes.size();
    if (io.progress && !io.progress(done, total)) {
      error = "cancelled";
      return EditResult::Cancelled;
    }
  }
}

void plainBytes(const int16_t *samples, size_t n, std::vector<uint8_t> &out) {
  out.resize(n * kBytesPerSample);
  for (size_t i = 0; i < n; ++i) {
    auto v = static_cast<uint16_t>(samples[i]);
    out[2 * i] = static_cast<uint8_t>(v & 0xFF);
    out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
}

}  // namespace

EditResult copyToClipboard(const WaveDescription &source, int64_t s, int64_t e, Clipboard &clip, const StepIo &io,
                           std::string *error) {
  std::string why;
  WaveObject wave;
  if (!openWave(source.fileName, wave, components::FormatRule::Editor, why) ||
      !selectionIn(s, e, wave.dataSamples(), why)) {
    setError(error, why);
    return EditResult::Failed;
  }
  wave.setRange(s, e);

  auto temp = createTempFile(clip.audioFile().parent_path());
  if (!temp) {
    setError(error, "cannot create a temporary file in " + clip.audioFile().parent_path().string());
    return EditResult::Failed;
  }
  EditResult result = resultOf(wave.render(*temp, renderOptions(io, false, false), &why));
  if (result != EditResult::Done) {
    removeQuietly(*temp);
    setError(error, why);
    return result;
  }

  WaveDescription lists;
  lists.markers = components::extractRange(source.markers, s, e);
  lists.volume = components::extractRange(source.volume, s, e);
  if (!clip.take(*temp, lists, true, &why)) {
    setError(error, why);
    return EditResult::Failed;
  }
  return EditResult::Done;
}

EditOutcome deleteSelection(const WaveDescription &source, int64_t s, int64_t e, const fs::path &target,
                            const StepIo &io) {
  std::string why;
  WaveObject wave;
  if (!openWave(source.fileName, wave, components::FormatRule::Editor, why) ||
      !selectionIn(s, e, wave.dataSamples(), why))
    return failedOutcome(EditResult::Failed, why);
  const int64_t length = wave.dataSamples() - (e - s);
  if (length <= 0) return failedOutcome(EditResult::Failed, "nothing would remain of the file");

  const components::CutList region{{s, e - s, 0}};
  wave.attachCuts(&region);
  EditResult result = resultOf(wave.render(target, renderOptions(io, true, false), &why));
  if (result != EditResult::Done) return failedOutcome(result, why);

  EditOutcome out;
  out.result = EditResult::Done;
  out.length = length;
  out.wave = source;
  out.wave.fileName = target.string();
  out.wave.start = 0;
  out.wave.end = length;
  out.wave.position = s;
  components::deleteRange(out.wave.markers, s, e);
  components::deleteRange(out.wave.volume, s, e);
  components::deleteRange(out.wave.cuts, s, e);
  return out;
}

EditOutcome trimSelection(const WaveDescription &source, int64_t s, int64_t e, const fs::path &target,
                          const StepIo &io) {
  std::string why;
  WaveObject wave;
  if (!openWave(source.fileName, wave, components::FormatRule::Editor, why) ||
      !selectionIn(s, e, wave.dataSamples(), why))
    return failedOutcome(EditResult::Failed, why);
  wave.setRange(s, e);
  EditResult result = resultOf(wave.render(target, renderOptions(io, false, false), &why));
  if (result != EditResult::Done) return failedOutcome(result, why);

  EditOutcome out;
  out.result = EditResult::Done;
  out.length = e - s;
  out.wave.fileName = target.string();
  out.wave.start = 0;
  out.wave.end = out.length;
  out.wave.position = 0;
  out.wave.markers = components::extractRange(source.markers, s, e);
  out.wave.volume = components::extractRange(source.volume, s, e);
  return out;
}

EditOutcome pasteClipboard(const WaveDescription &source, int64_t position, const Clipboard &clip,
                           const fs::path &target, const StepIo &io) {
  std::string why;
  if (!clip.valid()) return failedOutcome(EditResult::Failed, "the clipboard is empty");
  WaveObject edit, clipWave;
  if (!openWave(source.fileName, edit, components::FormatRule::Editor, why) ||
      !openWave(clip.wave().fileName, clipWave, components::FormatRule::AnyRate, why))
    return failedOutcome(EditResult::Failed, why);
  const int64_t editSamples = edit.dataSamples();
  if (position < 0 || position > editSamples)
    return failedOutcome(EditResult::Failed, "the paste position lies outside the file");
  clipWave.setRange(clip.wave().start, clip.wave().end);

  const uint32_t rate = edit.format().sampleRate, clipRate = clipWave.format().sampleRate;
  const auto clipSamples = static_cast<uint64_t>(clipWave.end() - clipWave.start());
  const uint64_t expected = rate == clipRate ? clipSamples : voice::FrameConverter::targetFrames(clipSamples, clipRate, rate);
  const uint64_t total = (static_cast<uint64_t>(editSamples) + expected) * kBytesPerSample;

  components::WaveWriter writer;
  if (io.freeSpace) writer.setFreeSpaceProbe(io.freeSpace);
  if (!writer.create(target, components::WaveFormat::pcm(1, rate, 16), &why))
    return failedOutcome(EditResult::Failed, why);
  if (io.progress && !io.progress(0, total)) return failedOutcome(EditResult::Cancelled, "cancelled");

  uint64_t done = 0;
  edit.setRange(0, position);
  EditResult result = copyBlocks(edit, writer, done, total, io, plainBytes, why);
  const uint64_t clipStart = done;
  if (result == EditResult::Done) {
    if (rate == clipRate) {
      result = copyBlocks(clipWave, writer, done, total, io, plainBytes, why);
    } else {
      voice::FrameConverter converter(1, clipRate, voice::PcmTarget{1, 16, rate});
      result = copyBlocks(
          clipWave, writer, done, total, io,
          [&](const int16_t *samples, size_t n, std::vector<uint8_t> &out) { converter.convert(samples, n, out); },
          why);
    }
  }
  const auto pasted = static_cast<int64_t>((done - clipStart) / kBytesPerSample);
  if (result == EditResult::Done) {
    edit.setRange(position, editSamples);
    result = copyBlocks(edit, writer, done, total, io, plainBytes, why);
  }
  if (result == EditResult::Done && pasted <= 0) {
    why = "the clipboard gave no samples";
    result = EditResult::Failed;
  }
  if (result == EditResult::Done && !writer.commit(&why)) result = EditResult::Failed;
  if (result != EditResult::Done) {
    writer.discard();
    return failedOutcome(result, why);
  }

  // The clipboard's lists at the edit file's rate, on the samples written.
  components::MarkerList clipMarkers = clip.wave().markers;
  components::VolumeEnvelope clipVolume = clip.wave().volume;
  for (auto &m : clipMarkers) m.offset = scaledPosition(m.offset, clipRate, rate, pasted);
  for (auto &p : clipVolume) p.position = scaledPosition(p.position, clipRate, rate, pasted);
  components::normalizeEnvelope(clipVolume, pasted);

  EditOutcome out;
  out.result = EditResult::Done;
  out.pasted = pasted;
  out.length = editSamples + pasted;
  out.wave.fileName = target.string();
  out.wave.start = 0;
  out.wave.end = out.length;
  out.wave.position = position;
  out.wave.markers = source.markers;
  components::pasteRange(out.wave.markers, position, clipMarkers, pasted);
  out.wave.volume = source.volume;
  components::pasteRange(out.wave.volume, position, clipVolume, pasted);
  out.wave.cuts = source.cuts;
  components::insertLength(out.wave.cuts, position, pasted);
  return out;
}

EditResult makeBlankClipboard(uint32_t sampleRate, Clipboard &clip, const StepIo &io, std::string *error) {
  if (sampleRate == 0) {
    setError(error, "no sample rate");
    return EditResult::Failed;
  }
  const fs::path folder = clip.audioFile().parent_path();
  auto temp = createTempFile(folder);
  if (!temp) {
    setError(error, "cannot create a temporary file in " + folder.string());
    return EditResult::Failed;
  }
  std::string why;
  EditResult result = EditResult::Done;
  {
    components::WaveWriter writer;
    if (io.freeSpace) writer.setFreeSpaceProbe(io.freeSpace);
    const uint64_t total = uint64_t{sampleRate} * kBytesPerSample;
    const std::vector<uint8_t> zeros(std::min<uint64_t>(total, WaveObject::kIoBufferBytes), 0);
    uint64_t done = 0;
    if (!writer.create(*temp, components::WaveFormat::pcm(1, sampleRate, 16), &why)) result = EditResult::Failed;
    while (result == EditResult::Done && done < total) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(zeros.size(), total - done));
      if (!writer.append(zeros.data(), n, &why)) {
        result = EditResult::Failed;
      } else {
        done += n;
        if (io.progress && !io.progress(done, total)) {
          why = "cancelled";
          result = EditResult::Cancelled;
        }
      }
    }
    if (result == EditResult::Done && !writer.commit(&why)) result = EditResult::Failed;
  }
  if (result != EditResult::Done) {
    removeQuietly(*temp);
    setError(error, why);
    return result;
  }

  WaveDescription lists;
  lists.volume = components::unityEnvelope(sampleRate);
  if (!clip.take(*temp, lists, true, &why)) {
    setError(error, why);
    return EditResult::Failed;
  }
  clip.setFromReference(true);
  return EditResult::Done;
}

EditResult saveBlock(const WaveDescription &source, int64_t s, int64_t e, const fs::path &target, const StepIo &io,
                     std::string *error) {
  std::string why;
  WaveObject wave;
  if (!openWave(source.fileName, wave, components::FormatRule::Editor, why) ||
      !selectionIn(s, e, wave.dataSamples(), why)) {
    setError(error, why);
    return EditResult::Failed;
  }
  wave.setRange(s, e);
  wave.attachEnvelope(&source.volume);
  EditResult result = resultOf(wave.render(target, renderOptions(io, false, true), &why));
  if (result != EditResult::Done) setError(error, why);
  return result;
}

}  // namespace editor
