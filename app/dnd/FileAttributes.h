// Windows file attribute bits for files of the PC list, as the Windows drag
// formats carry them, derived from what Linux knows of a file.
//
//   READONLY  the owner may not write (the owner's write bit; not an access
//             check, so root sees the same bits as everyone)
//   HIDDEN    the name begins with "."
//   DIRECTORY a folder
//   ARCHIVE   every regular file: Linux keeps no backup mark, so every
//             file counts as changed since the last backup, as Windows
//             marks a file it writes
//   NORMAL    alone, when none of the above applies (special files)
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace app::dnd {

inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

// The bits for a file named `name` (no folder) of the given type and
// permissions.
std::uint32_t windowsAttributes(std::string_view name, std::filesystem::file_type type, std::filesystem::perms perms);

// The bits of the file at `path` now, links followed. A file that cannot be
// examined (gone, a dangling link) gets NORMAL.
std::uint32_t windowsAttributesOf(const std::filesystem::path &path);

}  // namespace app::dnd
