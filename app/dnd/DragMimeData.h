// The data a drag from the PC file list offers: the file URLs for Linux file
// managers and mail clients, the three Windows shell formats under Qt's
// Windows format names, and a marker the program's own drop targets know.
//
// On Linux Qt passes the windows-mime names through as plain MIME types. On
// Windows Qt registers each value as a clipboard format by name; the native
// file drop format (CF_HDROP, 15) is the one Qt makes from text/uri-list, so
// the bytes under kFileDropMime reach Windows as format 15 only through a
// converter of the Windows build.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <string_view>
#include <vector>

#include "app/dnd/DragFormats.h"

namespace app::dnd {

inline constexpr char kUriListMime[] = "text/uri-list";
inline constexpr char kShellIdListMime[] = "application/x-qt-windows-mime;value=\"Shell IDList Array\"";
inline constexpr char kFileGroupDescriptorMime[] = "application/x-qt-windows-mime;value=\"FileGroupDescriptor\"";
inline constexpr char kFileDropMime[] = "application/x-qt-windows-mime;value=\"CF_HDROP\"";
// Present, with empty data, on every drag that starts in the PC list.
inline constexpr char kPcDragMarkerMime[] = "application/x-quillorn-drag";

struct WindowsDragFormats {
  QByteArray shellIdList;
  QByteArray fileGroupDescriptor;
  QByteArray fileDrop;
};

WindowsDragFormats windowsDragFormats(std::string_view dir, const std::vector<DragFile> &files);

// The URL of every file, in order.
QList<QUrl> dragUrls(std::string_view dir, const std::vector<DragFile> &files);

// The drag's data: the URLs, the Windows formats in the order Shell IDList
// Array, FileGroupDescriptor, file drop list, then the marker. A format
// without bytes (the Shell IDList Array where no shell parses the folder)
// is left out rather than offered empty, since a reader would take empty
// data for a damaged one.
std::unique_ptr<QMimeData> pcDragMimeData(const QList<QUrl> &urls, const WindowsDragFormats &formats);
std::unique_ptr<QMimeData> pcDragMimeData(std::string_view dir, const std::vector<DragFile> &files);

// True when the data comes from a drag that started in the PC list.
bool isPcDrag(const QMimeData *mime);

}  // namespace app::dnd
