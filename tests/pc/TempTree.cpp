#include "TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pctest {

TempTree::TempTree(const QString &base)
    : dir_(base.isEmpty() ? QDir::tempPath() + "/quillorn-pc-XXXXXX" : base + "/quillorn-pc-XXXXXX") {}

QString TempTree::path(const QString &relative) const {
  return relative.isEmpty() ? dir_.path() : dir_.path() + "/" + relative;
}

QString TempTree::file(const QString &relative, const QByteArray &bytes) const {
  QString p = path(relative);
  QDir().mkpath(QFileInfo(p).path());
  QFile f(p);
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  f.write(bytes);
  return p;
}

QString TempTree::folder(const QString &relative) const {
  QDir().mkpath(path(relative));
  return path(relative);
}

QByteArray TempTree::read(const QString &relative) const {
  QFile f(path(relative));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TempTree::exists(const QString &relative) const { return QFileInfo::exists(path(relative)); }

}  // namespace pctest
