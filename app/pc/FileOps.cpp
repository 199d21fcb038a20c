#include "app/pc/FileOps.h"

#include <fcntl.h>
#include <stdio.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "app/pc/FileNames.h"
#include "app/pc/PcKeys.h"
#include "components/base/PendingFile.h"

namespace pc {

using components::MsgKind;

namespace {

constexpr qint64 kChunk = 1024 * 1024;

QString joinPath(const QString &dir, const QString &name) {
  return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

NameTaken takenIn(const QString &dir) {
  return [dir](const QString &name) {
    QFileInfo info(joinPath(dir, name));
    return info.exists() || info.isSymLink();
  };
}

// Bytes and files below a path (a file: itself). Links count as entries of
// no size: they are copied as links.
void measure(const QString &path, qint64 &bytes, int &files) {
  QFileInfo info(path);
  if (info.isSymLink() || !info.isDir()) {
    bytes += info.isSymLink() ? 0 : info.size();
    ++files;
    return;
  }
  QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    QFileInfo entry = it.fileInfo();
    if (entry.isDir() && !entry.isSymLink()) continue;
    bytes += entry.isSymLink() ? 0 : entry.size();
    ++files;
  }
}

}  // namespace

QString nameList(const QStringList &paths) {
  QStringList names;
  for (int i = 0; i < paths.size() && i < 3; ++i) names << QFileInfo(paths[i]).fileName();
  QString list = names.join(QLatin1String(", "));
  if (paths.size() > 3) list += QLatin1String(", ...");
  return list;
}

bool renameNoReplace(const QString &source, const QString &target) {
  QByteArray from = QFile::encodeName(source), to = QFile::encodeName(target);
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without RENAME_NOREPLACE: a link, then the old name goes
  // (files); folders after a check.
  if (QFileInfo(source).isDir()) {
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
      errno = EEXIST;
      return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
  }
  if (::link(from.constData(), to.constData()) != 0) return false;
  return ::unlink(from.constData()) == 0;
}

struct FileOps::Progress {
  components::JobUi *job = nullptr;  // null: no progress window
  QString directory;
  qint64 totalBytes = 0, doneBytes = 0;
  int totalFiles = 0, doneFiles = 0;
  qint64 fileBytes = 0, fileDone = 0;

  void startFile(const QString &name, qint64 size) {
    fileBytes = size;
    fileDone = 0;
    ++doneFiles;
    if (!job) return;
    job->progressLines(directory.toStdString(), name.toStdString());
    show();
  }
  // False when the user cancelled.
  bool advance(qint64 n) {
    fileDone += n;
    doneBytes += n;
    if (!job) return true;
    show();
    job->pump();
    return !job->cancelRequested();
  }
  void show() {
    job->progressCurrent(components::percentOf(double(fileDone), double(fileBytes)),
                         components::kbytesLabel(double(fileDone), double(fileBytes)));
    job->progressTotal(components::percentOf(double(doneBytes), double(totalBytes)),
                       components::fileCountLabel(doneFiles, totalFiles),
                       components::totalKbytesLabel(double(doneBytes), double(totalBytes)));
  }
};

FileOps::FileOps(FileOpsUi &ui) : ui_(ui) {
  moveToTrash = [](const QString &path) { return QFile::moveToTrash(path); };
}

bool FileOps::isBusy(const QString &path) const {
  if (!busyFiles) return false;
  const QString target = canonicalPath(path);
  for (const QString &busy : busyFiles())
    if (!busy.isEmpty() && isSameOrBelow(canonicalPath(busy), target)) return true;
  return false;
}

QStringList FileOps::eraseFiles(const QStringList &paths) {
  QStringList candidates;
  for (const QString &path : paths) {
    if (isBusy(path))
      ui_.message(keys::kKindNotice, keys::kFileBusy, MsgKind::Warning, components::kButtonsOk, nameList({path}));
    else
      candidates << path;
  }
  if (candidates.isEmpty()) return {};
  if (ui_.message(keys::kKindNotice, keys::kTrashFiles, MsgKind::Confirmation, components::kButtonsYesNo,
                  nameList(candidates)) != components::kResultYes)
    return {};

  QStringList gone, failed;
  bool asked = false, permanent = false;
  for (const QString &path : candidates) {
    if (moveToTrash(path)) {
      gone << path;
      continue;
    }
    if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink()) continue;  // gone meanwhile
    if (!asked) {
      asked = true;
      permanent = ui_.message(keys::kKindNotice, keys::kNoTrash, MsgKind::Warning, components::kButtonsYesNo,
                              nameList({path})) == components::kResultYes;
    }
    if (!permanent) continue;
    if (QFile::remove(path))
      gone << path;
    else
      failed << path;
  }
  if (!failed.isEmpty())
    ui_.message(keys::kKindProgram, keys::kDeleteFailed, MsgKind::Error, components::kButtonsOk, nameList(failed));
  return gone;
}

