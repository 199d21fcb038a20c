#include "app/pc/FileListModel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <numeric>

#include "app/pc/TypeKeys.h"

namespace pc {

namespace {

template <typename T>
int compare3(const T &a, const T &b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

FileListModel::FileListModel(const PcIconProvider &icons, QObject *parent)
    : QAbstractTableModel(parent),
      // The reader's thread only posts a call to this (queued) model.
      reader_([this] { QMetaObject::invokeMethod(this, &FileListModel::batchesWaiting, Qt::QueuedConnection); }),
      types_(icons) {
  drainTimer_.setSingleShot(true);
  drainTimer_.setInterval(kDrainDelayMs);
  connect(&drainTimer_, &QTimer::timeout, this, &FileListModel::drain);
  changeTimer_.setSingleShot(true);
  changeTimer_.setInterval(kChangeDelayMs);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    if (!changeTimer_.isActive()) changeTimer_.start();
  });
  connect(&changeTimer_, &QTimer::timeout, this, [this] {
    // A read in flight may have passed the change: one more read after it.
    if (mode_ != Mode::Idle)
      againAfterRead_ = true;
    else
      reread();
  });
}

FileListModel::~FileListModel() {
  // Batches still on their way are dropped; the reader waits for its threads.
  reader_.stop();
}

QString FileListModel::path(int row) const {
  return folder_.endsWith(QLatin1Char('/')) ? folder_ + name(row) : folder_ + QLatin1Char('/') + name(row);
}

// --- Reading ----------------------------------------------------------------------

void FileListModel::setFolder(const QString &dir) {
  changeTimer_.stop();
  againAfterRead_ = false;
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  folder_ = dir;
  beginResetModel();
  rows_.clear();
  pending_.clear();
  endResetModel();
  if (dir.isEmpty()) {
    reader_.stop();
    mode_ = Mode::Idle;
    return;
  }
  // Watched before it is read, so that no change falls between the two.
  watcher_.addPath(dir);
  mode_ = Mode::Filling;
  reader_.start(dir);
}

void FileListModel::reread() {
  if (folder_.isEmpty()) return;
  changeTimer_.stop();
  againAfterRead_ = false;
  if (watcher_.directories().isEmpty()) watcher_.addPath(folder_);
  mode_ = Mode::Rereading;
  pending_.clear();
  reader_.start(folder_);
}

void FileListModel::batchesWaiting() {
  // Batches are taken a few at a time, so that the views lay the list out
  // and paint it once per round rather than once per batch.
  if (!drainTimer_.isActive()) drainTimer_.start();
}

void FileListModel::drain() {
  if (mode_ == Mode::Idle) return;
  std::vector<FolderBatch> batches = reader_.take();
  if (batches.empty()) return;
  std::vector<FileEntry> arrived;
  bool last = false;
  int error = 0;
  for (FolderBatch &batch : batches) {
    std::vector<FileEntry> &into = mode_ == Mode::Filling ? arrived : pending_;
    if (into.empty())
      into = std::move(batch.entries);
    else
      std::move(batch.entries.begin(), batch.entries.end(), std::back_inserter(into));
    if (batch.last) {
      last = true;
      error = batch.error;
    }
  }
  // The whole folder in one step: it is sorted before it is shown.
  if (mode_ == Mode::Filling && !arrived.empty()) append(arrived, last && rows_.empty());
  if (last) finish(error);
}

FileListModel::Row FileListModel::makeRow(FileEntry &&entry) {
  const int type = types_.add(entry.typeKey);
  return Row{std::move(entry), type};
}

void FileListModel::append(std::vector<FileEntry> &entries, bool sortFirst) {
  std::vector<Row> rows;
  rows.reserve(entries.size());
  for (FileEntry &e : entries) rows.push_back(makeRow(std::move(e)));
  entries.clear();
  if (sortFirst) {
    const std::vector<int> order = sortedOrder(rows);
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (int i : order) sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
  }
  const int first = int(rows_.size());
  beginInsertRows({}, first, first + int(rows.size()) - 1);
  std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
  endInsertRows();
}

void FileListModel::finish(int error) {
  if (mode_ == Mode::Filling)
    resort();
  else
    applyReread();
  mode_ = Mode::Idle;
  emit loaded();
  if (error == ENOENT || error == ENOTDIR) {
    emit folderLost();
    return;
  }
  if (againAfterRead_) reread();
}

void FileListModel::applyReread() {
  QHash<QString, int> oldRow;
  oldRow.reserve(qsizetype(rows_.size()));
  for (size_t r = 0; r < rows_.size(); ++r) oldRow.insert(rows_[r].entry.name, int(r));
  std::vector<Row> rows;
  rows.reserve(pending_.size());
  std::vector<int> oldToNew(rows_.size(), -1);
  int kept = 0;
  for (FileEntry &e : pending_) {
    auto it = oldRow.constFind(e.name);
    if (it != oldRow.constEnd() && oldToNew[*it] < 0) {
      oldToNew[*it] = int(rows.size());
      ++kept;
    }
    rows.push_back(makeRow(std::move(e)));
  }
  pending_.clear();

  emit aboutToUpdate();
  if (kept == int(rows_.size()) && rows.size() == rows_.size()) {
    // The same files: sizes, times and types are brought up to date in place.
    int first = -1, last = -1;
    for (size_t r = 0; r < rows_.size(); ++r) {
      Row &now = rows[oldToNew[r]];
      Row &was = rows_[r];
      if (now.entry.size == was.entry.size && now.entry.modifiedMs == was.entry.modifiedMs && now.type == was.type)
        continue;
      was.entry.size = now.entry.size;
      was.entry.modifiedMs = now.entry.modifiedMs;
      was.entry.typeKey = now.entry.typeKey;
      was.type = now.type;
      if (first < 0) first = int(r);
      last = int(r);
    }
    if (first >= 0) emit dataChanged(index(first, 0), index(last, kColumns - 1));
    resort();
  } else {
    // Files came or went: one layout change into the new order.
    const std::vector<int> order = sortedOrder(rows);
    std::vector<int> position(rows.size());
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
      position[order[i]] = int(i);
      sorted.push_back(std::move(rows[order[i]]));
    }
    for (int &n : oldToNew)
      if (n >= 0) n = position[n];
    relayout(std::move(sorted), oldToNew, false);
  }
  emit updated();
}

