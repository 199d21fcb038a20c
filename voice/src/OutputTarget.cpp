#include "OutputTarget.h"

#include <unistd.h>

#include <system_error>

namespace voice::detail {

namespace fs = std::filesystem;

fs::path outputTarget(const std::string &output, const std::string &source) {
  std::error_code ec;
  fs::path target = output;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    target = fs::weakly_canonical(target, ec);
    if (ec) return {};
  }
  // Writing over the source would destroy it.
  if (!source.empty() && fs::equivalent(source, target, ec) && !ec) return {};
  fs::file_status status = fs::status(target, ec);
  if (!fs::exists(status)) return target;
  if (!fs::is_regular_file(status) || ::access(target.c_str(), W_OK) != 0) return {};
  return target;
}

}  // namespace voice::detail
