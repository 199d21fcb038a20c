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
  hidden_.clear();
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
  for (FileEntry &e : entries) {
    const bool shown = mask_.matches(e.name);
    (shown ? rows : hidden_).push_back(makeRow(std::move(e)));
  }
  entries.clear();
  if (rows.empty()) return;
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
  // Where each name is now: a row (>= 0), or -1 - its place among the
  // files the mask hides.
  QHash<QString, int> where;
  where.reserve(qsizetype(rows_.size() + hidden_.size()));
  for (size_t r = 0; r < rows_.size(); ++r) where.insert(rows_[r].entry.name, int(r));
  for (size_t h = 0; h < hidden_.size(); ++h) where.insert(hidden_[h].entry.name, -1 - int(h));
  // Files that stay are brought up to date in place; new ones are set apart.
  std::vector<char> keptRow(rows_.size(), 0), keptHidden(hidden_.size(), 0);
  std::vector<Row> added, hidden;
  int changedFirst = -1, changedLast = -1;
  for (FileEntry &e : pending_) {
    auto it = where.constFind(e.name);
    char *kept = it == where.constEnd() ? nullptr : *it >= 0 ? &keptRow[*it] : &keptHidden[-1 - *it];
    if (!kept || *kept) {
      const bool shown = mask_.matches(e.name);
      (shown ? added : hidden).push_back(makeRow(std::move(e)));
      continue;
    }
    *kept = 1;
    Row &row = *it >= 0 ? rows_[*it] : hidden_[-1 - *it];
    if (row.entry.size == e.size && row.entry.modifiedMs == e.modifiedMs && row.entry.typeKey == e.typeKey) continue;
    row.entry.size = e.size;
    row.entry.modifiedMs = e.modifiedMs;
    row.entry.typeKey = e.typeKey;
    row.type = types_.add(e.typeKey);
    if (*it < 0) continue;
    changedFirst = changedFirst < 0 ? *it : std::min(changedFirst, *it);
    changedLast = std::max(changedLast, *it);
  }
  pending_.clear();
  for (size_t h = 0; h < hidden_.size(); ++h)
    if (keptHidden[h]) hidden.push_back(std::move(hidden_[h]));
  hidden_ = std::move(hidden);

  emit aboutToUpdate();
  if (changedFirst >= 0) emit dataChanged(index(changedFirst, 0), index(changedLast, kColumns - 1));
  int runs = 0;
  for (size_t r = 0; r < keptRow.size(); ++r)
    if (!keptRow[r] && (r == 0 || keptRow[r - 1])) ++runs;
  if (size_t(runs) + added.size() <= kFewChanges) {
    // A few files came or went: rows are removed and inserted where they
    // belong, which views and selections follow at little cost.
    for (int r = int(rows_.size()) - 1; r >= 0;) {
      if (keptRow[r]) {
        --r;
        continue;
      }
      const int last = r;
      while (r >= 0 && !keptRow[r]) --r;
      beginRemoveRows({}, r + 1, last);
      rows_.erase(rows_.begin() + r + 1, rows_.begin() + last + 1);
      endRemoveRows();
    }
    resort();  // when new sizes or times moved a file
    for (int i : sortedOrder(added)) {
      const auto at = std::upper_bound(rows_.begin(), rows_.end(), added[i],
                                       [&](const Row &a, const Row &b) { return less(a, b); });
      const int row = int(at - rows_.begin());
      beginInsertRows({}, row, row);
      rows_.insert(at, std::move(added[i]));
      endInsertRows();
    }
  } else {
    // Many changes: one layout change into the new order.
    std::vector<int> oldToNew(rows_.size(), -1);
    std::vector<Row> rows;
    rows.reserve(rows_.size() + added.size());
    for (size_t r = 0; r < rows_.size(); ++r) {
      if (!keptRow[r]) continue;
      oldToNew[r] = int(rows.size());
      rows.push_back(std::move(rows_[r]));
    }
    for (Row &row : added) rows.push_back(std::move(row));
    relayoutSorted(std::move(rows), oldToNew);
  }
  emit updated();
}

void FileListModel::setMask(const QString &mask) {
  if (mask == mask_.text() && !mask.isEmpty()) return;
  NameMask next(mask);
  // The rows that stay keep their order; the files that come are sorted in.
  std::vector<int> oldToNew(rows_.size(), -1);
  std::vector<Row> rows, hidden;
  rows.reserve(rows_.size() + hidden_.size());
  bool changed = false;
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (next.matches(rows_[r].entry.name)) {
      oldToNew[r] = int(rows.size());
      rows.push_back(std::move(rows_[r]));
    } else {
      hidden.push_back(std::move(rows_[r]));
      changed = true;
    }
  }
  for (Row &row : hidden_) {
    const bool shown = next.matches(row.entry.name);
    changed = changed || shown;
    (shown ? rows : hidden).push_back(std::move(row));
  }
  mask_ = std::move(next);
  hidden_ = std::move(hidden);
  if (!changed) {
    rows_ = std::move(rows);
    return;
  }
  // One layout change rather than a removal or an insertion per stretch of
  // rows, which a list of thousands with a selection pays for dearly.
  emit aboutToUpdate();
  relayoutSorted(std::move(rows), oldToNew);
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
  if (std::is_sorted(rows_.begin(), rows_.end(), [&](const Row &a, const Row &b) { return less(a, b); })) return;
  const std::vector<int> order = sortedOrder(rows_);
  std::vector<int> oldToNew(rows_.size());
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    oldToNew[order[i]] = int(i);
    sorted.push_back(std::move(rows_[order[i]]));
  }
  relayout(std::move(sorted), oldToNew);
}

void FileListModel::relayoutSorted(std::vector<Row> rows, std::vector<int> oldToNew) {
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
  relayout(std::move(sorted), oldToNew);
}

void FileListModel::relayout(std::vector<Row> rows, const std::vector<int> &oldToNew) {
  // Only rows move (or go, or come): selections keep one entry per row.
  const auto hint = QAbstractItemModel::VerticalSortHint;
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
  int r = index.row();
  const QString oldName = name(r), newName = value.toString();
  if (newName == oldName) return false;
  const QString renamed = onRename(path(r), newName);
  if (renamed.isEmpty()) return false;
  // A message box may have let a new reading of the folder in meanwhile.
  if (size_t(r) >= rows_.size() || rows_[r].entry.name != oldName) {
    const auto it = std::find_if(rows_.begin(), rows_.end(), [&](const Row &row) { return row.entry.name == oldName; });
    if (it == rows_.end()) return true;
    r = int(it - rows_.begin());
  }
  // The file keeps its row, and so its place in the selection, under its
  // new name; then it moves to where the name sorts.
  const QString fileName = QFileInfo(renamed).fileName();
  Row &row = rows_[r];
  row.entry.name = fileName;
  row.entry.sortKey = nameCollator().sortKey(fileName);
  row.entry.typeKey = typeKeyOf(QMimeDatabase(), fileName);
  row.type = types_.add(row.entry.typeKey);
  if (!mask_.matches(fileName)) {
    beginRemoveRows({}, r, r);
    hidden_.push_back(std::move(rows_[r]));
    rows_.erase(rows_.begin() + r);
    endRemoveRows();
    return true;
  }
  emit dataChanged(this->index(r, 0), this->index(r, kColumns - 1));
  if (mode_ == Mode::Idle) resort();
  return true;
}

}  // namespace pc
