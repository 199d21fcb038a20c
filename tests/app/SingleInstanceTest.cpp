#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QSignalSpy>

#include "QtTestEnvironment.h"
#include "app/SingleInstance.h"

using testsupport::TempDir;

namespace {

QString socketIn(const TempDir &dir) { return QString::fromStdString((dir.path() / "Q417").string()); }

TEST(SingleInstance, SecondCopyIsRefusedAndRaisesTheFirst) {
  TempDir dir;
  app::SingleInstance first(socketIn(dir));
  ASSERT_FALSE(first.DoInstanceExist());
  EXPECT_TRUE(first.listening());
  QSignalSpy raised(&first, &app::SingleInstance::raiseRequested);

  app::SingleInstance second(socketIn(dir));
  EXPECT_TRUE(second.DoInstanceExist());
  EXPECT_FALSE(second.listening());
  EXPECT_TRUE(testsupport::waitUntil([&] { return raised.count() == 1; }));

  // The live copy's socket survives the check: a third start is refused too.
  app::SingleInstance third(socketIn(dir));
  EXPECT_TRUE(third.DoInstanceExist());
  EXPECT_TRUE(testsupport::waitUntil([&] { return raised.count() == 2; }));
}

TEST(SingleInstance, StaleSocketOfAKilledCopyDoesNotBlockTheNextStart) {
  TempDir dir;
  // What a copy killed with -9 leaves behind: a socket file nobody listens on.
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = socketIn(dir).toStdString();
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_TRUE(std::filesystem::exists(path));

  app::SingleInstance next(socketIn(dir));
  EXPECT_FALSE(next.DoInstanceExist());
  EXPECT_TRUE(next.listening());
}

TEST(SingleInstance, GarbageFromAClientRaisesNothing) {
  TempDir dir;
  app::SingleInstance first(socketIn(dir));
  ASSERT_FALSE(first.DoInstanceExist());
  QSignalSpy raised(&first, &app::SingleInstance::raiseRequested);
  QLocalSocket client;
  client.connectToServer(socketIn(dir));
  ASSERT_TRUE(client.waitForConnected(1000));
  client.write("hello\nraise now\nraise\n");
  client.waitForBytesWritten(1000);
  client.disconnectFromServer();
  // Only the one well-formed request, read after the others, raises.
  EXPECT_TRUE(testsupport::waitUntil([&] { return raised.count() >= 1; }));
  EXPECT_EQ(raised.count(), 1);
}

}  // namespace
