// The editor's files in the temporary folder: the clipboard's audio under
// one fixed name, everything else under unique names ("w" and six
// characters, ".TMP") created atomically.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace editor {

inline constexpr char kClipFileName[] = "clip.tmp";
inline constexpr char kClipRegionFileName[] = "clipcut.tmp";

// Creates an empty file with a unique name in folder and keeps it; nothing
// when that fails.
std::optional<std::filesystem::path> createTempFile(const std::filesystem::path &folder);

// Copies source into a new unique file in folder; nothing when that fails
// (a partial copy is removed).
std::optional<std::filesystem::path> copyToTempFile(const std::filesystem::path &source,
                                                    const std::filesystem::path &folder);

}  // namespace editor
