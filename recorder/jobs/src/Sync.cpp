#include "recorder/jobs/Sync.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "components/JobUi.h"
#include "recorder/Layout.h"
#include "recorder/jobs/Messages.h"
#include "recorder/jobs/RecordingTime.h"
#include "recorder/jobs/Upload.h"
#include "src/Common.h"

namespace recorder::jobs {

namespace fs = std::filesystem;

namespace {

// Gives up looking for a free numbered name after this many; a folder with
// that many versions of one recording is not a backup any more.
constexpr int kMaxNumber = 9999;

enum class Match { Same, Other, Free };

Match compare(const fs::path &file, int64_t size, const std::optional<std::time_t> &made) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0) return errno == ENOENT ? Match::Free : Match::Other;
  if (!S_ISREG(st.st_mode) || st.st_size != size) return Match::Other;
  if (made && st.st_mtime != *made) return Match::Other;
  return Match::Same;
}

}  // namespace

fs::path numberedName(const fs::path &name, int n) {
  if (n <= 1) return name;
  const std::string stem = name.stem().string(), ext = name.extension().string();
  return stem + " (" + std::to_string(n) + ")" + ext;
}

int64_t Sync::pcSize(int folder, uint32_t number) {
  const tFLASHFILEINFO &r = v_.directory.records(folder)[number - 1];
  RecordingReader reader(v_, r.firstBlock, r.pages);
  if (!reader.valid() || reader.blockCount() == 0) return -1;
  RecordingReader::Bytes bytes;
  if (!reader.read(0, bytes)) return -1;
  int64_t size = static_cast<int64_t>(bytes.size());
  const size_t last = reader.blockCount() - 1;
  if (last == 0) return size;
  if (!reader.read(last, bytes)) return -1;
  return size + static_cast<int64_t>(last - 1) * kBlockDataSize + static_cast<int64_t>(bytes.size());
}

void Sync::tell(Item::Action action, int folder, uint32_t number, const fs::path &target) {
  switch (action) {
    case Item::Action::Copied: ++copied_; break;
    case Item::Action::Skipped: ++skipped_; break;
    case Item::Action::Failed: ++failed_; break;
  }
  if (report) report({action, folder, number, target});
}

Outcome Sync::run(const fs::path &dir, std::vector<int> folders) {
  copied_ = skipped_ = failed_ = 0;
  if (folders.empty())
    for (int f = 1; f <= sysblock::kFolders; ++f) folders.push_back(f);
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (int f : folders)
    if (!validFolder(f)) return Outcome::refused("there is no recorder folder " + std::to_string(f));
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) return Outcome::failed("cannot make the folder " + dir.string());

  components::JobUi &ui = v_.ui;
  uint64_t total = 0, done = 0;
  int count = 0;
  for (int f : folders)
    for (const tFLASHFILEINFO &r : v_.directory.records(f)) {
      total += static_cast<uint64_t>(r.pages) * kPageSize;
      ++count;
    }
  if (count == 0) return Outcome::done();

  ui.progressOpen(ui.text(keys::kTitleUpload));
  ui.clearCancel();
  Upload upload(v_);
  Outcome result = Outcome::done();
  int n = 0;
  for (int f : folders) {
    const fs::path folderDir = dir / folderName(f);
    const uint32_t files = v_.directory.fileCount(f);
    for (uint32_t number = 1; number <= files; ++number) {
      const tFLASHFILEINFO record = v_.directory.records(f)[number - 1];
      const uint64_t bytes = static_cast<uint64_t>(record.pages) * kPageSize;
      const std::string counter = components::fileCountLabel(++n, count);
      ui.progressTotal(components::percentOf(static_cast<double>(done), static_cast<double>(total)), counter,
                       components::totalKbytesLabel(static_cast<double>(done), static_cast<double>(total)));
      if (ui.cancelRequested()) {
        ui.progressClose();
        return Outcome::cancelled();
      }
      if (!v_.link.connected || !v_.link.deviceOpen) {
        ui.progressClose();
        return Outcome::failed("the connection to the recorder was lost");
      }
      const fs::path name = pcFileName(record);
      const int64_t size = pcSize(f, number);
      if (size < 0) {
        tell(Item::Action::Failed, f, number, folderDir / name);
        done += bytes;
        continue;
      }
      const std::optional<std::time_t> made = recordingTime(record);
      fs::path target;
      bool same = false;
      for (int k = 1; k <= kMaxNumber && target.empty() && !same; ++k) {
        const fs::path candidate = folderDir / numberedName(name, k);
        switch (compare(candidate, size, made)) {
          case Match::Same: same = true; target = candidate; break;
          case Match::Free: target = candidate; break;
          case Match::Other: break;
        }
      }
      if (same) {
        tell(Item::Action::Skipped, f, number, target);
        done += bytes;
        continue;
      }
      fs::create_directories(folderDir, ec);
      if (target.empty() || !fs::is_directory(folderDir, ec)) {
        tell(Item::Action::Failed, f, number, folderDir / name);
        done += bytes;
        continue;
      }
      if (upload.CopyFlashFile(f, number, target, done, total)) {
        tell(Item::Action::Copied, f, number, target);
      } else {
        if (upload.cancelled()) return Outcome::cancelled();
        if (!v_.link.connected || !v_.link.deviceOpen) return Outcome::failed("the connection to the recorder was lost");
        tell(Item::Action::Failed, f, number, target);
        // The failed copy closed the progress window; the next one reopens it.
        ui.progressOpen(ui.text(keys::kTitleUpload));
      }
      done += bytes;
    }
  }
  ui.progressClose();
  if (failed_ > 0) result = Outcome::failed(std::to_string(failed_) + " recording(s) could not be copied");
  return result;
}

}  // namespace recorder::jobs
