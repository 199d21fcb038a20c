#include "voice/BatchConversion.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <system_error>

#include "components/wavefile/WaveFile.h"
#include "voice/FormatStep.h"
#include "voice/G729Conversion.h"

namespace voice {

namespace fs = std::filesystem;

namespace {

std::string upperExtension(const std::string &path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
  return ext;
}

bool sameFile(const std::string &a, const std::string &b) {
  std::error_code ec;
  bool same = fs::equivalent(a, b, ec);
  return !ec && same;
}

// Creates an empty file of a name nobody uses yet: "NAME.tmp" beside the
// source when free, else "NAME.XXXXXX.tmp" there, else the same in
// fallbackFolder. Empty when none can be made.
fs::path reserveTempWave(const fs::path &source, const std::string &fallbackFolder) {
  const std::string plain = source.string() + ".tmp";
  int fd = ::open(plain.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
    return plain;
  }
  std::vector<fs::path> folders{source.parent_path()};
  if (!fallbackFolder.empty()) folders.emplace_back(fallbackFolder);
  for (const fs::path &folder : folders) {
    std::string pattern = (folder / (source.filename().string() + ".XXXXXX.tmp")).string();
    fd = ::mkstemps(pattern.data(), 4);
    if (fd >= 0) {
      ::close(fd);
      return pattern;
    }
  }
  return {};
}

// Removes the temporary WAV on every way out.
struct TempWave {
  fs::path path;
  ~TempWave() {
    std::error_code ec;
    if (!path.empty()) fs::remove(path, ec);
  }
};

bool writableFolder(const std::string &folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool BatchResult::allConverted() const {
  return std::all_of(files.begin(), files.end(),
                     [](const BatchFile &f) { return f.outcome == BatchFile::Outcome::Converted; });
}

std::string MakeAutoFileName(std::string_view name) {
  const std::string n(name);
  const std::string ext = upperExtension(n);
  const char *replacement = ext == ".WAV" ? ".DVG" : ext == ".DVG" ? ".WAV" : nullptr;
  if (!replacement) return {};
  return n.substr(0, n.size() - ext.size()) + replacement;
}

uint64_t jobSizeOf(const std::string &path) {
  if (upperExtension(path) == ".WAV") {
    components::WaveFile wave;
    if (wave.open(path)) return wave.dataSize();
  }
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

BatchConversion::BatchConversion(components::JobUi &ui, CodecFactory makeCodec)
    : ui_(ui), makeCodec_(std::move(makeCodec)) {}

BatchResult BatchConversion::StartG729Conversion(const std::vector<std::string> &files, const BatchOptions &options) {
  BatchResult result;
  sources_ = files;
  std::vector<uint64_t> sizes;
  for (const std::string &file : files) {
    BatchFile entry;
    entry.source = file;
    result.files.push_back(entry);
    sizes.push_back(jobSizeOf(file));
    result.total += sizes.back();
  }

  title_ = ui_.text(keys::kConvertTitle);
  ui_.progressOpen(title_);
  ui_.progressCurrent(0, "");
  ui_.progressTotal(0, "", "");
  ui_.clearCancel();
  const auto showTotal = [&](int k) {
    ui_.progressTotal(components::percentOf(static_cast<double>(result.done), static_cast<double>(result.total)),
                      components::fileCountLabel(k, static_cast<int>(files.size())),
                      components::totalKbytesLabel(static_cast<double>(result.done), static_cast<double>(result.total)));
  };

  bool folderChecked = false;
  for (size_t i = 0; i < files.size(); ++i) {
    BatchFile &file = result.files[i];
    const int k = static_cast<int>(i) + 1;
    showTotal(k);
    const fs::path source(file.source);
    ui_.progressLines(source.parent_path().string(), source.filename().string());

    const std::string ext = upperExtension(file.source);
    bool cancelledInStep = false;
    if (ext != ".WAV" && ext != ".DVG") {
      error(keys::kNotConvertible);
      file.outcome = BatchFile::Outcome::Refused;
    } else if (!folderChecked && !writableFolder(options.outputFolder)) {
      // One message for the job, not one per file.
      named(keys::kKindProgram, "[" + options.outputFolder + "] ", keys::kCannotOpen, components::MsgKind::Error);
      for (size_t j = i; j < files.size(); ++j) {
        result.files[j].outcome = BatchFile::Outcome::Failed;
        result.files[j].reason = "the output folder " + options.outputFolder + " cannot be written";
      }
      break;
    } else {
      folderChecked = true;
      try {
        file.outcome = ext == ".WAV" ? waveToVoice(file, options, cancelledInStep) : voiceToWave(file, options);
      } catch (const std::exception &e) {
        // A read or write that failed inside a conversion: its output is gone.
        file.outcome = BatchFile::Outcome::Failed;
        file.reason = e.what();
        named(keys::kKindProgram, "[" + source.filename().string() + "] " + e.what() + "\n", keys::kCannotOpen,
              components::MsgKind::Error);
      }
    }
    if (cancelledInStep) {
      // Cancel during the format step gives up this file only: the next
      // file starts with the flag cleared.
      ui_.clearCancel();
      continue;
    }
    result.done += sizes[i];
    showTotal(k);
    if (ui_.cancelRequested()) {
      result.cancelled = true;
      break;
    }
    ui_.pump();
  }
  ui_.progressClose();
  sources_.clear();
  return result;
}

BatchFile::Outcome BatchConversion::waveToVoice(BatchFile &file, const BatchOptions &options,
                                                bool &cancelledInStep) {
  const fs::path source(file.source);
  components::WaveFile wave;
  std::string why;
  if (!wave.open(file.source, &why)) {
    error(keys::kWaveNotUsable);
    file.reason = why;
    return BatchFile::Outcome::Failed;
  }
  TempWave temp;
  if (!wave.format().isPcm(kBitsPerSample, kChannels, kSampleRate)) {
    wave.close();
    temp.path = reserveTempWave(source, options.tempFolder);
    if (temp.path.empty()) {
      error(keys::kWaveNotUsable);
      file.reason = "no temporary file can be created beside it or in " + options.tempFolder;
      return BatchFile::Outcome::Failed;
    }
    const ProgressShown restore{title_, source.parent_path().string(), source.filename().string()};
    if (!ConvertWaveToWave(ui_, file.source, temp.path.string(), PcmTarget{kChannels, kBitsPerSample, kSampleRate},
                           restore, &why)) {
      if (ui_.cancelRequested()) {
        cancelledInStep = true;
        return BatchFile::Outcome::Cancelled;
      }
      error(keys::kWaveNotUsable);
      file.reason = why;
      return BatchFile::Outcome::Failed;
    }
    if (!wave.open(temp.path.string(), &why)) {
      error(keys::kWaveNotUsable);
      file.reason = why;
      return BatchFile::Outcome::Failed;
    }
  }
  file.output = (fs::path(options.outputFolder) / MakeAutoFileName(source.filename().string())).string();
  if (!mayWrite(file.output, options, "]")) return BatchFile::Outcome::Exists;
  G729Conversion conversion(ui_, wave, makeCodec_);
  const bool done = conversion.EncodeWaveToG729(file.output, kBitsPerSample, kSampleRate, kChannels);
  wave.close();
  if (done) return BatchFile::Outcome::Converted;
  return ui_.cancelRequested() ? BatchFile::Outcome::Cancelled : BatchFile::Outcome::Failed;
}

BatchFile::Outcome BatchConversion::voiceToWave(BatchFile &file, const BatchOptions &options) {
  const fs::path source(file.source);
  file.output = (fs::path(options.outputFolder) / MakeAutoFileName(source.filename().string())).string();
  if (!mayWrite(file.output, options, "] ")) return BatchFile::Outcome::Exists;
  components::WaveFile wave;
  G729Conversion conversion(ui_, wave, makeCodec_);
  if (conversion.DecodeG729ToWave(file.source, file.output)) return BatchFile::Outcome::Converted;
  return ui_.cancelRequested() ? BatchFile::Outcome::Cancelled : BatchFile::Outcome::Failed;
}

bool BatchConversion::mayWrite(const std::string &output, const BatchOptions &options, const char *prefixEnd) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(output, ec))) return true;
  // Replacing a file that this job converts too would lose that source.
  const bool isSource = std::any_of(sources_.begin(), sources_.end(),
                                    [&](const std::string &s) { return s == output || sameFile(s, output); });
  if (options.overwrite && !isSource) return true;
  named(keys::kKindNotice, "[" + fs::path(output).filename().string() + prefixEnd, keys::kOutputExists,
        components::MsgKind::Warning);
  return false;
}

int BatchConversion::named(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                           components::MsgKind kind) {
  if (namedMessage) return namedMessage(captionKey, prefix, textKey, kind, components::kButtonsOk);
  return ui_.messageBox(captionKey, textKey, kind, components::kButtonsOk);
}

void BatchConversion::error(const char *textKey) {
  ui_.messageBox(keys::kKindProgram, textKey, components::MsgKind::Error, components::kButtonsOk);
}

}  // namespace voice
