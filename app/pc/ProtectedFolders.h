// Folders that the PC folder tree never deletes: the program's data folders
// (VoiceData, TempData), every folder above them, the home folder (and so
// the folders above it), and every folder that holds a file that plays or
// records. Paths are compared after following links.
#pragma once

#include <QString>
#include <QStringList>

namespace pc {

struct ProtectedFolders {
  QStringList dataFolders;  // VoiceData, TempData
  QString home;
  QStringList busyFiles;    // files that play or record

  bool protects(const QString &folder) const;
};

// The canonical form of a path: links followed where it exists, else the
// cleaned absolute path.
QString canonicalPath(const QString &path);
// True when `inner` is `outer` or lies below it (both canonical).
bool isSameOrBelow(const QString &inner, const QString &outer);

}  // namespace pc
