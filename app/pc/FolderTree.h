// The PC browser's folder tree. Its current folder moves for two reasons:
// the user clicks or keys in it, or its model changes under it (a folder
// beside the current one appears or goes away and the rows are sorted
// again). Only the first may move the file list; userMoving tells them
// apart.
#pragma once

#include <QTreeView>

namespace pc {

class FolderTree : public QTreeView {
 public:
  using QTreeView::QTreeView;

  // A mouse button or key of the user is being handled now.
  bool userMoving() const { return userInput_ > 0; }

 protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

 private:
  int userInput_ = 0;
};

}  // namespace pc
