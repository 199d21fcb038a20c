#include "app/pc/Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace pc {

namespace {

bool onList(const QByteArray &type, std::initializer_list<const char *> list) {
  return std::any_of(list.begin(), list.end(), [&](const char *t) { return type == t; });
}

}  // namespace

bool isRealFileSystem(const QByteArray &type, const QByteArray &device) {
  if (onList(type, {"tmpfs", "devtmpfs", "ramfs", "overlay", "squashfs", "proc", "sysfs", "cgroup", "cgroup2",
                    "autofs", "debugfs", "tracefs", "securityfs", "pstore", "bpf", "configfs", "fusectl", "mqueue",
                    "hugetlbfs", "binfmt_misc", "nsfs", "efivarfs", "devpts", "rpc_pipefs", "nfsd", "selinuxfs",
                    "fuse.portal", "fuse.gvfsd-fuse", "fuse.lxcfs"}))
    return false;
  if (onList(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "virtiofs", "fuse.rclone"}))
    return true;
  // Local file systems live on a device node; FUSE block file systems
  // (NTFS, exFAT) name theirs too.
  return device.startsWith('/');
}

std::vector<DriveEntry> driveEntries(const QString &home, const std::vector<Volume> &volumes) {
  std::vector<DriveEntry> entries;
  DriveEntry root;
  root.kind = DriveEntry::Kind::Root;
  root.path = QStringLiteral("/");
  for (const Volume &v : volumes)
    if (v.rootPath == root.path) {
      root.fileSystemType = v.fileSystemType;
      root.bytesTotal = v.bytesTotal;
      root.bytesFree = v.bytesFree;
    }
  entries.push_back(root);
  QString homePath = QDir::cleanPath(home);
  if (!home.isEmpty() && homePath != root.path) {
    DriveEntry h;
    h.kind = DriveEntry::Kind::Home;
    h.path = homePath;
    entries.push_back(h);
  }
  std::vector<DriveEntry> found;
  for (const Volume &v : volumes) {
    QString path = QDir::cleanPath(v.rootPath);
    if (path == root.path || path == homePath || !isRealFileSystem(v.fileSystemType, v.device)) continue;
    if (std::any_of(found.begin(), found.end(), [&](const DriveEntry &e) { return e.path == path; })) continue;
    DriveEntry e;
    e.path = path;
    e.label = v.name;
    e.fileSystemType = v.fileSystemType;
    e.bytesTotal = v.bytesTotal;
    e.bytesFree = v.bytesFree;
    found.push_back(e);
  }
  std::sort(found.begin(), found.end(), [](const DriveEntry &a, const DriveEntry &b) { return a.path < b.path; });
  entries.insert(entries.end(), found.begin(), found.end());
  return entries;
}

std::vector<Volume> mountedVolumes() {
  std::vector<Volume> volumes;
  for (const QStorageInfo &s : QStorageInfo::mountedVolumes()) {
    if (!s.isValid() || !s.isReady()) continue;
    // Bind mounts of single files (containers) are no places to browse.
    if (!QFileInfo(s.rootPath()).isDir()) continue;
    volumes.push_back({s.rootPath(), s.fileSystemType(), s.device(), s.name(), s.bytesTotal(), s.bytesFree()});
  }
  return volumes;
}

std::vector<DriveEntry> currentDrives() { return driveEntries(QDir::homePath(), mountedVolumes()); }

QString levelUp(const QString &dir, const std::vector<DriveEntry> &drives) {
  QString path = QDir::cleanPath(dir);
  if (path.isEmpty() || path == QLatin1String("/")) return {};
  for (const DriveEntry &d : drives)
    if (d.kind != DriveEntry::Kind::Home && d.path == path) return {};
  QString parent = QFileInfo(path).path();
  return parent.isEmpty() ? QStringLiteral("/") : parent;
}

}  // namespace pc
