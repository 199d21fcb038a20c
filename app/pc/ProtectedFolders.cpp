#include "app/pc/ProtectedFolders.h"

#include <QDir>
#include <QFileInfo>

namespace pc {

QString canonicalPath(const QString &path) {
  if (path.isEmpty()) return {};
  QFileInfo info(path);
  QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool isSameOrBelow(const QString &inner, const QString &outer) {
  if (inner.isEmpty() || outer.isEmpty()) return false;
  if (inner == outer) return true;
  QString prefix = outer.endsWith(QLatin1Char('/')) ? outer : outer + QLatin1Char('/');
  return inner.startsWith(prefix);
}

bool ProtectedFolders::protects(const QString &folder) const {
  const QString target = canonicalPath(folder);
  if (target.isEmpty() || target == QLatin1String("/")) return true;
  for (const QString &data : dataFolders)
    if (!data.isEmpty() && isSameOrBelow(canonicalPath(data), target)) return true;
  if (!home.isEmpty() && isSameOrBelow(canonicalPath(home), target)) return true;
  for (const QString &file : busyFiles)
    if (!file.isEmpty() && isSameOrBelow(canonicalPath(file), target)) return true;
  return false;
}

}  // namespace pc
