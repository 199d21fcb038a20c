// The PC browser's file operations: erase to the trash, delete a folder of
// the tree, rename, and the copies and moves of paste and drop. They ask
// and report through FileOpsUi, so that the window shows Ext_MessageBox and
// the progress window while tests answer the questions themselves.
//
// What they keep to:
// - Nothing is deleted without a question. Erase moves files to the trash;
//   where that is not possible it says so and asks before it deletes
//   permanently. A folder of the tree only ever goes to the trash.
// - A rename never replaces an existing entry; a name with "/" is refused.
// - A copy that collides is named as file managers do ("name (2).ext"); a
//   file gets its name only when it is complete; a move removes its source
//   only after the copy is complete; a move onto its own place does nothing.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>

#include "app/pc/ProtectedFolders.h"
#include "components/JobUi.h"

namespace pc {

class FileOpsUi {
 public:
  virtual ~FileOpsUi() = default;
  // Ext_MessageBox: caption and text are keys; name (a file, a folder or a
  // list of names), when given, goes before the text. Returns the button.
  virtual int message(std::string_view captionKey, std::string_view textKey, components::MsgKind kind, int buttons,
                      const QString &name) = 0;
  // The progress window, event pumping and the cancel flag of long copies;
  // null: copies run without a progress window.
  virtual components::JobUi *job() = 0;
};

class FileOps {
 public:
  explicit FileOps(FileOpsUi &ui);

  // Moves a file or folder to the trash (QFile::moveToTrash); false when
  // there is no trash for it or the move fails.
  std::function<bool(const QString &path)> moveToTrash;
  // The files that play or record: never erased or moved away.
  std::function<QStringList()> busyFiles;
  // A transfer of at least this many bytes runs in the progress window.
  qint64 progressThreshold = 4 * 1024 * 1024;

  // Erase in the file list. Returns the paths that are gone.
  QStringList eraseFiles(const QStringList &paths);
  // Delete in the folder tree: refused for protected folders (the busy
  // files are added to the rule); true when the folder went to the trash.
  bool trashFolder(const QString &path, ProtectedFolders rule);
  // Renames in place: the new path; the old one when the name is the same;
  // empty when refused or failed (the user has been told why).
  QString rename(const QString &path, const QString &newName);

  enum class Mode { Copy, Move };
  struct Result {
    QStringList created;  // the new paths, in the order of the sources
    QStringList failed;   // sources that were not copied or moved
    bool cancelled = false;
  };
  // Paste and drop: copies or moves files and folders into dir.
  Result transfer(const QStringList &sources, const QString &dir, Mode mode);

 private:
  struct Progress;
  bool copyEntry(const QString &source, const QString &target, Progress &progress);
  bool copyFile(const QString &source, const QString &target, Progress &progress);
  bool isBusy(const QString &path) const;

  FileOpsUi &ui_;
};

// Names for the text before a question: up to three, then "...".
QString nameList(const QStringList &paths);

// rename(2) that never replaces: false with errno EEXIST when target exists.
bool renameNoReplace(const QString &source, const QString &target);

}  // namespace pc
