// Shared pieces of the widget tests: a temporary folder, and answering the
// next modal dialog from inside its event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path &path() const { return path_; }
  std::filesystem::path write(const std::string &name, const std::string &bytes) const;

 private:
  std::filesystem::path path_;
};

// Calls answer with the active modal widget as soon as one is shown.
void whenModalShown(std::function<void(QWidget *)> answer);

// The folder of the shipped data files (data/ of the source tree).
std::filesystem::path sourceDataFolder();

// Runs pending events until done() or the time runs out.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 3000);

}  // namespace testsupport
