// The "Drives" level: which volumes it lists, and one level up.
#include <gtest/gtest.h>

#include "app/pc/Drives.h"

namespace {

TEST(Drives, OnlyRealFileSystemsAreListed) {
  struct Case {
    const char *type, *device;
    bool real;
  } cases[] = {
      {"ext4", "/dev/sda1", true},      {"vfat", "/dev/sdb1", true},     {"fuseblk", "/dev/sdc1", true},
      {"nfs4", "server:/export", true}, {"cifs", "//host/share", true},  {"tmpfs", "tmpfs", false},
      {"tmpfs", "/dev/shm", false},     {"overlay", "overlay", false},   {"proc", "proc", false},
      {"squashfs", "/dev/loop3", false}, {"devtmpfs", "udev", false},    {"fuse.gvfsd-fuse", "gvfsd-fuse", false},
      {"cgroup2", "cgroup2", false},
  };
  for (const Case &c : cases) EXPECT_EQ(pc::isRealFileSystem(c.type, c.device), c.real) << c.type << " " << c.device;
}

TEST(Drives, EntriesAreRootHomeThenVolumesByPath) {
  std::vector<pc::Volume> volumes = {
      {"/media/stick", "vfat", "/dev/sdb1", "STICK", 1000, 500},
      {"/", "ext4", "/dev/sda1", "", 9000, 100},
      {"/dev/shm", "tmpfs", "tmpfs", "", 10, 10},
      {"/home/ann", "ext4", "/dev/sda2", "", 5, 1},
      {"/data", "ext4", "/dev/sdc1", "", 7, 2},
      {"/data", "ext4", "/dev/sdc1", "", 7, 2},
  };
  auto entries = pc::driveEntries("/home/ann", volumes);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].kind, pc::DriveEntry::Kind::Root);
  EXPECT_EQ(entries[0].path, "/");
  EXPECT_EQ(entries[0].bytesTotal, 9000);
  EXPECT_EQ(entries[1].kind, pc::DriveEntry::Kind::Home);
  EXPECT_EQ(entries[1].path, "/home/ann");
  EXPECT_EQ(entries[2].path, "/data");
  EXPECT_EQ(entries[3].path, "/media/stick");
  EXPECT_EQ(entries[3].label, "STICK");
}

TEST(Drives, OneLevelUpFromAVolumeRootReachesDrives) {
  auto drives = pc::driveEntries("/home/ann", {{"/", "ext4", "/dev/sda1", "", 1, 1},
                                               {"/media/stick", "vfat", "/dev/sdb1", "", 1, 1},
                                               {"/tmp", "tmpfs", "tmpfs", "", 1, 1}});
  struct Case {
    QString dir, up;
  } cases[] = {
      {"/", ""},
      {"/media/stick", ""},           // a volume's root
      {"/media/stick/", ""},
      {"/media/stick/music", "/media/stick"},
      {"/media", "/"},
      {"/home/ann", "/home"},         // the home folder is no volume
      {"/tmp", "/"},                  // nor a memory file system
      {"/tmp/x", "/tmp"},
  };
  for (const Case &c : cases) EXPECT_EQ(pc::levelUp(c.dir, drives), c.up) << c.dir.toStdString();
}

}  // namespace
