#include "app/pc/PcModels.h"

#include <QCollator>
#include <QLocale>
#include <QMimeType>

#include "app/pc/FolderReader.h"

namespace pc {

// --- PcIconProvider -----------------------------------------------------------

QIcon PcIconProvider::icon(IconType type) const {
  QMutexLocker lock(&mutex_);
  return QFileIconProvider::icon(type);
}

QIcon PcIconProvider::icon(const QFileInfo &info) const {
  QMutexLocker lock(&mutex_);
  if (!info.isDir()) return QFileIconProvider::icon(File);
  return QFileIconProvider::icon(info.isRoot() ? Drive : Folder);
}

QString PcIconProvider::type(const QFileInfo &info) const {
  if (!info.isDir()) return QString();
  QMutexLocker lock(&mutex_);
  return QFileIconProvider::type(info);
}

QIcon PcIconProvider::fileIcon(const QMimeType &mime) const {
  QMutexLocker lock(&mutex_);
  auto it = icons_.constFind(mime.name());
  if (it != icons_.constEnd()) return *it;
  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  if (icon.isNull()) icon = QFileIconProvider::icon(File);
  icons_.insert(mime.name(), icon);
  return icon;
}

// --- FolderTreeProxy ------------------------------------------------------------

namespace {

QFileSystemModel *fsOf(const QSortFilterProxyModel *proxy) {
  return static_cast<QFileSystemModel *>(proxy->sourceModel());
}

}  // namespace

FolderTreeProxy::FolderTreeProxy(QObject *parent) : QSortFilterProxyModel(parent) {
  setRecursiveFilteringEnabled(false);
}

bool FolderTreeProxy::filterAcceptsRow(int row, const QModelIndex &parent) const {
  QFileSystemModel *fs = fsOf(this);
  return fs->isDir(fs->index(row, 0, parent));
}

bool FolderTreeProxy::filterAcceptsColumn(int column, const QModelIndex &) const { return column == 0; }

bool FolderTreeProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const {
  static thread_local QCollator collator = nameCollator();
  QFileSystemModel *fs = fsOf(this);
  return collator.compare(fs->fileName(left), fs->fileName(right)) < 0;
}

Qt::ItemFlags FolderTreeProxy::flags(const QModelIndex &index) const {
  Qt::ItemFlags f = QSortFilterProxyModel::flags(index);
  // The root of a file system is never renamed.
  if (index.isValid() && index.parent().isValid()) f |= Qt::ItemIsEditable;
  return f;
}

bool FolderTreeProxy::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !onRename) return false;
  return !onRename(fsOf(this)->filePath(mapToSource(index)), value.toString()).isEmpty();
}

// --- DrivesModel ------------------------------------------------------------------

DrivesModel::DrivesModel(QObject *parent) : QStandardItemModel(parent) {}

void DrivesModel::fill(const std::vector<DriveEntry> &drives, const Captions &captions,
                       const QFileIconProvider &icons) {
  clear();
  setColumnCount(4);
  setHorizontalHeaderLabels(captions.headers);
  QLocale locale;
  for (const DriveEntry &d : drives) {
    QString name;
    QIcon icon;
    switch (d.kind) {
      case DriveEntry::Kind::Root:
        name = QStringLiteral("%1 (%2)").arg(captions.rootFolder, d.path);
        icon = icons.icon(QFileIconProvider::Computer);
        break;
      case DriveEntry::Kind::Home:
        name = QStringLiteral("%1 (%2)").arg(captions.homeFolder, d.path);
        icon = QIcon::fromTheme(QStringLiteral("user-home"), icons.icon(QFileIconProvider::Folder));
        break;
      case DriveEntry::Kind::Volume:
        name = d.label.isEmpty() ? d.path : QStringLiteral("%1 (%2)").arg(d.label, d.path);
        icon = icons.icon(QFileIconProvider::Drive);
        break;
    }
    auto *item = new QStandardItem(icon, name);
    item->setData(d.path, kPathRole);
    item->setEditable(false);
    QString size = d.bytesTotal > 0 ? captions.freeOf.arg(locale.formattedDataSize(d.bytesFree),
                                                          locale.formattedDataSize(d.bytesTotal))
                                    : QString();
    auto *sizeItem = new QStandardItem(size);
    sizeItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QList<QStandardItem *> row{item, sizeItem, new QStandardItem(QString::fromLatin1(d.fileSystemType)),
                               new QStandardItem()};
    for (QStandardItem *cell : row) cell->setEditable(false);
    appendRow(row);
  }
}

QString DrivesModel::path(int row) const {
  QStandardItem *it = item(row, 0);
  return it ? it->data(kPathRole).toString() : QString();
}

}  // namespace pc
