#include "editor/FileIdentity.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

namespace editor {

bool sameFile(const std::string &a, const std::string &b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) {
    bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
  }
  fs::path ca = fs::weakly_canonical(fs::absolute(a, ec), ec);
  fs::path cb = fs::weakly_canonical(fs::absolute(b, ec), ec);
  return ca == cb;
}

bool isInsideFolder(const std::string &path, const fs::path &folder) {
  if (path.empty() || folder.empty()) return false;
  std::error_code ec;
  fs::path file = fs::weakly_canonical(fs::absolute(path, ec), ec);
  fs::path dir = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  auto [d, f] = std::mismatch(dir.begin(), dir.end(), file.begin(), file.end());
  // Every element of the folder matches and the file goes deeper.
  return d == dir.end() && f != file.end();
}

std::string upperExtension(const std::string &path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
  return ext;
}

std::string wavNameFor(const std::string &voicePath) {
  fs::path p(voicePath);
  std::string ext = p.extension().string();
  bool lower = !ext.empty() && std::islower(static_cast<unsigned char>(ext.back()));
  p.replace_extension(lower ? ".wav" : ".WAV");
  return p.string();
}

}  // namespace editor
