// The PC file list m_LvPCFileList: one model shown in the four view styles
// of a file browser, large icons, small icons, list and report. The report
// is a tree view with the columns name, size, type and modification time;
// the other three are one list view, laid out differently. Both views share
// the model, the root and the selection.
#pragma once

#include <QListView>
#include <QStackedWidget>
#include <QTreeView>

namespace pc {

class PcFileList : public QStackedWidget {
  Q_OBJECT
 public:
  enum class Style { LargeIcons, SmallIcons, List, Report };

  explicit PcFileList(QWidget *parent = nullptr);

  void setModel(QAbstractItemModel *model);
  void setRootIndex(const QModelIndex &root);
  QModelIndex rootIndex() const { return report->rootIndex(); }
  QAbstractItemModel *model() const { return report->model(); }
  QItemSelectionModel *selectionModel() const { return report->selectionModel(); }

  // The view that shows the list now.
  QAbstractItemView *view() const;
  void setStyle(Style style);
  Style style() const { return style_; }
  static Style nextStyle(Style style);

  // The selected rows (column 0), in list order.
  QModelIndexList selectedRows() const;
  int rowCount() const;

  QTreeView *report;
  QListView *icons;

 public slots:
  // Around a change of the model's rows: the row at the top of the view
  // stays at the top when it is still there.
  void holdTopRow();
  void restoreTopRow();

 signals:
  void selectionChanged();

 private:
  void shareSelection();
  Style style_ = Style::Report;
  QPersistentModelIndex heldTop_;
  int heldTopY_ = 0;
};

}  // namespace pc
