// The models behind the PC folder tree and the PC file list: one
// QFileSystemModel (asynchronous, watches what it shows) seen through a
// proxy of folders for the tree and a proxy of the current folder's files
// for the list; the "Drives" level has a small model of its own. Icons
// and type names come from the desktop's icon provider and the MIME
// database, looked up by file name and cached per type, so that a folder
// of thousands of files costs no file reads beyond listing it.
#pragma once

#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QPersistentModelIndex>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <functional>
#include <vector>

#include "app/pc/Drives.h"
#include "app/pc/FileFilter.h"

namespace pc {

// The file system model's icon provider. It runs in the model's gathering
// thread, hence the lock.
class PcIconProvider : public QFileIconProvider {
 public:
  // unknownType: the type text of a file whose type the MIME database does
  // not know, with %1 for its extension in capitals ("%1 file").
  void setUnknownTypeText(const QString &unknownType);
  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo &info) const override;
  QString type(const QFileInfo &info) const override;

 private:
  QMimeDatabase db_;
  mutable QMutex mutex_;
  mutable QHash<QString, QIcon> icons_;
  mutable QHash<QString, QString> types_;
  QString unknownType_ = QStringLiteral("%1");
};

// A rename by in-place editing: the source index (of the file system
// model) and the new name; true when the entry was renamed.
using RenameHook = std::function<bool(const QModelIndex &sourceIndex, const QString &newName)>;

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

// The files of one folder that match the mask (and the folders above it,
// so that the folder's index exists). The order is the file system
// model's, which sorts each folder once it is read.
class FileListProxy : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit FileListProxy(QObject *parent = nullptr);
  RenameHook onRename;
  // The folder shown (canonical path) and its index in the source model.
  void setFolder(const QString &folder, const QModelIndex &sourceIndex);
  void setMask(const QString &mask);
  const NameMask &mask() const { return mask_; }
  void setHeaders(const QStringList &headers);
  QModelIndex folderIndex() const;  // in this model
  QFileSystemModel *fileSystem() const;

  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 protected:
  bool filterAcceptsRow(int row, const QModelIndex &parent) const override;

 private:
  QString folder_;
  QPersistentModelIndex sourceFolder_;
  NameMask mask_;
  QStringList headers_;
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
