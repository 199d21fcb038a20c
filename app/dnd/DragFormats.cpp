#include "app/dnd/DragFormats.h"

#include <cstring>
#include <filesystem>

namespace app::dnd {

namespace {

void putU32(QByteArray &out, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[static_cast<qsizetype>(offset) + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void appendU32(QByteArray &out, std::uint32_t value) {
  qsizetype at = out.size();
  out.resize(at + 4);
  putU32(out, static_cast<std::size_t>(at), value);
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool endsWithIdListTerminator(const QByteArray &list) {
  return list.size() >= 2 && list[list.size() - 1] == '\0' && list[list.size() - 2] == '\0';
}

}  // namespace

std::string joinDragPath(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!path.empty() && path.back() != kPathSeparator) path += kPathSeparator;
  path += name;
  return path;
}

std::string_view fitDescriptorName(std::string_view path) {
  constexpr std::size_t room = kDescriptorNameSize - 1;
  if (path.size() <= room) return path;
  std::size_t cut = room;
  // Step back over at most the three continuation bytes a character has;
  // bytes that are not UTF-8 are cut where they stand.
  for (int back = 0; back < 3 && cut > 0 && isUtf8Continuation(path[cut]); ++back) --cut;
  if (isUtf8Continuation(path[cut])) cut = room;
  return path.substr(0, cut);
}

QByteArray FileGroupDescriptorFromSelectedFiles(std::string_view dir, const std::vector<DragFile> &files) {
  QByteArray out(static_cast<qsizetype>(4 + files.size() * kDescriptorSize), '\0');
  putU32(out, 0, static_cast<std::uint32_t>(files.size()));
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::size_t base = 4 + i * kDescriptorSize;
    putU32(out, base + kDescriptorFlagsOffset, kDescriptorAttributesValid);
    putU32(out, base + kDescriptorAttributesOffset, files[i].attributes);
    std::string path = joinDragPath(dir, files[i].name);
    std::string_view name = fitDescriptorName(path);
    std::memcpy(out.data() + base + kDescriptorNameOffset, name.data(), name.size());
  }
  return out;
}

QByteArray HDROPFromSelectedFiles(std::string_view dir, const std::vector<DragFile> &files) {
  QByteArray out(static_cast<qsizetype>(kDropListHeaderSize), '\0');
  putU32(out, 0, static_cast<std::uint32_t>(kDropListHeaderSize));
  for (const DragFile &file : files) {
    std::string path = joinDragPath(dir, file.name);
    out.append(path.data(), static_cast<qsizetype>(path.size()));
    out.append('\0');
  }
  out.append('\0');
  return out;
}

QByteArray ShellIDListFromSelectedFiles(std::string_view dir, const std::vector<DragFile> &files) {
  // Item-identifier lists come from the shell's namespace (the desktop folder
  // parses the folder, the folder parses each name); Linux has none, so the
  // format stays empty. A Windows build parses them here and packs them with
  // ShellIDListArray.
  (void)dir;
  (void)files;
  return {};
}

QByteArray ShellIDListArray(const QByteArray &folderIdList, const std::vector<QByteArray> &itemIdLists) {
  if (!endsWithIdListTerminator(folderIdList)) return {};
  for (const QByteArray &list : itemIdLists)
    if (!endsWithIdListTerminator(list)) return {};
  const std::size_t n = itemIdLists.size();
  QByteArray out;
  appendU32(out, static_cast<std::uint32_t>(n));
  std::uint32_t offset = static_cast<std::uint32_t>(4 * n + 8);
  appendU32(out, offset);
  offset += static_cast<std::uint32_t>(folderIdList.size());
  for (const QByteArray &list : itemIdLists) {
    appendU32(out, offset);
    offset += static_cast<std::uint32_t>(list.size());
  }
  out += folderIdList;
  for (const QByteArray &list : itemIdLists) out += list;
  out.append('\0');
  return out;
}

std::vector<DragFile> dragFilesIn(std::string_view dir, const std::vector<std::string> &names) {
  std::vector<DragFile> files;
  files.reserve(names.size());
  for (const std::string &name : names)
    files.push_back({name, windowsAttributesOf(std::filesystem::path(joinDragPath(dir, name)))});
  return files;
}

}  // namespace app::dnd
