#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <vector>

#include "app/dnd/DragMimeData.h"

using namespace app::dnd;

namespace {

const std::vector<DragFile> kFiles = {
    {"a.wav", kFileAttributeArchive},
    {"r\xC3\xA9union 2.dvg", kFileAttributeArchive | kFileAttributeReadOnly},
};

TEST(DragMimeData, CarriesTheUrlsTheWindowsFormatsAndTheMarker) {
  const std::string dir = "/home/u/Voice Data/";
  auto mime = pcDragMimeData(dir, kFiles);

  EXPECT_EQ(mime->urls(), (QList<QUrl>{QUrl::fromLocalFile("/home/u/Voice Data/a.wav"),
                                       QUrl::fromLocalFile(QString::fromUtf8("/home/u/Voice Data/r\xC3\xA9union 2.dvg"))}));
  EXPECT_EQ(mime->data(kFileGroupDescriptorMime), FileGroupDescriptorFromSelectedFiles(dir, kFiles));
  EXPECT_EQ(mime->data(kFileDropMime), HDROPFromSelectedFiles(dir, kFiles));
  EXPECT_FALSE(mime->hasFormat(kShellIdListMime)) << "no shell parses the folder on Linux; not offered empty";
  EXPECT_TRUE(mime->hasFormat(kPcDragMarkerMime));
  EXPECT_TRUE(mime->data(kPcDragMarkerMime).isEmpty());
  EXPECT_TRUE(isPcDrag(mime.get()));
}

TEST(DragMimeData, OffersTheShellFormatsInTheirOrderWhenTheyHaveBytes) {
  WindowsDragFormats formats{"shell", "descriptor", "drop"};
  auto mime = pcDragMimeData(QList<QUrl>{QUrl::fromLocalFile("/x/a.wav")}, formats);
  EXPECT_EQ(mime->formats(), (QStringList{kUriListMime, kShellIdListMime, kFileGroupDescriptorMime, kFileDropMime,
                                          kPcDragMarkerMime}));
  EXPECT_EQ(mime->data(kShellIdListMime), "shell");
  EXPECT_EQ(mime->data(kFileGroupDescriptorMime), "descriptor");
  EXPECT_EQ(mime->data(kFileDropMime), "drop");
}

TEST(DragMimeData, TheMarkerTellsAPcDragFromOtherDrags) {
  QMimeData fileManager;
  fileManager.setUrls({QUrl::fromLocalFile("/x/a.wav")});
  QMimeData recorderDrag;
  recorderDrag.setData("application/x-quillorn-recorder-drag", "3");
  EXPECT_FALSE(isPcDrag(&fileManager));
  EXPECT_FALSE(isPcDrag(&recorderDrag));
  EXPECT_FALSE(isPcDrag(nullptr));
}

}  // namespace