bool FileOps::trashFolder(const QString &path, ProtectedFolders rule) {
  if (busyFiles) rule.busyFiles += busyFiles();
  if (rule.protects(path)) {
    ui_.message(keys::kKindNotice, keys::kFolderProtected, MsgKind::Warning, components::kButtonsOk, path);
    return false;
  }
  if (ui_.message(keys::kKindNotice, keys::kTrashFolder, MsgKind::Confirmation, components::kButtonsYesNo, path) !=
      components::kResultYes)
    return false;
  if (moveToTrash(path)) return true;
  ui_.message(keys::kKindProgram, keys::kTrashFolderFailed, MsgKind::Error, components::kButtonsOk, path);
  return false;
}

QString FileOps::rename(const QString &path, const QString &newName) {
  QFileInfo info(path);
  const QString dir = info.absolutePath();
  const QString oldName = info.fileName();
  switch (renameProblem(oldName, newName, takenIn(dir))) {
    case RenameProblem::Same:
      return path;
    case RenameProblem::Empty:
    case RenameProblem::Slash:
    case RenameProblem::DotName:
      ui_.message(keys::kKindNotice, keys::kNameInvalid, MsgKind::Warning, components::kButtonsOk, newName);
      return {};
    case RenameProblem::Exists:
      ui_.message(keys::kKindNotice, keys::kNameExists, MsgKind::Warning, components::kButtonsOk, newName);
      return {};
    case RenameProblem::None:
      break;
  }
  if (!info.isDir() && !(info.permissions() & QFileDevice::WriteOwner)) {
    ui_.message(keys::kKindNotice, keys::kRenameReadOnly, MsgKind::Warning, components::kButtonsOk, oldName);
    return {};
  }
  const QString target = joinPath(dir, newName);
  if (renameNoReplace(info.absoluteFilePath(), target)) return target;
  bool exists = errno == EEXIST;
  ui_.message(keys::kKindNotice, exists ? keys::kNameExists : keys::kRenameFailed,
              exists ? MsgKind::Warning : MsgKind::Error, components::kButtonsOk, exists ? newName : oldName);
  return {};
}

