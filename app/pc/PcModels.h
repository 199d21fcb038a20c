// The models behind the PC folder tree and the "Drives" level: one
// QFileSystemModel of folders only (asynchronous, watches what it shows)
// seen through a sorting proxy for the tree, and a small model of its own
// for the "Drives" level. The file list has a model of its own
// (FileListModel). Icons come from the desktop's icon provider and the
// MIME database, looked up by name and cached per type, so that no file is
// read for them.
#pragma once

#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <functional>
#include <vector>

#include "app/pc/Drives.h"

namespace pc {

// The icons of the PC browser. The file system model calls it from its
// gathering thread, hence the lock.
class PcIconProvider : public QFileIconProvider {
 public:
  QIcon icon(IconType type) const override;
  // The tree shows folders only: a file gets the plain file icon and no
  // type text, so that reading a folder of files reads none of them.
  QIcon icon(const QFileInfo &info) const override;
  QString type(const QFileInfo &info) const override;
  // The icon of a file type: the theme's icon of the MIME type, else its
  // generic icon, else the plain file icon; cached by type.
  QIcon fileIcon(const QMimeType &mime) const;

 private:
  mutable QMutex mutex_;
  mutable QHash<QString, QIcon> icons_;
};

// A rename by in-place editing: the entry's path and the new name; returns
// the new path, or an empty string when the entry was not renamed.
using RenameHook = std::function<QString(const QString &path, const QString &newName)>;

// Folders only, sorted by name (natural order, without regard to case),
// one column.
class FolderTreeProxy : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit FolderTreeProxy(QObject *parent = nullptr);
  RenameHook onRename;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role) override;

 protected:
  bool filterAcceptsRow(int row, const QModelIndex &parent) const override;
  bool filterAcceptsColumn(int column, const QModelIndex &parent) const override;
  bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};

// The "Drives" level: one row per entry, the path in kPathRole.
class DrivesModel : public QStandardItemModel {
  Q_OBJECT
 public:
  static constexpr int kPathRole = Qt::UserRole + 1;
  explicit DrivesModel(QObject *parent = nullptr);
  struct Captions {
    QString rootFolder, homeFolder;  // "Root folder", "Home folder"
    QString freeOf;                  // "%1 free of %2"
    QStringList headers;
  };
  void fill(const std::vector<DriveEntry> &drives, const Captions &captions, const QFileIconProvider &icons);
  QString path(int row) const;
};

}  // namespace pc
