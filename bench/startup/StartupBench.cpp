// Start-up benchmark: starts quillorn --startup-probe and the peer program
// alternately, offscreen, and measures the wall time from the spawn to the
// "shown" line each prints at its main window's first paint. Prints the
// medians and their ratio.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "q417io/Flash.h"

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from the spawn to the "shown" line; negative on failure.
double timeToShown(const char *program, const std::vector<std::string> &extraArgs) {
  int out[2];
  if (::pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  // Qt's warnings of a headless run are of no interest here.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char *> argv{const_cast<char *>(program)};
  for (auto &a : extraArgs) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  auto start = Clock::now();
  pid_t pid;
  int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (rc != 0) {
    ::close(out[0]);
    return -1;
  }
  std::string seen;
  char buffer[256];
  double ms = -1;
  ssize_t n;
  while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) {
    seen.append(buffer, static_cast<size_t>(n));
    if (ms < 0 && seen.find("shown\n") != std::string::npos)
      ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  namespace fs = std::filesystem;
  fs::path work = fs::temp_directory_path() / ("quillorn-startup-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  std::string image = (work / "recorder.img").string();
  std::string error;
  if (!q417io::createFactoryImage(image, 2048, {}, &error)) {
    std::fprintf(stderr, "startup_bench: %s\n", error.c_str());
    return 1;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("Q417_IMAGE", image.c_str(), 1);
  ::setenv("QUILLORN_INSTANCE", (work / "Q417").c_str(), 1);

  std::vector<double> quillorn, peer;
  for (int i = 0; i < rounds + 1; ++i) {
    double q = timeToShown(QUILLORN_PROGRAM, {"--startup-probe"});
    double p = timeToShown(PEER_PROGRAM, {});
    if (q < 0 || p < 0) {
      std::fprintf(stderr, "startup_bench: a program did not show its window (quillorn %.1f, peer %.1f)\n", q, p);
      fs::remove_all(work);
      return 1;
    }
    if (i == 0) continue;  // warm-up: page cache and font cache
    quillorn.push_back(q);
    peer.push_back(p);
  }
  fs::remove_all(work);
  double mq = median(quillorn), mp = median(peer);
  std::printf("start-up to main window shown (offscreen, median of %d runs)\n", rounds);
  std::printf("  quillorn     %8.1f ms  (256 MB recorder attached)\n", mq);
  std::printf("  peer         %8.1f ms  (trivial Qt Widgets window)\n", mp);
  std::printf("  ratio        %8.2f\n", mq / mp);
  return 0;
}