FileOps::Result FileOps::transfer(const QStringList &sources, const QString &dir, Mode mode) {
  Result result;
  const QString targetDir = canonicalPath(dir);
  std::vector<QString> planned;
  Progress progress;
  progress.directory = targetDir;
  for (const QString &source : sources) {
    QFileInfo info(source);
    if (!info.exists() && !info.isSymLink()) {
      result.failed << source;
      continue;
    }
    const QString canonical = info.isSymLink() ? QDir::cleanPath(info.absoluteFilePath()) : canonicalPath(source);
    // A move onto its own place does nothing.
    if (mode == Mode::Move && canonicalPath(info.absolutePath()) == targetDir) continue;
    if (info.isDir() && !info.isSymLink() && isSameOrBelow(targetDir, canonical)) {
      ui_.message(keys::kKindNotice, keys::kCopyIntoItself, MsgKind::Warning, components::kButtonsOk,
                  info.fileName());
      result.failed << source;
      continue;
    }
    if (mode == Mode::Move && isBusy(source)) {
      ui_.message(keys::kKindNotice, keys::kFileBusy, MsgKind::Warning, components::kButtonsOk, info.fileName());
      result.failed << source;
      continue;
    }
    planned.push_back(source);
    measure(source, progress.totalBytes, progress.totalFiles);
  }

  components::JobUi *job = ui_.job();
  if (job && !planned.empty() && progress.totalBytes >= progressThreshold) {
    progress.job = job;
    job->clearCancel();
    job->progressOpen(job->text(mode == Mode::Copy ? keys::kCopying : keys::kMoving));
  }

  for (const QString &source : planned) {
    QFileInfo info(source);
    const QString name = info.fileName();
    QString target;
    bool done = false;
    if (mode == Mode::Move) {
      // Within a file system a move is a rename; it never replaces.
      for (int attempt = 0; attempt < 3 && !done; ++attempt) {
        target = joinPath(targetDir, collisionFreeName(name, takenIn(targetDir)));
        if (renameNoReplace(source, target))
          done = true;
        else if (errno != EEXIST)
          break;
      }
      if (done) {
        qint64 bytes = 0;
        int files = 0;
        measure(target, bytes, files);
        progress.doneFiles += files;
        if (!progress.advance(bytes)) {
          result.created << target;
          result.cancelled = true;
          break;
        }
        result.created << target;
        continue;
      }
    }
    target = joinPath(targetDir, collisionFreeName(name, takenIn(targetDir)));
    if (!copyEntry(source, target, progress)) {
      result.failed << source;
      if (progress.job && progress.job->cancelRequested()) {
        result.failed.removeLast();
        result.cancelled = true;
        break;
      }
      continue;
    }
    result.created << target;
    if (mode == Mode::Move) {
      // The source goes only now that its copy is complete.
      bool removed = info.isDir() && !info.isSymLink() ? QDir(source).removeRecursively() : QFile::remove(source);
      if (!removed) result.failed << source;
    }
  }
  if (progress.job) progress.job->progressClose();
  if (!result.failed.isEmpty())
    ui_.message(keys::kKindProgram, keys::kCopyFailed, MsgKind::Error, components::kButtonsOk,
                nameList(result.failed));
  return result;
}

bool FileOps::copyEntry(const QString &source, const QString &target, Progress &progress) {
  QFileInfo info(source);
  if (info.isSymLink()) {
    // A link is copied as a link, relative targets as they are.
    progress.startFile(info.fileName(), 0);
    std::error_code ec;
    auto link = std::filesystem::read_symlink(QFile::encodeName(source).toStdString(), ec);
    if (!ec) std::filesystem::create_symlink(link, QFile::encodeName(target).toStdString(), ec);
    return !ec;
  }
  if (!info.isDir()) return copyFile(source, target, progress);

  // A folder: made here, filled, and removed again when anything fails, so
  // that a stopped copy leaves nothing behind.
  if (!QDir().mkdir(target)) return false;
  QFile::setPermissions(target, info.permissions() | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  bool ok = true;
  const QFileInfoList entries =
      QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo &entry : entries) {
    if (!copyEntry(entry.filePath(), joinPath(target, entry.fileName()), progress)) {
      ok = false;
      break;
    }
  }
  if (!ok) QDir(target).removeRecursively();
  return ok;
}

bool FileOps::copyFile(const QString &source, const QString &target, Progress &progress) {
  QFile in(source);
  progress.startFile(QFileInfo(source).fileName(), in.size());
  if (!in.open(QIODevice::ReadOnly)) return false;
  components::PendingFile pending(QFile::encodeName(target).toStdString());
  if (!pending.created()) return false;
  QFile out(QFile::decodeName(pending.path().c_str()));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QByteArray buffer;
  for (;;) {
    buffer = in.read(kChunk);
    if (buffer.isEmpty()) break;
    if (out.write(buffer) != buffer.size()) return false;
    if (!progress.advance(buffer.size())) return false;
  }
  if (in.error() != QFileDevice::NoError || !out.flush()) return false;
  out.close();
  if (out.error() != QFileDevice::NoError) return false;
  out.setPermissions(in.permissions());
  // The copy keeps the time of its source, as the shell's copy does.
  std::error_code ec;
  auto modified = std::filesystem::last_write_time(QFile::encodeName(source).toStdString(), ec);
  if (!ec) std::filesystem::last_write_time(pending.path(), modified, ec);
  return pending.commit();
}

}  // namespace pc
