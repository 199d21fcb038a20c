#include "app/pc/PcModels.h"

#include <QCollator>
#include <QLocale>
#include <QMimeType>

#include "app/pc/ProtectedFolders.h"

namespace pc {

// --- PcIconProvider -----------------------------------------------------------

void PcIconProvider::setUnknownTypeText(const QString &unknownType) {
  QMutexLocker lock(&mutex_);
  unknownType_ = unknownType;
  types_.clear();
}

QIcon PcIconProvider::icon(IconType type) const {
  QMutexLocker lock(&mutex_);
  return QFileIconProvider::icon(type);
}

QIcon PcIconProvider::icon(const QFileInfo &info) const {
  QMutexLocker lock(&mutex_);
  if (info.isDir()) {
    if (info.isRoot()) return QFileIconProvider::icon(Drive);
    return QFileIconProvider::icon(Folder);
  }
  // By name only: the MIME database reads no file here.
  QMimeType mime = db_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  auto it = icons_.constFind(mime.name());
  if (it != icons_.constEnd()) return *it;
  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  if (icon.isNull()) icon = QFileIconProvider::icon(File);
  icons_.insert(mime.name(), icon);
  return icon;
}

QString PcIconProvider::type(const QFileInfo &info) const {
  if (info.isDir()) return QFileIconProvider::type(info);
  QMutexLocker lock(&mutex_);
  QMimeType mime = db_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  // ".profile" has no extension.
  const QString name = info.fileName();
  const QString suffix = name.lastIndexOf(QLatin1Char('.')) > 0 ? info.suffix().toUpper() : QString();
  const QString key = mime.isDefault() ? QLatin1Char('.') + suffix : mime.name();
  auto it = types_.constFind(key);
  if (it != types_.constEnd()) return *it;
  QString text = mime.isDefault() && !suffix.isEmpty() ? unknownType_.arg(suffix) : mime.comment();
  types_.insert(key, text);
  return text;
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
  static thread_local QCollator collator = [] {
    QCollator c;
    c.setNumericMode(true);
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
  }();
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
  return onRename(mapToSource(index), value.toString());
}

// --- FileListProxy ----------------------------------------------------------------

FileListProxy::FileListProxy(QObject *parent) : QSortFilterProxyModel(parent) {}

QFileSystemModel *FileListProxy::fileSystem() const { return fsOf(this); }

void FileListProxy::setFolder(const QString &folder, const QModelIndex &sourceIndex) {
  folder_ = folder;
  sourceFolder_ = sourceIndex;
  invalidateFilter();
}

void FileListProxy::setMask(const QString &mask) {
  if (mask == mask_.text() && !mask.isEmpty()) return;
  mask_ = NameMask(mask);
  invalidateFilter();
}

void FileListProxy::setHeaders(const QStringList &headers) {
  headers_ = headers;
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QModelIndex FileListProxy::folderIndex() const { return mapFromSource(sourceFolder_); }

bool FileListProxy::filterAcceptsRow(int row, const QModelIndex &parent) const {
  QFileSystemModel *fs = fsOf(this);
  const QModelIndex index = fs->index(row, 0, parent);
  if (parent == sourceFolder_) return !fs->isDir(index) && mask_.matches(fs->fileName(index));
  // Elsewhere only the folders on the way down to the shown one.
  return fs->isDir(index) && isSameOrBelow(folder_, fs->filePath(index));
}

Qt::ItemFlags FileListProxy::flags(const QModelIndex &index) const {
  Qt::ItemFlags f = QSortFilterProxyModel::flags(index);
  if (index.isValid() && index.column() == 0) f |= Qt::ItemIsEditable;
  return f;
}

bool FileListProxy::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !onRename) return false;
  return onRename(mapToSource(index), value.toString());
}

QVariant FileListProxy::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
    return headers_[section];
  return QSortFilterProxyModel::headerData(section, orientation, role);
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
