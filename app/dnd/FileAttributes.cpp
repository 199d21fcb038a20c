#include "app/dnd/FileAttributes.h"

#include <system_error>

namespace app::dnd {

namespace fs = std::filesystem;

std::uint32_t windowsAttributes(std::string_view name, fs::file_type type, fs::perms perms) {
  std::uint32_t bits = 0;
  if ((perms & fs::perms::owner_write) == fs::perms::none) bits |= kFileAttributeReadOnly;
  if (!name.empty() && name.front() == '.') bits |= kFileAttributeHidden;
  if (type == fs::file_type::directory) bits |= kFileAttributeDirectory;
  if (type == fs::file_type::regular) bits |= kFileAttributeArchive;
  return bits == 0 ? kFileAttributeNormal : bits;
}

std::uint32_t windowsAttributesOf(const fs::path &path) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return kFileAttributeNormal;
  return windowsAttributes(path.filename().native(), status.type(), status.permissions());
}

}  // namespace app::dnd
