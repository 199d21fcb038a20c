// The three Windows shell formats of a drag from the PC file list, built
// byte for byte for files of one folder. Numbers are 32-bit little-endian.
// Names are the platform's narrow bytes: UTF-8 on Linux.
//
// FileGroupDescriptor: item count, then one 332-byte descriptor per file,
//   zero except flags (offset 0) = 4 (attributes valid), attributes
//   (offset 36) and the full path (offset 72, a 260-byte field that always
//   keeps a zero terminator; of a longer path it keeps the whole UTF-8
//   characters that fit).
// File drop list (CF_HDROP, 15): a 20-byte header (list offset 20, drop point
//   0, 0, non-client flag 0, wide flag 0), each full path followed by a zero
//   byte, then one more zero byte.
// Shell IDList Array: item count N, N + 1 offsets, the folder's absolute
//   item-identifier list at offset 4N + 8, each file's list relative to the
//   folder, a final zero byte. Empty when no shell namespace parses the
//   folder, which is always so on Linux.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/dnd/FileAttributes.h"

namespace app::dnd {

// One selected file: its name in the folder and its Windows attributes.
struct DragFile {
  std::string name;
  std::uint32_t attributes = kFileAttributeNormal;
};

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Layout of one descriptor of the FileGroupDescriptor.
inline constexpr std::size_t kDescriptorSize = 332;
inline constexpr std::size_t kDescriptorFlagsOffset = 0;
inline constexpr std::size_t kDescriptorAttributesOffset = 36;
inline constexpr std::size_t kDescriptorNameOffset = 72;
inline constexpr std::size_t kDescriptorNameSize = 260;
inline constexpr std::uint32_t kDescriptorAttributesValid = 4;
// Size of the file drop list's header.
inline constexpr std::size_t kDropListHeaderSize = 20;

// The full path of `name` in `dir`: a separator between them unless `dir`
// ends in one (or is empty).
std::string joinDragPath(std::string_view dir, std::string_view name);

// The longest start of `path` that fits the descriptor's name field with its
// zero terminator and does not end inside a UTF-8 character.
std::string_view fitDescriptorName(std::string_view path);

QByteArray FileGroupDescriptorFromSelectedFiles(std::string_view dir, const std::vector<DragFile> &files);
QByteArray HDROPFromSelectedFiles(std::string_view dir, const std::vector<DragFile> &files);
QByteArray ShellIDListFromSelectedFiles(std::string_view dir, const std::vector<DragFile> &files);

// Packs item-identifier lists as a Shell IDList Array: the folder's absolute
// list, then the files' lists relative to it. Each list is given whole, with
// its 2-byte zero terminator; empty when one is not.
QByteArray ShellIDListArray(const QByteArray &folderIdList, const std::vector<QByteArray> &itemIdLists);

// The files named, in the given order, with their attributes read from disk
// now.
std::vector<DragFile> dragFilesIn(std::string_view dir, const std::vector<std::string> &names);

}  // namespace app::dnd
