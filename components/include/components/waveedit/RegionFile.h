// The clipboard's region file ("clipcut.tmp"): an INI file that names the
// clipboard's audio file and holds its range, volume points, cut regions and
// markers.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "components/waveedit/WaveDescription.h"

namespace components {

class RegionFile {
 public:
  static constexpr const char *kValidate = "Tonebank Region-File";
  static constexpr const char *kVersion = "1.00";
  // Limits on what a read takes from a file, which is untrusted input.
  static constexpr size_t kMaxCount = size_t{1} << 20;  // volume points, cut regions, markers each
  static constexpr uintmax_t kMaxFileBytes = uintmax_t{64} << 20;

  // Writes wave to file under a temporary name, then renames it over file.
  static bool write(const std::filesystem::path &file, const WaveDescription &wave, std::string *error = nullptr);

  // Reads file into wave. It belongs to expectedAudio (the clipboard's own
  // audio file): a region file that names any other file is refused, so that
  // it never leads the editor to a foreign file. Positions are held within
  // that file's length, volume points sorted with a first at 0 and a last at
  // the length, cut regions sorted and apart, markers within the length with
  // their partners mutual, names and comments cut to their lengths. False,
  // and wave empty, when the file is missing, invalid, of another version,
  // names another file or its audio file cannot be read.
  static bool read(const std::filesystem::path &file, const std::filesystem::path &expectedAudio, WaveDescription &wave,
                   std::string *error = nullptr);
};

}  // namespace components
