// A new PCM WAV file written block by block. It is written under a temporary
// name beside the target and gets the target's name only by commit(); until
// then an existing target stays untouched, and a writer that is destroyed or
// discarded uncommitted leaves nothing behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "components/wavefile/WaveFormat.h"

namespace components {

class PendingFile;
class WaveFile;

// Bytes free on the file system of a folder; nothing when unknown.
using FreeSpaceProbe = std::function<std::optional<uint64_t>(const std::filesystem::path &folder)>;
std::optional<uint64_t> freeSpaceOf(const std::filesystem::path &folder);

class WaveWriter {
 public:
  // Every block needs this much free space beyond its own size.
  static constexpr uint64_t kSpareBytes = 100000;

  WaveWriter();
  ~WaveWriter();
  WaveWriter(const WaveWriter &) = delete;
  WaveWriter &operator=(const WaveWriter &) = delete;

  // Starts a PCM file of format (8, 16, 24 or 32 bits) for target. False,
  // with the reason in error, when the format is not PCM or no file can be
  // made in the target's folder.
  bool create(const std::filesystem::path &target, const WaveFormat &format, std::string *error = nullptr);

  // Appends sample bytes, after checking that the folder keeps the block's
  // size plus kSpareBytes free. False, with the reason, when that check or
  // the write fails; the file is then discarded.
  bool append(const void *data, size_t bytes, std::string *error = nullptr);
  // Appends 16-bit samples, stored little-endian.
  bool appendSamples(const int16_t *samples, size_t count, std::string *error = nullptr);

  // Completes the file and renames it over the target. False, with the
  // reason, when either fails; nothing is left behind then.
  bool commit(std::string *error = nullptr);
  void discard();

  bool isOpen() const;
  uint64_t bytesWritten() const;
  const std::filesystem::path &target() const { return target_; }
  // The temporary file while it is being written.
  std::filesystem::path temporaryPath() const;

  // Replaces the free-space query (tests).
  void setFreeSpaceProbe(FreeSpaceProbe probe) { probe_ = std::move(probe); }

 private:
  bool fail(const std::string &why, std::string *error);

  std::filesystem::path target_;
  std::unique_ptr<PendingFile> pending_;
  std::unique_ptr<WaveFile> file_;
  FreeSpaceProbe probe_;
  std::string scratch_;
};

}  // namespace components
