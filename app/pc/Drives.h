// The "Drives" level of the PC browser: a pseudo folder above the volumes
// that lists the root folder, the home folder and the mounted volumes that
// are real file systems. One level up from the root of a listed volume
// reaches it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace pc {

struct Volume {
  QString rootPath;
  QByteArray fileSystemType;
  QByteArray device;
  QString name;  // the volume's label, may be empty
  qint64 bytesTotal = 0;
  qint64 bytesFree = 0;
};

struct DriveEntry {
  enum class Kind { Root, Home, Volume };
  Kind kind = Kind::Volume;
  QString path;
  QString label;  // the volume's label, empty for the root and the home folder
  QByteArray fileSystemType;
  qint64 bytesTotal = 0;
  qint64 bytesFree = 0;
};

// A real file system: a block device or a network or FUSE block file
// system, not a kernel, memory or container overlay file system.
bool isRealFileSystem(const QByteArray &type, const QByteArray &device);

// The entries in order: the root folder (with the type and sizes of the
// volume mounted on "/", when listed), the home folder, then the volumes
// that are real file systems, by path, without "/" or home again.
std::vector<DriveEntry> driveEntries(const QString &home, const std::vector<Volume> &volumes);

// The mounted volumes now (QStorageInfo), and the entries they give.
std::vector<Volume> mountedVolumes();
std::vector<DriveEntry> currentDrives();

// The folder one level up from dir, or an empty string for the "Drives"
// level when dir is "/" or the root of one of the listed volumes.
QString levelUp(const QString &dir, const std::vector<DriveEntry> &drives);

}  // namespace pc
