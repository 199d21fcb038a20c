#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Bytes.h"
#include "app/dnd/DragMimeData.h"
#include "app/dnd/DragStart.h"

using namespace app::dnd;
using dndtest::u32At;

namespace {

TEST(DragStart, ThePointerMustLeaveTheZoneInOneDirection) {
  struct Case {
    DragSource source;
    QPoint press, pointer;
    bool starts;
  } cases[] = {
      {DragSource::PcFileList, {100, 100}, {109, 100}, false},
      {DragSource::PcFileList, {100, 100}, {110, 100}, true},
      {DragSource::PcFileList, {100, 100}, {91, 91}, false},
      {DragSource::PcFileList, {100, 100}, {109, 109}, false},
      {DragSource::PcFileList, {100, 100}, {100, 90}, true},
      {DragSource::PcFileList, {100, 100}, {109, 110}, true},
      {DragSource::PcFileList, {0, 0}, {-10, 3}, true},
      {DragSource::RecordingList, {100, 100}, {101, 101}, false},
      {DragSource::RecordingList, {100, 100}, {102, 100}, true},
      {DragSource::RecordingList, {100, 100}, {100, 98}, true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(dragStarts(c.source, Qt::LeftButton, Qt::NoModifier, c.press, c.pointer, 1), c.starts)
        << (c.source == DragSource::PcFileList ? "PC list " : "recording list ") << c.pointer.x() << ","
        << c.pointer.y();
  }
}

TEST(DragStart, OnlyExactlyTheLeftOrTheRightButtonWithoutModifiers) {
  struct Case {
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    bool starts;
  } cases[] = {
      {Qt::LeftButton, Qt::NoModifier, true},
      {Qt::RightButton, Qt::NoModifier, true},
      {Qt::LeftButton, Qt::KeypadModifier, true},
      {Qt::NoButton, Qt::NoModifier, false},
      {Qt::MiddleButton, Qt::NoModifier, false},
      {Qt::LeftButton | Qt::RightButton, Qt::NoModifier, false},
      {Qt::LeftButton | Qt::MiddleButton, Qt::NoModifier, false},
      {Qt::LeftButton, Qt::ShiftModifier, false},
      {Qt::RightButton, Qt::ControlModifier, false},
      {Qt::LeftButton, Qt::AltModifier, false},
      {Qt::LeftButton, Qt::MetaModifier, false},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(dragStarts(DragSource::PcFileList, c.buttons, c.modifiers, {0, 0}, {50, 0}, 1), c.starts)
        << "buttons " << c.buttons.toInt() << " modifiers " << c.modifiers.toInt();
  }
  EXPECT_FALSE(dragStarts(DragSource::PcFileList, Qt::LeftButton, Qt::NoModifier, {0, 0}, {50, 0}, 0))
      << "nothing selected";
}

TEST(DragStart, SixHundredFilesGiveFiveHundredSelectionEntriesAndSixHundredInTheData) {
  // The list's selection arrives in no particular order.
  std::vector<ListItem> selected;
  for (int i = 0; i < 600; ++i) selected.emplace_back(i * 2 + 1, "file" + std::to_string(i * 2 + 1) + ".wav");
  std::shuffle(selected.begin(), selected.end(), std::mt19937(417));

  PcDrag drag = pcDragFromSelection(selected, 6);
  ASSERT_EQ(drag.selection.items.size(), 500u);
  for (size_t i = 0; i < 500; ++i) {
    int index = static_cast<int>(i) * 2 + 1;
    ASSERT_EQ(drag.selection.items[i], (ListItem{index, "file" + std::to_string(index) + ".wav"})) << i;
  }
  EXPECT_EQ(drag.selection.sourceFolder, 0);
  EXPECT_EQ(drag.selection.folderAtStart, 6);
  ASSERT_EQ(drag.names.size(), 600u);
  EXPECT_EQ(drag.names.front(), "file1.wav");
  EXPECT_EQ(drag.names.back(), "file1199.wav");

  std::vector<DragFile> files;
  for (const std::string &name : drag.names) files.push_back({name, kFileAttributeArchive});
  auto mime = pcDragMimeData("/home/u/VoiceData", files);

  QByteArray fgd = mime->data(kFileGroupDescriptorMime);
  EXPECT_EQ(u32At(fgd, 0), 600u);
  EXPECT_EQ(fgd.size(), 4 + 600 * 332);
  EXPECT_EQ(std::string(fgd.constData() + 4 + 599 * 332 + 72), "/home/u/VoiceData/file1199.wav");

  QByteArray drop = mime->data(kFileDropMime);
  QList<QByteArray> paths = drop.mid(20).split('\0');
  ASSERT_EQ(paths.size(), 602) << "600 paths, the final zero, and the end";
  EXPECT_EQ(paths[599], "/home/u/VoiceData/file1199.wav");
  EXPECT_TRUE(paths[600].isEmpty() && paths[601].isEmpty());

  ASSERT_EQ(mime->urls().size(), 600);
  EXPECT_EQ(mime->urls().back().toLocalFile(), "/home/u/VoiceData/file1199.wav");
}

TEST(DragStart, FewerThanFiveHundredAreAllInTheSelection) {
  PcDrag drag = pcDragFromSelection({{3, "c.wav"}, {0, "a.wav"}}, 1);
  EXPECT_EQ(drag.selection.items, (std::vector<ListItem>{{0, "a.wav"}, {3, "c.wav"}}));
  EXPECT_EQ(drag.names, (std::vector<std::string>{"a.wav", "c.wav"}));
}

}  // namespace
