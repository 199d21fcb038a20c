#include "components/waveedit/WaveWriter.h"

#include <system_error>

#include "components/base/PendingFile.h"
#include "components/wavefile/WaveFile.h"

namespace components {

std::optional<uint64_t> freeSpaceOf(const std::filesystem::path &folder) {
  std::error_code ec;
  auto info = std::filesystem::space(folder.empty() ? std::filesystem::path(".") : folder, ec);
  if (ec) return std::nullopt;
  return info.available;
}

WaveWriter::WaveWriter() : probe_(freeSpaceOf) {}

WaveWriter::~WaveWriter() { discard(); }

bool WaveWriter::fail(const std::string &why, std::string *error) {
  discard();
  if (error) *error = why;
  return false;
}

bool WaveWriter::create(const std::filesystem::path &target, const WaveFormat &format, std::string *error) {
  discard();
  target_ = target;
  pending_ = std::make_unique<PendingFile>(target);
  if (!pending_->created())
    return fail("cannot create a file in " + target.parent_path().string(), error);
  file_ = std::make_unique<WaveFile>();
  std::string why;
  if (!file_->create(pending_->path().string(), format, &why)) return fail(why, error);
  return true;
}

bool WaveWriter::append(const void *data, size_t bytes, std::string *error) {
  if (!file_ || !file_->writing()) return fail("no WAV file is being written", error);
  if (bytes == 0) return true;
  std::optional<uint64_t> free = probe_ ? probe_(pending_->path().parent_path()) : std::nullopt;
  if (free && *free < bytes + kSpareBytes) return fail("there is not enough free disk space", error);
  try {
    file_->append(data, bytes);
  } catch (const std::exception &e) {
    return fail(e.what(), error);
  }
  return true;
}

bool WaveWriter::appendSamples(const int16_t *samples, size_t count, std::string *error) {
  scratch_.resize(count * 2);
  for (size_t i = 0; i < count; ++i) {
    auto v = static_cast<uint16_t>(samples[i]);
    scratch_[2 * i] = static_cast<char>(v & 0xFF);
    scratch_[2 * i + 1] = static_cast<char>(v >> 8);
  }
  return append(scratch_.data(), scratch_.size(), error);
}

bool WaveWriter::commit(std::string *error) {
  if (!file_ || !file_->writing()) return fail("no WAV file is being written", error);
  try {
    file_->close();
  } catch (const std::exception &e) {
    return fail(e.what(), error);
  }
  if (!pending_->commit()) return fail("cannot give the file its name " + target_.string(), error);
  file_.reset();
  pending_.reset();
  return true;
}

void WaveWriter::discard() {
  if (file_) {
    try {
      file_->close();
    } catch (const std::exception &) {
      // The file is removed next; what it holds no longer matters.
    }
    file_.reset();
  }
  pending_.reset();  // removes the temporary file
}

bool WaveWriter::isOpen() const { return file_ && file_->writing(); }

uint64_t WaveWriter::bytesWritten() const { return file_ ? file_->dataWritten() : 0; }

std::filesystem::path WaveWriter::temporaryPath() const { return pending_ ? pending_->path() : std::filesystem::path(); }

}  // namespace components
