#include "testsupport/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char **environ;

namespace testsupport {

namespace {

int exitStatus(pid_t pid) {
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(pid, &status, 0);
  } while (done < 0 && errno == EINTR);
  return done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<char *> pointers(std::vector<std::string> &strings) {
  std::vector<char *> out;
  for (std::string &s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Reads every descriptor to its end, each into its own text.
void drain(std::vector<pollfd> fds, std::vector<std::string *> texts) {
  size_t open = fds.size();
  while (open > 0) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        texts[i]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd &p : fds)
    if (p.fd >= 0) ::close(p.fd);
}

}  // namespace

ProcessResult runCommand(const std::string &command, ErrorOutput errorOutput) {
  ProcessResult result;
  const bool apart = errorOutput == ErrorOutput::Apart;
  int out[2], err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) return result;
  if (apart && ::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, apart ? err[1] : out[1], STDERR_FILENO);
  std::vector<std::string> args{"sh", "-c", command};
  std::vector<char *> argv = pointers(args);
  pid_t pid = -1;
  int spawned = ::posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (apart) ::close(err[1]);

  std::vector<pollfd> fds{{out[0], POLLIN, 0}};
  std::vector<std::string *> texts{&result.output};
  if (apart) {
    fds.push_back({err[0], POLLIN, 0});
    texts.push_back(&result.errors);
  }
  if (spawned != 0) {
    for (pollfd &p : fds) ::close(p.fd);
    return result;
  }
  drain(fds, texts);
  result.status = exitStatus(pid);
  return result;
}

Process::Process(const std::vector<std::string> &argv, const std::vector<std::string> &environment) {
  // The test's environment without the names that environment sets again.
  std::vector<std::string> env;
  for (char **e = environ; *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const std::string &add : environment) {
      size_t name = add.find('=');
      replaced = replaced || (name != std::string::npos && entry.compare(0, name + 1, add, 0, name + 1) == 0);
    }
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<std::string> args = argv;
  std::vector<char *> argp = pointers(args), envp = pointers(env);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  if (!args.empty() && ::posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data()) == 0)
    pid_ = pid;
  started_ = pid_ > 0;
  posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    exitStatus(pid_);
  }
}

void Process::signal(int number) {
  if (pid_ > 0) ::kill(pid_, number);
}

int Process::wait() {
  if (pid_ > 0) {
    status_ = exitStatus(pid_);
    pid_ = -1;
  }
  return status_;
}

}  // namespace testsupport
