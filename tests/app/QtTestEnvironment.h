// Shared pieces of the widget tests: answering the next modal dialog from
// inside its event loop, waiting for events, and the shipped data files.
// The QApplication itself comes from qtapp_testsupport.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

#include "testsupport/TempDir.h"

namespace testsupport {

// Calls answer with the active modal widget as soon as one is shown.
void whenModalShown(std::function<void(QWidget *)> answer);

// The folder of the shipped data files (data/ of the source tree).
std::filesystem::path sourceDataFolder();

// Runs pending events until done() or the time runs out.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 3000);

}  // namespace testsupport
