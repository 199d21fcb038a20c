#include "app/dnd/DragMimeData.h"

#include <QFile>
#include <QString>
#include <string>

namespace app::dnd {

WindowsDragFormats windowsDragFormats(std::string_view dir, const std::vector<DragFile> &files) {
  return {ShellIDListFromSelectedFiles(dir, files), FileGroupDescriptorFromSelectedFiles(dir, files),
          HDROPFromSelectedFiles(dir, files)};
}

QList<QUrl> dragUrls(std::string_view dir, const std::vector<DragFile> &files) {
  QList<QUrl> urls;
  urls.reserve(static_cast<qsizetype>(files.size()));
  for (const DragFile &file : files) {
    std::string path = joinDragPath(dir, file.name);
    // decodeName keeps names that are not valid UTF-8 reachable.
    urls.append(QUrl::fromLocalFile(QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())))));
  }
  return urls;
}

std::unique_ptr<QMimeData> pcDragMimeData(const QList<QUrl> &urls, const WindowsDragFormats &formats) {
  auto mime = std::make_unique<QMimeData>();
  mime->setUrls(urls);
  const std::pair<const char *, const QByteArray *> windows[] = {
      {kShellIdListMime, &formats.shellIdList},
      {kFileGroupDescriptorMime, &formats.fileGroupDescriptor},
      {kFileDropMime, &formats.fileDrop},
  };
  for (const auto &[name, bytes] : windows)
    if (!bytes->isEmpty()) mime->setData(QString::fromLatin1(name), *bytes);
  mime->setData(QString::fromLatin1(kPcDragMarkerMime), QByteArray());
  return mime;
}

std::unique_ptr<QMimeData> pcDragMimeData(std::string_view dir, const std::vector<DragFile> &files) {
  return pcDragMimeData(dragUrls(dir, files), windowsDragFormats(dir, files));
}

bool isPcDrag(const QMimeData *mime) { return mime && mime->hasFormat(QString::fromLatin1(kPcDragMarkerMime)); }

}  // namespace app::dnd
