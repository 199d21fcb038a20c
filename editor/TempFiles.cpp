#include "editor/TempFiles.h"

#include <QFile>
#include <QTemporaryFile>
#include <system_error>

namespace fs = std::filesystem;

namespace editor {

std::optional<fs::path> createTempFile(const fs::path &folder) {
  QTemporaryFile file(QString::fromStdString((folder / "wXXXXXX.TMP").string()));
  file.setAutoRemove(false);
  if (!file.open()) return std::nullopt;
  return fs::path(file.fileName().toStdString());
}

std::optional<fs::path> copyToTempFile(const fs::path &source, const fs::path &folder) {
  auto target = createTempFile(folder);
  if (!target) return std::nullopt;
  QFile in(QString::fromStdString(source.string()));
  QFile out(QString::fromStdString(target->string()));
  bool ok = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
  char buffer[1 << 16];
  while (ok) {
    qint64 n = in.read(buffer, sizeof buffer);
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (out.write(buffer, n) != n) ok = false;
  }
  ok = ok && out.flush();
  out.close();
  if (!ok) {
    std::error_code ec;
    fs::remove(*target, ec);
    return std::nullopt;
  }
  return target;
}

}  // namespace editor
