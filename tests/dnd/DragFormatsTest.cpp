#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QString>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Bytes.h"
#include "app/dnd/DragFormats.h"

namespace fs = std::filesystem;
using namespace app::dnd;
using dndtest::bytesAt;
using dndtest::cStringAt;
using dndtest::u32At;

namespace {

struct Folder {
  std::string dir;
  std::string joined;  // the full path of "a.wav" in dir
};

const Folder kFolders[] = {
    {"/home/u/VoiceData", "/home/u/VoiceData/a.wav"},
    {"/home/u/VoiceData/", "/home/u/VoiceData/a.wav"},
    {"/", "/a.wav"},
};

const std::vector<DragFile> kFiles = {
    {"a.wav", kFileAttributeArchive},
    {".memo 1.DVG", kFileAttributeArchive | kFileAttributeHidden | kFileAttributeReadOnly},
    {"r\xC3\xA9union.mp3", kFileAttributeNormal},
};

TEST(FileGroupDescriptor, CountThenOneZeroedDescriptorPerFileWithFlagsAttributesAndPath) {
  for (const Folder &folder : kFolders) {
    SCOPED_TRACE(folder.dir);
    QByteArray fgd = FileGroupDescriptorFromSelectedFiles(folder.dir, kFiles);
    ASSERT_EQ(fgd.size(), 4 + 3 * 332);
    EXPECT_EQ(u32At(fgd, 0), 3u);
    for (size_t i = 0; i < kFiles.size(); ++i) {
      qsizetype base = 4 + static_cast<qsizetype>(i) * 332;
      EXPECT_EQ(u32At(fgd, base + 0), 4u) << "attributes valid";
      EXPECT_EQ(u32At(fgd, base + 36), kFiles[i].attributes);
      std::string path = cStringAt(fgd, base + 72);
      EXPECT_EQ(path, joinDragPath(folder.dir, kFiles[i].name));
      // Every other byte of the descriptor is zero.
      for (qsizetype at = 0; at < 332; ++at) {
        bool field = at < 4 || (at >= 36 && at < 40) || (at >= 72 && at < 72 + static_cast<qsizetype>(path.size()));
        if (!field) {
          ASSERT_EQ(fgd.at(base + at), '\0') << "descriptor " << i << " offset " << at;
        }
      }
    }
    EXPECT_EQ(cStringAt(fgd, 4 + 72), folder.joined);
  }
  EXPECT_EQ(FileGroupDescriptorFromSelectedFiles("/x", {}), QByteArray(4, '\0'));
}

TEST(FileGroupDescriptor, APathLongerThanTheFieldIsCutAtACharacterBoundaryAndKeepsItsTerminator) {
  const std::string dir = "/d";  // the path is "/d/" + name
  struct Case {
    const char *what;
    std::string name;
    size_t kept;  // bytes of the path in the field
  };
  const std::string e2 = "\xC3\xA9";              // 2 bytes
  const std::string e3 = "\xE2\x82\xAC";          // 3 bytes
  const std::string e4 = "\xF0\x9F\x98\x80";      // 4 bytes
  const Case cases[] = {
      {"exactly 259 bytes fit", std::string(256, 'a'), 259},
      {"ASCII is cut at 259", std::string(400, 'a'), 259},
      {"2-byte character over the edge", std::string(255, 'a') + e2 + "tail", 258},
      {"2-byte character ending at the edge", std::string(254, 'a') + e2 + "tail", 259},
      {"3-byte character over the edge", std::string(254, 'a') + e3 + "tail", 257},
      {"4-byte character over the edge", std::string(253, 'a') + e4 + "tail", 256},
      {"only multi-byte characters", [&] {
         std::string s;
         for (int i = 0; i < 100; ++i) s += e3;
         return s;
       }(),
       3 + 85 * 3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<DragFile> files = {{c.name, kFileAttributeArchive}, {"next.wav", kFileAttributeReadOnly}};
    QByteArray fgd = FileGroupDescriptorFromSelectedFiles(dir, files);
    ASSERT_EQ(fgd.size(), 4 + 2 * 332);
    std::string field = bytesAt(fgd, 4 + 72, 260);
    std::string kept = cStringAt(fgd, 4 + 72);
    EXPECT_EQ(kept.size(), c.kept);
    EXPECT_EQ(kept, ("/d/" + c.name).substr(0, c.kept));
    EXPECT_EQ(field.find_first_not_of('\0', kept.size()), std::string::npos) << "zero to the field's end";
    EXPECT_EQ(QString::fromUtf8(kept).toUtf8().toStdString(), kept) << "whole UTF-8 characters";
    // The next descriptor is untouched.
    EXPECT_EQ(u32At(fgd, 4 + 332), 4u);
    EXPECT_EQ(u32At(fgd, 4 + 332 + 36), kFileAttributeReadOnly);
    EXPECT_EQ(cStringAt(fgd, 4 + 332 + 72), "/d/next.wav");
  }
}

TEST(FileDropList, HeaderOfTwentyBytesThenEachPathWithOneZeroThenAFinalZero) {
  for (const Folder &folder : kFolders) {
    SCOPED_TRACE(folder.dir);
    QByteArray drop = HDROPFromSelectedFiles(folder.dir, kFiles);
    EXPECT_EQ(u32At(drop, 0), 20u) << "offset of the list";
    EXPECT_EQ(u32At(drop, 4), 0u) << "drop point x";
    EXPECT_EQ(u32At(drop, 8), 0u) << "drop point y";
    EXPECT_EQ(u32At(drop, 12), 0u) << "non-client flag";
    EXPECT_EQ(u32At(drop, 16), 0u) << "wide flag: narrow names";
    QByteArray list;
    for (const DragFile &f : kFiles) {
      std::string path = joinDragPath(folder.dir, f.name);
      list.append(path.data(), static_cast<qsizetype>(path.size()));
      list.append('\0');
    }
    list.append('\0');
    EXPECT_EQ(drop.mid(20), list);
    EXPECT_EQ(cStringAt(drop, 20), folder.joined);
  }
  EXPECT_EQ(HDROPFromSelectedFiles("/x", {}), QByteArray::fromHex("14000000" "00000000" "00000000" "00000000" "00000000" "00"));
}

TEST(ShellIdList, EmptyOnLinuxAndPackedWithOffsetsFromItemIdLists) {
  EXPECT_TRUE(ShellIDListFromSelectedFiles("/home/u/VoiceData", kFiles).isEmpty());

  // Two item lists under a folder list; each list ends in its 2-byte zero.
  const QByteArray folder = QByteArray::fromHex("0500AABBCC" "0000");   // 7 bytes
  const QByteArray a = QByteArray::fromHex("0300DD" "0000");            // 5 bytes
  const QByteArray b = QByteArray::fromHex("0400EEFF" "0000");          // 6 bytes
  QByteArray cida = ShellIDListArray(folder, {a, b});
  ASSERT_EQ(cida.size(), 4 + 3 * 4 + 7 + 5 + 6 + 1);
  EXPECT_EQ(u32At(cida, 0), 2u);
  EXPECT_EQ(u32At(cida, 4), 16u) << "4N + 8";
  EXPECT_EQ(u32At(cida, 8), 16u + 7);
  EXPECT_EQ(u32At(cida, 12), 16u + 7 + 5);
  EXPECT_EQ(cida.mid(16, 7), folder);
  EXPECT_EQ(cida.mid(23, 5), a);
  EXPECT_EQ(cida.mid(28, 6), b);
  EXPECT_EQ(cida.back(), '\0');

  EXPECT_TRUE(ShellIDListArray(folder, {QByteArray::fromHex("0300DD")}).isEmpty()) << "unterminated list";
  EXPECT_TRUE(ShellIDListArray(QByteArray(), {a}).isEmpty());
}

TEST(FileAttributes, LinuxFactsMapToWindowsBits) {
  using fs::file_type;
  using fs::perms;
  const perms rw = perms::owner_read | perms::owner_write | perms::group_read;
  const perms ro = perms::owner_read | perms::group_write | perms::others_write;  // others' write is not the owner's
  struct Case {
    const char *name;
    file_type type;
    perms p;
    std::uint32_t bits;
  } cases[] = {
      {"a.wav", file_type::regular, rw, kFileAttributeArchive},
      {"a.wav", file_type::regular, ro, kFileAttributeArchive | kFileAttributeReadOnly},
      {".a.wav", file_type::regular, rw, kFileAttributeArchive | kFileAttributeHidden},
      {"VoiceData", file_type::directory, rw, kFileAttributeDirectory},
      {".cache", file_type::directory, ro, kFileAttributeDirectory | kFileAttributeHidden | kFileAttributeReadOnly},
      {"pipe", file_type::fifo, rw, kFileAttributeNormal},
      {"pipe", file_type::fifo, ro, kFileAttributeReadOnly},
  };
  for (const Case &c : cases)
    EXPECT_EQ(windowsAttributes(c.name, c.type, c.p), c.bits) << c.name << " " << static_cast<int>(c.p);
}

TEST(FileAttributes, ReadFromTheFilesOnDisk) {
  char pattern[] = "/tmp/dnd-test-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  std::ofstream(dir + "/a.wav") << "x";
  std::ofstream(dir + "/.hidden.dvg") << "x";
  std::ofstream(dir + "/locked.wav") << "x";
  fs::permissions(dir + "/locked.wav", fs::perms::owner_read | fs::perms::group_read);
  fs::create_directory(dir + "/sub");
  fs::create_symlink(dir + "/gone", dir + "/dangling");

  std::vector<DragFile> files = dragFilesIn(dir, {"a.wav", ".hidden.dvg", "locked.wav", "sub", "dangling", "missing"});
  std::vector<std::uint32_t> bits;
  for (const DragFile &f : files) bits.push_back(f.attributes);
  EXPECT_EQ(files[2].name, "locked.wav");
  EXPECT_EQ(bits, (std::vector<std::uint32_t>{kFileAttributeArchive, kFileAttributeArchive | kFileAttributeHidden,
                                              kFileAttributeArchive | kFileAttributeReadOnly, kFileAttributeDirectory,
                                              kFileAttributeNormal, kFileAttributeNormal}));
  fs::remove_all(dir);
}

}  // namespace