// --- Order ----------------------------------------------------------------------------

bool FileListModel::less(const Row &a, const Row &b) const {
  int c = 0;
  switch (sortColumn_) {
    case kSize: c = compare3(a.entry.size, b.entry.size); break;
    case kType: c = compare3(types_.rank(a.type), types_.rank(b.type)); break;
    case kModified: c = compare3(a.entry.modifiedMs, b.entry.modifiedMs); break;
    default: break;
  }
  if (c == 0) c = a.entry.sortKey.compare(b.entry.sortKey);
  // Names that collate alike ("a" and "A") still get one order.
  if (c == 0) c = QString::compare(a.entry.name, b.entry.name, Qt::CaseSensitive);
  return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
}

std::vector<int> FileListModel::sortedOrder(const std::vector<Row> &rows) const {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int x, int y) { return less(rows[x], rows[y]); });
  return order;
}

void FileListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumns) return;
  sortColumn_ = column;
  sortOrder_ = order;
  // A read in flight is sorted when it is complete.
  if (mode_ == Mode::Idle) resort();
}

void FileListModel::resort() {
  const std::vector<int> order = sortedOrder(rows_);
  bool same = true;
  for (size_t i = 0; i < order.size() && same; ++i) same = order[i] == int(i);
  if (same) return;
  std::vector<int> oldToNew(rows_.size());
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    oldToNew[order[i]] = int(i);
    sorted.push_back(std::move(rows_[order[i]]));
  }
  relayout(std::move(sorted), oldToNew, true);
}

void FileListModel::relayout(std::vector<Row> rows, const std::vector<int> &oldToNew, bool sortOnly) {
  const auto hint = sortOnly ? QAbstractItemModel::VerticalSortHint : QAbstractItemModel::NoLayoutChangeHint;
  emit layoutAboutToBeChanged({}, hint);
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex &i : from) {
    const int r = i.row() >= 0 && size_t(i.row()) < oldToNew.size() ? oldToNew[i.row()] : -1;
    to.append(r < 0 ? QModelIndex() : createIndex(r, i.column()));
  }
  rows_ = std::move(rows);
  changePersistentIndexList(from, to);
  emit layoutChanged({}, hint);
}

// --- Items --------------------------------------------------------------------------------

int FileListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int FileListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant FileListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || size_t(index.row()) >= rows_.size()) return {};
  const Row &row = rows_[index.row()];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case kName: return row.entry.name;
        case kSize: return QLocale().formattedDataSize(row.entry.size);
        case kType: return types_.text(row.type);
        case kModified:
          return QLocale().toString(QDateTime::fromMSecsSinceEpoch(row.entry.modifiedMs), QLocale::ShortFormat);
        default: break;
      }
      break;
    case Qt::EditRole:
      if (column == kName) return row.entry.name;
      break;
    case Qt::DecorationRole:
      if (column == kName) return types_.icon(row.type);
      break;
    case Qt::TextAlignmentRole:
      if (column == kSize) return QVariant(Qt::AlignTrailing | Qt::AlignVCenter);
      break;
    case kPathRole:
      return path(index.row());
    default:
      break;
  }
  return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
    return headers_[section];
  return QAbstractTableModel::headerData(section, orientation, role);
}

void FileListModel::setHeaders(const QStringList &headers) {
  headers_ = headers;
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void FileListModel::setUnknownTypeText(const QString &text) {
  types_.setUnknownText(text);
  if (!rows_.empty()) emit dataChanged(index(0, kType), index(int(rows_.size()) - 1, kType));
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
  if (index.column() == kName) f |= Qt::ItemIsEditable;
  return f;
}

bool FileListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != kName || !onRename) return false;
  const int r = index.row();
  const QString newName = value.toString();
  if (newName == name(r)) return false;
  const QString renamed = onRename(path(r), newName);
  if (renamed.isEmpty()) return false;
  // The file keeps its row, and so its place in the selection, under its
  // new name; then it moves to where the name sorts.
  const QString fileName = QFileInfo(renamed).fileName();
  Row &row = rows_[r];
  row.entry.name = fileName;
  row.entry.sortKey = nameCollator().sortKey(fileName);
  row.entry.typeKey = typeKeyOf(QMimeDatabase(), fileName);
  row.type = types_.add(row.entry.typeKey);
  emit dataChanged(this->index(r, 0), this->index(r, kColumns - 1));
  if (mode_ == Mode::Idle) resort();
  return true;
}

// --- FileMaskProxy --------------------------------------------------------------------------

FileMaskProxy::FileMaskProxy(QObject *parent) : QSortFilterProxyModel(parent) {}

void FileMaskProxy::setMask(const QString &mask) {
  if (mask == mask_.text() && !mask.isEmpty()) return;
  mask_ = NameMask(mask);
  invalidateFilter();
}

bool FileMaskProxy::filterAcceptsRow(int row, const QModelIndex &parent) const {
  if (parent.isValid()) return false;
  return mask_.matchesEverything() || mask_.matches(files()->name(row));
}

}  // namespace pc
