#include "app/pc/FolderTree.h"

namespace pc {

namespace {
struct Marked {
  explicit Marked(int &count) : count(count) { ++count; }
  ~Marked() { --count; }
  int &count;
};
}  // namespace

void FolderTree::mousePressEvent(QMouseEvent *event) {
  Marked marked(userInput_);
  QTreeView::mousePressEvent(event);
}

void FolderTree::mouseReleaseEvent(QMouseEvent *event) {
  Marked marked(userInput_);
  QTreeView::mouseReleaseEvent(event);
}

void FolderTree::mouseDoubleClickEvent(QMouseEvent *event) {
  Marked marked(userInput_);
  QTreeView::mouseDoubleClickEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent *event) {
  Marked marked(userInput_);
  QTreeView::keyPressEvent(event);
}

}  // namespace pc
