// Whether two names reach the same file: through symlinks, "..", or another
// spelling of the same path.
#pragma once

#include <filesystem>
#include <string>

namespace editor {

// True when both name the same file. Files that exist are compared by
// identity (device and inode); names of files that don't exist yet by their
// canonical spelling. Empty names never match.
bool sameFile(const std::string &a, const std::string &b);

// True when path lies inside folder (after resolving both).
bool isInsideFolder(const std::string &path, const std::filesystem::path &folder);

// The name with its extension replaced by ".WAV" as the recorder writes it
// ("talk.DVG" -> "talk.WAV", "talk.dvg" -> "talk.wav").
std::string wavNameFor(const std::string &voicePath);

// The extension upper-cased, with its dot (".WAV"), or empty.
std::string upperExtension(const std::string &path);

}  // namespace editor
