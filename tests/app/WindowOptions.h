// The start-up options of a window test: every folder below the test's own,
// the shipped texts, the in-process recorder, no error boxes at start-up.
#pragma once

#include <filesystem>

#include "QtTestEnvironment.h"
#include "app/Startup.h"
#include "recorder/FlashIo.h"

namespace testsupport {

inline app::StartupOptions windowTestOptions(const std::filesystem::path &dir, recorder::FlashIo &io) {
  app::StartupOptions o;
  o.instanceName = QString::fromStdString((dir / "Q417").string());
  o.programDir = dir / "bin";
  o.dataHome = dir / "data-home";
  o.iniFolders = {sourceDataFolder()};
  o.io = &io;
  o.closeHandle = [](Q417Handle) {};
  o.reportError = [](const QString &, const QString &) {};
  return o;
}

}  // namespace testsupport
