#include "app/pc/FileNames.h"

namespace pc {

QString newFolderName(const QString &base, const NameTaken &taken) {
  if (!taken(base)) return base;
  for (int n = 2;; ++n) {
    QString name = QStringLiteral("%1(%2)").arg(base).arg(n);
    if (!taken(name)) return name;
  }
}

QString collisionFreeName(const QString &name, const NameTaken &taken) {
  if (!taken(name)) return name;
  qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  QString stem = dot > 0 ? name.left(dot) : name;
  QString ext = dot > 0 ? name.mid(dot) : QString();
  for (int n = 2;; ++n) {
    QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(ext);
    if (!taken(candidate)) return candidate;
  }
}

RenameProblem renameProblem(const QString &oldName, const QString &newName, const NameTaken &taken) {
  if (newName == oldName) return RenameProblem::Same;
  if (newName.trimmed().isEmpty()) return RenameProblem::Empty;
  if (newName.contains(QLatin1Char('/')) || newName.contains(QChar(0))) return RenameProblem::Slash;
  if (newName == QLatin1String(".") || newName == QLatin1String("..")) return RenameProblem::DotName;
  if (taken(newName)) return RenameProblem::Exists;
  return RenameProblem::None;
}

}  // namespace pc
