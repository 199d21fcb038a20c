// What a window test starts from: an in-process recorder formatted and
// filled, and the start-up options (every folder below the test's own, the
// shipped texts, that recorder, no error boxes at start-up).
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "QtTestEnvironment.h"
#include "app/Startup.h"
#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/FlashIo.h"
#include "recorder/jobs/DefaultImage.h"
#include "testsupport/MemoryFlashIo.h"

namespace testsupport {

// Formats the recorder, writes the files and plugs it in; the job's error
// when that failed, else empty.
inline std::string fillRecorder(q417io::Flash &flash, recorder::MemoryFlashIo &memory,
                                const std::vector<recorder::jobs::PlacedFile> &files) {
  components::ScriptedJobUi ui;
  std::string error;
  if (!recorder::jobs::formatAndFill(memory, ui, files, &error)) return error.empty() ? "format failed" : error;
  memory.setDeviceHandle(-1);
  flash.reconnect();
  return {};
}

// Small text files in dir, each "contents of NAME", placed in folder A.
inline std::vector<recorder::jobs::PlacedFile> textFilesInFolderA(const std::filesystem::path &dir,
                                                                  const std::vector<std::string> &names) {
  std::vector<recorder::jobs::PlacedFile> files;
  for (const std::string &name : names) {
    std::ofstream(dir / name) << "contents of " << name;
    files.push_back({1, dir / name});
  }
  return files;
}

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
