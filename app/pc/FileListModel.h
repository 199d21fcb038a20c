// The model of the PC file list: the files of one folder that match the
// mask, with the columns name, size, type and modification time. The folder
// is read by a FolderReader; its batches are added as they arrive and
// sorted once the read is complete, so that the window never waits for the
// folder. The folder is watched and read again when it changes; what is
// still there keeps its place in selections and views.
#pragma once

#include <QAbstractTableModel>
#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>
#include <vector>

#include "app/pc/FileFilter.h"
#include "app/pc/FileTypes.h"
#include "app/pc/FolderReader.h"
#include "app/pc/PcModels.h"

namespace pc {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kName, kSize, kType, kModified, kColumns };
  // The full path of a row; the same role as QFileSystemModel's.
  static constexpr int kPathRole = Qt::UserRole + 1;

  explicit FileListModel(const PcIconProvider &icons, QObject *parent = nullptr);
  ~FileListModel() override;

  // Lists the files of dir (a canonical path), read anew; "" lists nothing.
  void setFolder(const QString &dir);
  const QString &folder() const { return folder_; }
  // Reads the folder again; the rows of files that stay are kept.
  void reread();

  // The mask (see NameMask); files it hides are kept aside.
  void setMask(const QString &mask);
  const NameMask &mask() const { return mask_; }

  void setHeaders(const QStringList &headers);
  // The type text of a file whose type is not known ("%1 file").
  void setUnknownTypeText(const QString &text);
  // Renames a file in place (the name column is editable).
  RenameHook onRename;

  const QString &name(int row) const { return rows_[row].entry.name; }
  QString path(int row) const;

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role) override;
  // Sorts at once, or when the read in flight is complete.
  void sort(int column, Qt::SortOrder order) override;

  // Wait before a change of the folder is read (changes come in bursts).
  static constexpr int kChangeDelayMs = 150;
  // Batches that arrive within this time are added together.
  static constexpr int kDrainDelayMs = 16;
  // Up to this many files that come and runs of files that go, a new
  // reading inserts and removes rows; beyond, it changes the layout once.
  static constexpr size_t kFewChanges = 16;

 signals:
  // A read has been applied: every file is listed, in order.
  void loaded();
  // A new reading of the folder is about to change the rows, and has.
  void aboutToUpdate();
  void updated();
  // The folder is gone (or no longer a folder).
  void folderLost();

 private:
  struct Row {
    FileEntry entry;
    int type;
  };
  // Filling: rows are added as the batches come. Rereading: the batches are
  // kept and applied together at the end.
  enum class Mode { Idle, Filling, Rereading };

  void batchesWaiting();
  void drain();
  void append(std::vector<FileEntry> &entries, bool sorted);
  void finish(int error);
  void applyReread();
  bool less(const Row &a, const Row &b) const;
  std::vector<int> sortedOrder(const std::vector<Row> &rows) const;
  void resort();
  // Replaces the rows in one layout change; oldToNew gives the new row of
  // each old one, -1 when it is gone. relayoutSorted sorts them first.
  void relayout(std::vector<Row> rows, const std::vector<int> &oldToNew);
  void relayoutSorted(std::vector<Row> rows, std::vector<int> oldToNew);
  Row makeRow(FileEntry &&entry);

  FolderReader reader_;
  FileTypes types_;
  QString folder_;
  QStringList headers_;
  std::vector<Row> rows_;    // the files the mask shows, in order
  std::vector<Row> hidden_;  // the others
  NameMask mask_;
  std::vector<FileEntry> pending_;
  Mode mode_ = Mode::Idle;
  bool againAfterRead_ = false;
  int sortColumn_ = kName;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  QFileSystemWatcher watcher_;
  QTimer changeTimer_;
  QTimer drainTimer_;
};

}  // namespace pc
