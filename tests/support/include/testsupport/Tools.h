// The programs the test fixtures are made with (sox, lame, espeak-ng,
// mpg123): scripts/setup installs them, so a missing one fails the test.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace testsupport {

// The program's full path from PATH, or nothing.
std::optional<std::filesystem::path> findTool(const std::string &name);

struct MissingTool : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The program's full path; throws MissingTool, which fails the test with a
// message naming the program, when it is not installed.
std::filesystem::path requireTool(const std::string &name);

}  // namespace testsupport
