// Programs run by tests: a shell command run to its end with its output
// collected, or a program started in the background and stopped by a signal.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  int status = -1;     // the exit status; -1 when it did not exit by itself or did not start
  std::string output;  // standard output, with standard error unless kept apart
  std::string errors;  // standard error when kept apart
  bool ok() const { return status == 0; }
};

enum class ErrorOutput { Merged, Apart };

// Runs command with /bin/sh -c and waits for it; standard input is the
// test's own.
ProcessResult runCommand(const std::string &command, ErrorOutput errorOutput = ErrorOutput::Merged);

// A program (looked up in PATH) started in the background with its output
// discarded; environment entries NAME=VALUE are added to the test's own.
// The destructor kills a program still running.
class Process {
 public:
  explicit Process(const std::vector<std::string> &argv, const std::vector<std::string> &environment = {});
  ~Process();
  Process(const Process &) = delete;
  Process &operator=(const Process &) = delete;

  bool started() const { return started_; }
  void signal(int number);
  // Waits for the end; the exit status, -1 when it did not exit by itself.
  int wait();

 private:
  pid_t pid_ = -1;  // until waited for
  bool started_ = false;
  int status_ = -1;
};

}  // namespace testsupport
